#pragma once

#include <string>

// Facts about the running executable, recorded once at start.
namespace ProgramInfo {
// The executable's file name without folder or extension ("tallydial"); errors name it as their source.
const std::string& ExecutableName();
void SetExecutableName(std::string name);
// Derives the name from argv[0].
void SetFromArgv0(const char* argv0);
} // namespace ProgramInfo
