// A journal is read at start-up from whatever a crash, a full disk or a hand edit left behind.
#include "engine/SessionJournal.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)ParseFirstJournal(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto state = ParseJournal(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!state) return 0;
    // What was read writes back to the same journal.
    if (ParseJournal(FormatJournal(*state)) != state) std::abort();
    return 0;
}
