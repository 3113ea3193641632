#include "RegTool.h"

#include "settings/Clock.h"
#include "platform/Platform.h"
#include "settings/ProgramInfo.h"

#include <iostream>

int main(int argc, char** argv) {
    ProgramInfo::SetFromArgv0(argv[0]);
    const SystemClock clock;
    Platform::OpenedStore opened = Platform::OpenSettingsStore(clock);
    if (opened.Notice) std::cerr << *opened.Notice << "\n";
    const std::vector<std::string> args(argv + 1, argv + argc);
    return RunRegTool(args, std::cin, std::cout, std::cerr, *opened.Store);
}
