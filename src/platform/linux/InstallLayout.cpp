#include "platform/linux/InstallLayout.h"

#include <unistd.h>

namespace {
bool IsProgram(const std::filesystem::path& file) {
    std::error_code error;
    return std::filesystem::is_regular_file(file, error) && ::access(file.c_str(), X_OK) == 0;
}
} // namespace

namespace InstallLayout {
std::filesystem::path SharedFolder(const std::filesystem::path& programFolder) {
    return (programFolder / TALLYDIAL_BIN_TO_SHARED).lexically_normal();
}

bool IsInstalled(const std::filesystem::path& programFolder) {
    std::error_code error;
    return std::filesystem::is_directory(SharedFolder(programFolder), error);
}

std::filesystem::path CompanionProgram(const std::filesystem::path& programFolder, const std::string& name) {
    for (const std::filesystem::path& folder : {programFolder, programFolder / TALLYDIAL_BIN_TO_LIBEXEC}) {
        std::filesystem::path file = (folder / name).lexically_normal();
        if (IsProgram(file)) return file;
    }
    return {};
}

std::filesystem::path CompanionLibrary(const std::filesystem::path& programFolder, const std::string& name) {
    for (const std::filesystem::path& folder : {programFolder, programFolder / TALLYDIAL_BIN_TO_LIB}) {
        std::filesystem::path file = (folder / (name + ".so")).lexically_normal();
        std::error_code error;
        if (std::filesystem::is_regular_file(file, error)) return file;
    }
    return {};
}

std::filesystem::path ProgramFolderOf(const std::filesystem::path& companionFolder) {
    if (IsProgram(companionFolder / "tallydial")) return companionFolder;
    return (companionFolder / TALLYDIAL_LIBEXEC_TO_BIN).lexically_normal();
}
} // namespace InstallLayout
