#pragma once

#include "connection/DialUpService.h"
#include "platform/sim/LineFile.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One connection on the simulated line.
struct SimulatedConnection {
    std::uint64_t Handle = 0;
    std::string Name;
    bool Connected = false; // false while it dials
    LineTraffic Traffic;    // as tallydial-line last set them; zero from the dial on
};

// What the line file holds. Handles are never reused while the file lives, so a handle the program
// still holds can't hang up a newer connection.
struct SimulatedLineState {
    std::uint64_t NextHandle = 1;
    std::vector<SimulatedConnection> Connections;

    SimulatedConnection* Find(std::string_view name);
    SimulatedConnection& Add(std::string name, bool connected);
};

// The file's text: a line "next N", then one line "HANDLE dialling|connected NAME" per connection,
// each followed by "traffic HANDLE RECEIVED SENT" once its counters aren't zero. Names must not contain
// line breaks.
std::string FormatLineState(const SimulatedLineState& state);
// Lines that don't fit that form are skipped, and so is a handle seen before; a connection without a
// traffic line has counted nothing.
SimulatedLineState ParseLineState(std::string_view text);

// A dial-up line that exists only in a small file, driven by tallydial-line, for demonstrations and
// tests. The file is replaced whole on every change, so a reader never sees half of one.
class SimulatedLine final : public DialUpService {
public:
    // The platform root knows where the line of this user lives.
    explicit SimulatedLine(std::filesystem::path file);

    const std::filesystem::path& File() const { return m_file; }
    // Creates the line's folder for this user alone when it is missing; why it can't be used when
    // another user could write it (and make up connections) or it is no folder.
    std::optional<std::string> FolderProblem() const;

    bool EstablishedFlag() override;
    // Dialling and connected ones, in the file's order. An absent file lists nothing.
    bool EnumConnections(std::vector<DialUpConnection>& connections) override;
    // Removes the connection from the file.
    bool HangUp(std::uint64_t handle) override;
    // The counters the file holds for the connection; false when it isn't listed. Read from the look
    // at the file that listed the handle when there was one since the last reading: the tick lists the
    // line before it reads the counters, and a second look would cost a tick a tenth more.
    bool ReadTraffic(std::uint64_t handle, LineTraffic& counters) override;

    // The state now; an absent file is an idle line. False when the file can't be read.
    bool Read(SimulatedLineState& state);
    // Reads the state, lets change alter it and, when change returns true, writes it back; all under a
    // lock on the folder so that concurrent editors don't lose each other's changes. Creates the folder.
    // False when the file can't be read or written.
    bool Edit(const std::function<bool(SimulatedLineState&)>& change);

private:
    // Brings m_state up to date; the file is read again only when its stamp changed.
    bool Refresh();
    bool Look();

    std::filesystem::path m_file;
    std::optional<LineFile::Stamp> m_stamp; // of the file m_state was read from; empty while it is absent
    SimulatedLineState m_state;
    bool m_looked = false; // m_state was brought up to date since the counters were last read
};
