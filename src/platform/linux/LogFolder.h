#pragma once

#include <filesystem>

// The folder of the call log: the program's own folder, or, when the program is installed
// where its user can't write, $XDG_DATA_HOME/tallydial (created when missing).
std::filesystem::path LogFolder(const std::filesystem::path& programFolder);
