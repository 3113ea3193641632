#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Creates the folder (parents as usual, the folder itself owner-only) when it is missing, and makes
// sure that it is a folder of this user's that no one else can write: nothing when it is, else why not.
std::optional<std::string> PrivateFolderProblem(const std::filesystem::path& folder);
