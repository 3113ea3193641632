#include "platform/linux/LogFolder.h"

#include "platform/linux/InstallLayout.h"
#include "platform/linux/XdgPaths.h"

#include <unistd.h>

std::filesystem::path LogFolder(const std::filesystem::path& programFolder) {
    std::error_code error;
    // An installed program never writes into its bin folder, even when it could (run as root).
    if (std::filesystem::is_directory(programFolder, error) && ::access(programFolder.c_str(), W_OK) == 0 &&
        !InstallLayout::IsInstalled(programFolder))
        return programFolder;
    std::filesystem::path data = XdgPaths::DataFolder();
    XdgPaths::EnsureFolder(data);
    return data;
}
