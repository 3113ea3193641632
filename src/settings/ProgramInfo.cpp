#include "settings/ProgramInfo.h"

#include <filesystem>
#include <ostream>

namespace {
std::string& Name() {
    static std::string name = "tallydial";
    return name;
}
} // namespace

namespace ProgramInfo {
const std::string& ExecutableName() {
    return Name();
}
void SetExecutableName(std::string name) {
    Name() = std::move(name);
}
void SetFromArgv0(const char* argv0) {
    if (argv0 && *argv0) Name() = std::filesystem::path(argv0).stem().string();
}
const char* Version() {
    return TALLYDIAL_VERSION;
}
std::optional<int> AnswerHelpOrVersion(const std::vector<std::string>& args, std::string_view name,
                                       std::string_view usage, std::ostream& out) {
    if (args.size() != 1) return std::nullopt;
    if (args[0] == "--help")
        out << usage;
    else if (args[0] == "--version")
        out << name << " " << Version() << "\n";
    else
        return std::nullopt;
    return 0;
}
} // namespace ProgramInfo
