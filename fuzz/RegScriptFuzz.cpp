// A registry script is a file the user hands to tallydial-reg import: any bytes at all.
#include "RegFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<ImportStep> steps;
    const RegImportResult result = ParseRegText(bytes, steps);
    // A script that can't be read says why.
    if (!result.Ok && result.Error.empty()) std::abort();
    (void)Utf16LeToUtf8(bytes);
    return 0;
}
