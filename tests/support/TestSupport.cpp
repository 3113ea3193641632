#include "support/TestSupport.h"

#include "engine/AlarmCountdown.h"

#include <atomic>
#include <cstdlib>
#include <unistd.h>

MsgResult ScriptedUserInterface::MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                                        const std::string& title) {
    Messages.push_back({prompt, buttons, icon, title});
    if (!Answers.empty()) {
        const MsgResult answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::OK;
}

std::optional<std::string> ScriptedUserInterface::InputBox(const std::string& prompt,
                                                           const std::string& title, const std::string&) {
    InputPrompts.push_back(prompt);
    InputTitles.push_back(title);
    if (Inputs.empty()) return std::nullopt;
    auto answer = Inputs.front();
    Inputs.pop_front();
    return answer;
}

void ScriptedUserInterface::ShowAlarmDisconnect(AlarmCountdown& countdown) {
    DisconnectAlarms.push_back(countdown.Message());
    if (OnAlarmDisconnect) OnAlarmDisconnect(countdown);
}

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    const char* base = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path root = base ? base : std::filesystem::temp_directory_path();
    m_path = root / ("tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(m_path, ignored);
}
