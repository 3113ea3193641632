#pragma once

#include "settings/UserInterface.h"

// Message boxes, the input box and the beep of the desktop. Used from the first moment of
// start-up, before the main window exists.
class DesktopUserInterface final : public UserInterface {
public:
    MsgResult MsgBox(const std::string& prompt, MsgButtons buttons = MsgButtons::OK,
                     MsgIcon icon = MsgIcon::None, const std::string& title = kProgramTitle) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText = {}) override;
    // Standard error and, where there is one, the system log.
    void Unattended(const std::string& message) override;
    void Beep() override;
    void ShowAlarm(const std::string& message) override;
    void ShowAlarmDisconnect(AlarmCountdown& countdown) override;
};
