#pragma once

#include <filesystem>

// The freedesktop base folders, each with Tallydial's own subfolder.
namespace XdgPaths {
// $XDG_CONFIG_HOME/tallydial, or ~/.config/tallydial.
std::filesystem::path ConfigFolder();
// $XDG_DATA_HOME/tallydial, or ~/.local/share/tallydial.
std::filesystem::path DataFolder();
// $XDG_RUNTIME_DIR/tallydial, or a private folder under the temporary folder when it is unset.
std::filesystem::path RuntimeFolder();
// Creates the folder (and parents) with owner-only access when it is missing; false on failure.
bool EnsureFolder(const std::filesystem::path& folder);
} // namespace XdgPaths
