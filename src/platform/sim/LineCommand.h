#pragma once

#include "platform/sim/SimulatedLine.h"

#include <ostream>
#include <string>
#include <vector>

// Exit statuses of tallydial-line.
enum LineCommandStatus : int {
    kLineDone = 0,
    kLineRefused = 1,    // the line's state doesn't allow it (no such connection, already dialling ...)
    kLineUsage = 2,      // unknown command or missing name
    kLineFileFailed = 3, // the line file can't be read or written
};

// One tallydial-line command, arguments without the program name:
//   dial NAME        a new connection starts dialling
//   connect [NAME]   a dialling connection comes up (the first dialling one without NAME);
//                    a NAME that isn't listed comes up at once
//   hangup [NAME]    the connection goes away (all of them without NAME)
//   traffic NAME RX TX   the connection's counters now read RX bytes received and TX sent
//   status           one line per connection, "NAME: dialling|connected", with ", RX received, TX sent"
//                    once its counters aren't zero, or "idle"
// Words after the command form the name (but for traffic's last two), so names with spaces need no quotes.
int RunLineCommand(const std::vector<std::string>& arguments, SimulatedLine& line, std::ostream& out,
                   std::ostream& err);
