// The call log reader meets any file: it must read it whole or a piece at a time alike, as it does
// while following a log that grows.
#include "engine/CallLogReader.h"
#include "engine/CallLogSummary.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

namespace {
std::string Calls(const CallLogData& log) {
    std::vector<std::uint32_t> rows;
    AppendMatching(log, {}, 0, rows);
    std::ostringstream out;
    WriteCallsCsv(out, log, rows);
    return out.str();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t step = data[0] % 16 + 1;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    CallLogData whole;
    const std::size_t used = ParseCallLog(text, true, whole);

    CallLogData pieces;
    std::size_t next = 0;
    for (std::size_t end = step; end < text.size(); end += step)
        next += ParseCallLog(text.substr(0, end).substr(next), false, pieces);
    next += ParseCallLog(text.substr(next), true, pieces);

    if (used > text.size() || next != used || Calls(whole) != Calls(pieces) ||
        whole.Skips.SkippedRecords() != pieces.Skips.SkippedRecords() ||
        whole.Skips.NoComment != pieces.Skips.NoComment)
        std::abort();
    (void)DescribeSkips(whole.Skips, text.size() - used);
    return 0;
}
