#pragma once

#include <cstdio>
#include <optional>
#include <string>

// What the core needs from the person in front of the screen. The main window implements it;
// tests implement it with a script of answers.
enum class MsgButtons { OK, OKCancel, YesNo };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgResult { OK, Cancel, Yes, No };

class AlarmCountdown;

inline constexpr const char* kProgramTitle = "Tallydial";
// Where the error messages send the user.
inline constexpr const char* kSupportEmail = "support@tallydial.example";

class UserInterface {
public:
    virtual ~UserInterface() = default;

    virtual MsgResult MsgBox(const std::string& prompt, MsgButtons buttons = MsgButtons::OK,
                             MsgIcon icon = MsgIcon::None, const std::string& title = kProgramTitle) = 0;
    // The typed text, or nothing when the user cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText = {}) = 0;
    // A message when nobody may be there to click it away (the program ended from outside): it
    // must not wait. Standard error here; the desktop adds the system log.
    // Through stdio: the stream library's start-up costs every program that includes it.
    virtual void Unattended(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }
    // The system's default sound.
    virtual void Beep() = 0;
    // The plain alarm window, modal: the message and an OK button.
    virtual void ShowAlarm(const std::string& message) = 0;
    // The disconnection countdown window over `countdown`, modal.
    virtual void ShowAlarmDisconnect(AlarmCountdown& countdown) = 0;
};
