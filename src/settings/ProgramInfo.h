#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Facts about the running executable, recorded once at start.
namespace ProgramInfo {
// The executable's file name without folder or extension ("tallydial"); errors name it as their source.
const std::string& ExecutableName();
void SetExecutableName(std::string name);
// Derives the name from argv[0].
void SetFromArgv0(const char* argv0);
// The version the build was made from ("0.1.0").
const char* Version();
// The tool `name`'s answer to `--help` (its usage text) or `--version` as its only argument, written to
// `out`: the exit code, or none when the arguments are for the tool itself.
std::optional<int> AnswerHelpOrVersion(const std::vector<std::string>& args, std::string_view name,
                                       std::string_view usage, std::ostream& out);
} // namespace ProgramInfo
