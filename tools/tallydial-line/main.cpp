// tallydial-line: dials, connects and hangs up the simulated line that Tallydial watches.
#include "platform/Platform.h"
#include "platform/sim/LineCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    SimulatedLine line(Platform::SimulatedLineFile());
    return RunLineCommand(arguments, line, std::cout, std::cerr);
}
