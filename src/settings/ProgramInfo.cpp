#include "settings/ProgramInfo.h"

#include <filesystem>

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
} // namespace ProgramInfo
