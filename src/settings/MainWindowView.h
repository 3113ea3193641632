#pragma once

#include <string>

// The main window's labels that the core writes, named after their controls.
enum class MainLabel {
    lblCurrentProfile,
    Cost,
    Time,
    Money,
    CTime,
    CMoney,
    LastResetLabel,
    lblFreeTimeLeft,
    LblISPCostPerHour,
    lblSessionData, // the session's bytes, under its money
    lblMonthData,   // the month's bytes against the allowance
};

// What the core needs from the main window and its tray icon. frmMain implements it;
// tests record the calls.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    virtual void HideMainWindow() = 0;
    // Shows the window without blocking and brings it forward.
    virtual void ShowMainWindow() = 0;

    // The layout by profile count, in twips: where the button frame starts, the window's height,
    // and whether the profile frame shows.
    virtual void ArrangeLayout(int frameButtonsTop, int windowHeight, bool profileFrameVisible) = 0;
    virtual void SetLabel(MainLabel label, const std::string& text) = 0;

    // The rate list `Rate`.
    virtual void ClearRateList() = 0;
    virtual void AddRateName(const std::string& name) = 0;
    virtual std::string RateText() const = 0;
    virtual void SetRateText(const std::string& text) = 0;

    // The button `StartStop` and the tray menu item `mStartStop`.
    virtual void SetStartStopCaption(const std::string& caption) = 0;
    virtual void SetStartStopEnabled(bool enabled) = 0;
    virtual void SetMenuStartStopCaption(const std::string& caption) = 0;
    virtual void SetMenuStartStopEnabled(bool enabled) = 0;

    virtual std::string WindowTitle() const = 0;
    virtual void SetWindowTitle(const std::string& title) = 0;

    // The tray control's two properties.
    virtual void SetTrayIconVisible(bool visible) = 0;
    virtual void SetTrayTip(const std::string& tip) = 0;
    // A desktop notification from the tray icon, for news the user must see while the window is hidden.
    virtual void ShowTrayMessage(const std::string& title, const std::string& text) = 0;

    // The help command and file that the help buttons use.
    virtual void SetHelp(int command, const std::string& helpFile) = 0;
    virtual void CloseSplash() = 0;
};
