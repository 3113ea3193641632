#pragma once

#include "settings/Clock.h"
#include "settings/DateSerial.h"
#include "settings/Locale.h"
#include "settings/RegistryStore.h"
#include "settings/UserInterface.h"

#include <cctype>
#include <csignal>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#ifndef _WIN32 // the Windows backends' tests share this header without the POSIX helpers
#include <sys/resource.h>
#endif
#include <vector>

// Names a parameterised test's row after its Name, letters and digits kept and the rest made '_', so a
// failing row is reported, and can be run, on its own.
struct RowName {
    template <typename Info> std::string operator()(const Info& info) const {
        std::string name = info.param.Name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    }
};

// A clock that moves only when the test says so. Wall clock and monotonic clock move together
// unless the test jumps the wall clock on its own (SetNow).
class FakeClock final : public Clock {
public:
    explicit FakeClock(double now = DateSerial::FromCivil(2026, 12, 2) + DateSerial::FromTime(10, 0, 0))
        : m_now(now) {}
    double Now() const override { return m_now; }
    double MonotonicSeconds() const override { return m_monotonic; }
    double UtcSeconds() const override { return m_utc; }

    void Advance(double seconds) {
        m_now += seconds / 86400.0;
        m_monotonic += seconds;
        m_utc += seconds;
    }
    void SetNow(double serial) { m_now = serial; }
    void Set(int year, int month, int day, int hour = 0, int minute = 0, double second = 0) {
        m_now = DateSerial::FromCivil(year, month, day) + DateSerial::FromTime(hour, minute, second);
    }

private:
    double m_now;
    double m_monotonic = 1000.0;
    // Set and SetNow move the wall clock alone, as a change of summer time or a hand setting does.
    double m_utc = 1796205600.0;
};

// Answers the core's questions from a script and records everything it was told.
class ScriptedUserInterface : public UserInterface {
public:
    struct Message {
        std::string Prompt;
        MsgButtons Buttons;
        MsgIcon Icon;
        std::string Title;
    };

    MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    void Unattended(const std::string& message) override { UnattendedMessages.push_back(message); }
    void Beep() override { ++Beeps; }
    void ShowAlarm(const std::string& message) override {
        Alarms.push_back(message);
        if (WhileAlarmOpen) WhileAlarmOpen();
    }
    // Records the message, then lets the test play the user's part in the countdown.
    void ShowAlarmDisconnect(AlarmCountdown& countdown) override;

    std::deque<MsgResult> Answers;                 // default: OK / Yes
    std::deque<std::optional<std::string>> Inputs; // default: cancelled
    std::vector<Message> Messages;
    std::vector<std::string> InputPrompts;
    std::vector<std::string> InputTitles;
    std::vector<std::string> UnattendedMessages; // told without waiting for anyone
    int Beeps = 0;
    std::vector<std::string> Alarms;           // plain alarm windows shown
    std::vector<std::string> DisconnectAlarms; // countdown windows shown
    std::function<void(AlarmCountdown&)> OnAlarmDisconnect;
    std::function<void()> WhileAlarmOpen;
};

#ifndef _WIN32
// Runs `body` as on a full disk: no file grows beyond a byte meanwhile.
template <typename F> void OnFullDisk(F&& body) {
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit full = saved;
    full.rlim_cur = 1;
    setrlimit(RLIMIT_FSIZE, &full);
    body();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}
#endif

// A fresh empty folder below the test's temporary area, removed at the end of the test; or `kept`,
// an existing folder left as it is.
class TempFolder {
public:
    explicit TempFolder(std::filesystem::path kept = {});
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    bool m_kept;
};

// A file's bytes, or `otherwise` when it can't be read.
std::string ReadText(const std::filesystem::path& path, const std::string& otherwise = {});
// A file's lines without their LF or CR LF.
std::vector<std::string> TextLines(const std::filesystem::path& path);

// `text` `times` over.
inline std::string Repeated(std::string_view text, int times) {
    std::string repeated;
    for (; times > 0; --times)
        repeated += text;
    return repeated;
}

// A value's bytes as given; as REG_SZ text, with its closing NUL.
inline std::vector<std::uint8_t> RawBytes(std::string_view text) {
    return {text.begin(), text.end()};
}
inline std::vector<std::uint8_t> SzBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes = RawBytes(text);
    bytes.push_back(0);
    return bytes;
}
// A value of HKEY_LOCAL_MACHINE as text without its closing NUL, or none when it is missing.
std::optional<std::string> StoredText(RegistryStore& store, const std::string& key, const std::string& name);
