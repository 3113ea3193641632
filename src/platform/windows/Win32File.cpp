#include "platform/windows/Win32File.h"

#include <string>

bool CanWriteIn(const std::filesystem::path& folder) {
    const std::filesystem::path probe =
        folder / ("tallydial-" + std::to_string(GetCurrentProcessId()) + ".tmp");
    const Handle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.Valid();
}
