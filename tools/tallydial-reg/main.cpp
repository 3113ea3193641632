#include "RegTool.h"

#include "platform/Platform.h"
#include "settings/Clock.h"
#include "settings/ProgramInfo.h"

#include <iostream>

namespace {
constexpr const char* Usage =
    "Usage: tallydial-reg query | add | delete | export | import ...\n"
    "Reads and changes Tallydial's settings, with the commands and switches of the\n"
    "Windows reg command; each command without arguments shows its own usage.\n"
    "       tallydial-reg --help | --version\n";
} // namespace

int main(int argc, char** argv) {
    ProgramInfo::SetFromArgv0(argv[0]);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const auto answered = ProgramInfo::AnswerHelpOrVersion(args, "tallydial-reg", Usage, std::cout))
        return *answered;
    const SystemClock clock;
    Platform::OpenedStore opened = Platform::OpenSettingsStore(clock);
    if (opened.Notice) std::cerr << *opened.Notice << "\n";
    return RunRegTool(args, std::cin, std::cout, std::cerr, *opened.Store);
}
