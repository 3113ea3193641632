#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The freedesktop base folders, each with Tallydial's own subfolder.
namespace XdgPaths {
// $XDG_CONFIG_HOME, or ~/.config: the user's configuration, shared with other programs.
std::filesystem::path ConfigHome();
// $XDG_CONFIG_HOME/tallydial, or ~/.config/tallydial.
std::filesystem::path ConfigFolder();
// $XDG_DATA_HOME/tallydial, or ~/.local/share/tallydial.
std::filesystem::path DataFolder();
// $XDG_CACHE_HOME/tallydial, or ~/.cache/tallydial.
std::filesystem::path CacheFolder();
// $XDG_RUNTIME_DIR/tallydial, or a private folder under the temporary folder when it is unset.
std::filesystem::path RuntimeFolder();
// $XDG_STATE_HOME/tallydial, or ~/.local/state/tallydial.
std::filesystem::path StateFolder();
// Creates the folder (and parents) with owner-only access when it is missing; false on failure.
bool EnsureFolder(const std::filesystem::path& folder);
} // namespace XdgPaths
