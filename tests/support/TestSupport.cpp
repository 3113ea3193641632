#include "support/TestSupport.h"

#include "engine/AlarmCountdown.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
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

TempFolder::TempFolder(std::filesystem::path kept) : m_path(std::move(kept)), m_kept(!m_path.empty()) {
    if (m_kept) return;
    static std::atomic<int> counter{0};
    const char* base = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path root = base ? base : std::filesystem::temp_directory_path();
    m_path = root / ("tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder() {
    if (m_kept) return;
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadText(const std::filesystem::path& path, const std::string& otherwise) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return otherwise;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> TextLines(const std::filesystem::path& path) {
    std::istringstream in(ReadText(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::optional<std::string> StoredText(RegistryStore& store, const std::string& key, const std::string& name) {
    RegistryValue value;
    if (store.QueryValue(HKEY_LOCAL_MACHINE, key, name, value) != ERROR_SUCCESS) return std::nullopt;
    return value.Data.empty() ? std::string() : std::string(value.Data.begin(), value.Data.end() - 1);
}
