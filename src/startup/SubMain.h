#pragma once

#include "settings/Clock.h"
#include "settings/Globals.h"
#include "settings/Settings.h"
#include "settings/UserInterface.h"

#include <string>
#include <vector>

// The first word of the command line of a copy started by a profile switch; it lets that copy
// run beside the one that is still closing.
inline constexpr const char* kRestartToken = "APPRESTARTPROFILEORVANE";

// What the start-up sequence needs from the desktop. Geometry is in twips.
class StartupHost {
public:
    virtual ~StartupHost() = default;

    // Whether another copy of the program is running now: a test, not a lock.
    virtual bool OtherInstanceRunning() = 0;
    // Makes this copy visible to the test of later copies.
    virtual void RegisterInstance() = 0;
    // The arguments, without the program's own path, joined by blanks.
    virtual std::string CommandLine() const = 0;
    // The folder the call log goes into.
    virtual std::string LogFolder() const = 0;

    // Shows the splash without waiting and paints it at once.
    virtual void ShowSplash() = 0;
    virtual int SplashTop() const = 0;
    virtual int SplashHeight() const = 0;
    virtual void SetSplashTop(int top) = 0;
    // Shows the profile chooser without waiting; a choice comes back through SubMain::ProfileChosen.
    virtual void ShowChooser() = 0;
    // Waits without processing window messages.
    virtual void WaitSeconds(double seconds) = 0;
    // Loads the main window, whose load fills the model and shows it.
    virtual void LoadMainWindow() = 0;
    // Ends the program; nothing of start-up runs after it.
    virtual void EndProgram() = 0;
    // A refused start asks the running copy to show its main window.
    virtual void ShowRunningInstance() {}
};

// The start-up sequence: single instance, splash, profile list, the choice of profile,
// then the main window.
class SubMain {
public:
    SubMain(Globals& globals, const Settings& settings, const Clock& clock, UserInterface& ui,
            StartupHost& host);

    // Entered by the program's start, by the chooser after a choice and by itself.
    void Main();
    // The chooser's confirmation: `selectedRow` is 0-based, -1 when nothing is selected.
    void ProfileChosen(int selectedRow);

private:
    void ReportError(long number, const std::string& description);

    Globals& m_globals;
    const Settings& m_settings;
    const Clock& m_clock;
    UserInterface& m_ui;
    StartupHost& m_host;
    float m_splashStartTimer = 0;
};

// The first `wordLimit` words of a command line, split at blanks and tabs. Element 0 is
// always empty; quotation marks are ordinary characters.
std::vector<std::string> SplitCommandLine(const std::string& commandLine, int wordLimit = 10);
