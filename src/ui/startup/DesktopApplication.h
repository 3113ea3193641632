#pragma once

#include "connection/DialUpService.h"
#include "engine/SessionJournal.h"
#include "settings/Clock.h"
#include "settings/Globals.h"
#include "settings/Locale.h"
#include "settings/RegistryStore.h"
#include "settings/Settings.h"
#include "settings/UserInterface.h"
#include "startup/InstanceGuard.h"
#include "startup/SubMain.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QEventLoop;
class ShowRequestListener;
class frmChooseProfile;
class frmMain;
class frmSplash;

// The program's own objects for one run: the model, the settings, the start-up sequence and
// the windows it opens.
class DesktopApplication final : public StartupHost {
public:
    DesktopApplication(RegistryStore& store, const Clock& clock, UserInterface& ui, InstanceGuard& instance,
                       Locale userLocale, std::string commandLine, std::string logFolder);
    ~DesktopApplication() override;

    // Replaces the real wait of the splash; tests take note of it instead.
    void SetWait(std::function<void(double)> wait) { m_wait = std::move(wait); }

    // The dial-up lines the main window watches; when none is set, the machine's lines and the
    // simulated line.
    void SetDialUpService(DialUpService& service) { m_dialUp = &service; }

    // Runs the start-up sequence; false when the program has already ended.
    bool Start();
    bool Ended() const { return m_ended; }

    Globals& Model() { return m_globals; }
    frmMain* MainWindow() const { return m_main.get(); }
    frmSplash* Splash() const { return m_splash.get(); }
    frmChooseProfile* Chooser() const { return m_chooser.get(); }

    // StartupHost
    bool OtherInstanceRunning() override;
    void RegisterInstance() override;
    std::string CommandLine() const override { return m_commandLine; }
    std::string LogFolder() const override { return m_logFolder; }
    void ShowSplash() override;
    int SplashTop() const override;
    int SplashHeight() const override;
    void SetSplashTop(int top) override;
    void ShowChooser() override;
    void WaitSeconds(double seconds) override;
    void LoadMainWindow() override;
    void EndProgram() override;
    void ShowRunningInstance() override;

private:
    // The main window, its lines and its journal, ready for the load.
    void PrepareMainWindow();

    const Clock& m_clock;
    UserInterface& m_ui;
    InstanceGuard& m_instance;
    Locale m_locale;
    std::string m_commandLine;
    std::string m_logFolder;
    std::function<void(double)> m_wait;
    QEventLoop* m_splashWait = nullptr;
    Globals m_globals;
    Settings m_settings;
    SubMain m_subMain;
    bool m_ended = false;
    std::unique_ptr<frmSplash> m_splash;
    std::unique_ptr<frmChooseProfile> m_chooser;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<ShowRequestListener> m_showRequests;
    DialUpService* m_dialUp = nullptr;
    std::unique_ptr<DialUpService> m_lines;
    // Told when the main window loads, not over the splash.
    std::optional<std::string> m_linesProblem;
    std::optional<std::string> m_journalProblem;
    std::unique_ptr<JournalFile> m_journalFile;
};
