#include "platform/linux/XdgPaths.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::filesystem::path Home() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::filesystem::path(home) : std::filesystem::temp_directory_path();
}

std::filesystem::path FromEnvironment(const char* variable, const std::filesystem::path& fallback) {
    const char* value = std::getenv(variable);
    // Relative paths are invalid in these variables and must be ignored.
    if (value && *value == '/') return value;
    return fallback;
}
} // namespace

namespace XdgPaths {
std::filesystem::path ConfigHome() {
    return FromEnvironment("XDG_CONFIG_HOME", Home() / ".config");
}

std::filesystem::path ConfigFolder() {
    return ConfigHome() / "tallydial";
}

std::filesystem::path DataFolder() {
    return FromEnvironment("XDG_DATA_HOME", Home() / ".local" / "share") / "tallydial";
}

std::filesystem::path CacheFolder() {
    return FromEnvironment("XDG_CACHE_HOME", Home() / ".cache") / "tallydial";
}

std::filesystem::path RuntimeFolder() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value && *value == '/') return std::filesystem::path(value) / "tallydial";
    return std::filesystem::temp_directory_path() / ("tallydial-" + std::to_string(getuid()));
}

std::filesystem::path StateFolder() {
    return FromEnvironment("XDG_STATE_HOME", Home() / ".local" / "state") / "tallydial";
}

bool EnsureFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return true;
    std::filesystem::create_directories(folder, error);
    if (error) return false;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
    return true;
}
} // namespace XdgPaths
