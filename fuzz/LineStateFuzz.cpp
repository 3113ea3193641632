// The simulated line's file can be edited by hand or cut short; what the program reads from it must
// write back to the same state.
#include "platform/sim/SimulatedLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const SimulatedLineState state =
        ParseLineState(std::string_view(reinterpret_cast<const char*>(data), size));
    const SimulatedLineState again = ParseLineState(FormatLineState(state));
    if (again.NextHandle != state.NextHandle || again.Connections.size() != state.Connections.size())
        std::abort();
    for (std::size_t i = 0; i < state.Connections.size(); ++i) {
        const SimulatedConnection& a = state.Connections[i];
        const SimulatedConnection& b = again.Connections[i];
        if (a.Handle != b.Handle || a.Name != b.Name || a.Connected != b.Connected) std::abort();
        if (a.Handle == 0 || a.Handle >= state.NextHandle) std::abort();
    }
    return 0;
}
