#pragma once

#include <filesystem>

// The folder of the call log: the program's own folder, or, when the program is installed or
// its user can't write there, $XDG_DATA_HOME/tallydial (created when missing).
std::filesystem::path LogFolder(const std::filesystem::path& programFolder);
