// The command line is whatever the desktop or a script hands over.
#include "startup/SubMain.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int limit = data[0] % 16;
    const std::string line(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto words = SplitCommandLine(line, limit);
    // Element 0 and no more than the limit of words, none empty or holding a blank.
    if (words.empty() || !words[0].empty() || words.size() > static_cast<std::size_t>(limit) + 1)
        std::abort();
    for (std::size_t i = 1; i < words.size(); ++i)
        if (words[i].empty() || words[i].find_first_of(" \t") != std::string::npos) std::abort();
    return 0;
}
