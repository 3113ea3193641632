#pragma once

#include <optional>
#include <string>

// What the core needs from the person in front of the screen. The main window implements it;
// tests implement it with a script of answers.
enum class MsgButtons { OK, OKCancel, YesNo };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgResult { OK, Cancel, Yes, No };

inline constexpr const char* kProgramTitle = "Tallydial";

class UserInterface {
public:
    virtual ~UserInterface() = default;

    virtual MsgResult MsgBox(const std::string& prompt, MsgButtons buttons = MsgButtons::OK,
                             MsgIcon icon = MsgIcon::None, const std::string& title = kProgramTitle) = 0;
    // The typed text, or nothing when the user cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText = {}) = 0;
    // The system's default sound.
    virtual void Beep() = 0;
};
