#include "ui/startup/DesktopApplication.h"

#include "platform/Platform.h"
#include "settings/ErrorBoundary.h"
#include "settings/RunTimeError.h"
#include "ui/settings/frmChooseProfile.h"
#include "ui/startup/ZTray.h"
#include "ui/startup/frmMain.h"
#include "ui/startup/frmSplash.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <utility>

DesktopApplication::DesktopApplication(RegistryStore& store, const Clock& clock, UserInterface& ui,
                                       InstanceGuard& instance, Locale userLocale, std::string commandLine,
                                       std::string logFolder)
    : m_clock(clock), m_ui(ui), m_instance(instance), m_locale(std::move(userLocale)),
      m_commandLine(std::move(commandLine)), m_logFolder(std::move(logFolder)),
      m_wait([this](double seconds) {
          // The splash is painted and mapped meanwhile; clicks and keys wait for the main window.
          QEventLoop wait;
          QTimer::singleShot(std::chrono::milliseconds(std::lround(seconds * 1000)), &wait,
                             &QEventLoop::quit);
          // Built unseen in the splash's time, the main window shows as soon as that time is over.
          PrepareMainWindow();
          m_splashWait = &wait;
          wait.exec(QEventLoop::ExcludeUserInputEvents);
          m_splashWait = nullptr;
      }),
      m_settings(store, m_locale, m_globals.Profiles), m_subMain(m_globals, m_settings, clock, ui, *this) {}

DesktopApplication::~DesktopApplication() = default;

bool DesktopApplication::Start() {
    m_globals.LogPendingPath = (Platform::StateFolder() / "log-pending.dat").string();
    m_subMain.Main();
    return !m_ended;
}

bool DesktopApplication::OtherInstanceRunning() {
    return m_instance.OtherInstanceRunning();
}

void DesktopApplication::RegisterInstance() {
    m_instance.Register();
    m_showRequests = Platform::ListenForShowRequests(m_instance, [this] {
        Guarded(m_ui, "frmMain.ShowRequest", [this] {
            if (!m_main || m_ended) return;
            if (m_main->isMinimized()) m_main->showNormal();
            m_main->ShowMainWindow();
        });
    });
}

void DesktopApplication::ShowRunningInstance() {
    Platform::RequestShow(m_instance);
}

void DesktopApplication::ShowSplash() {
    if (!m_splash) m_splash = std::make_unique<frmSplash>();
    m_splash->ShowNow();
}

int DesktopApplication::SplashTop() const {
    return m_splash ? m_splash->Top() : 0;
}

int DesktopApplication::SplashHeight() const {
    return m_splash ? m_splash->Height() : 0;
}

void DesktopApplication::SetSplashTop(int top) {
    if (m_splash) m_splash->SetTop(top);
}

void DesktopApplication::ShowChooser() {
    if (!m_chooser) {
        m_chooser = std::make_unique<frmChooseProfile>();
        QObject::connect(m_chooser.get(), &frmChooseProfile::ProfileChosen, m_chooser.get(), [this](int row) {
            Guarded(m_ui, "frmChooseProfile.Command1_Click", [&] { m_subMain.ProfileChosen(row); });
        });
        // Without a choice there is no main window to come: the program ends.
        QObject::connect(m_chooser.get(), &frmChooseProfile::ClosedWithoutChoice, m_chooser.get(),
                         [this] { Guarded(m_ui, "frmChooseProfile.Form_Unload", [this] { EndProgram(); }); });
    }
    m_chooser->Form_Load(m_globals.Profiles);
}

void DesktopApplication::WaitSeconds(double seconds) {
    m_wait(seconds);
}

void DesktopApplication::PrepareMainWindow() {
    if (!m_main) {
        m_main = std::make_unique<frmMain>(m_globals, m_settings, m_clock, m_ui);
        // An end from outside during the splash ends the start; the splash's wait returns at once.
        m_main->SetEndBeforeLoad([this] { EndProgram(); });
    }
    if (!m_dialUp) {
        m_lines = Platform::OpenDialUpLines(m_linesProblem);
        m_dialUp = m_lines.get();
    }
    if (!m_journalFile) {
        try {
            // A copy closing after a profile switch holds its journal for a moment longer.
            std::optional<std::string> notice;
            // A folder that stops taking the journal is told once the write, perhaps deep in a tick, is over.
            m_journalFile = Platform::ClaimJournal(Platform::StateFolder(), m_globals.Profiles.CurrentName(),
                                                   5, notice, [this](const std::string& told) {
                                                       QTimer::singleShot(0, qApp, [this, told] {
                                                           Guarded(m_ui, "Journal_Moved", [&] {
                                                               if (m_ended)
                                                                   m_ui.Unattended(told);
                                                               else
                                                                   m_ui.MsgBox(told);
                                                           });
                                                       });
                                                   });
            // Told once the main window loads: a message now would run the splash's timer inside
            // its own loop, before the splash's wait has begun, and the wait would never end.
            m_journalProblem = std::move(notice);
        } catch (const RunTimeError&) {
        }
    }
}

void DesktopApplication::LoadMainWindow() {
    if (m_ended) return;
    PrepareMainWindow();
    if (m_linesProblem) m_ui.MsgBox(*std::exchange(m_linesProblem, std::nullopt));
    if (m_journalProblem) m_ui.MsgBox(*std::exchange(m_journalProblem, std::nullopt));
    m_main->SetDialUpService(*m_dialUp);
    if (m_journalFile) m_main->SetJournalFile(*m_journalFile);
    m_main->SetSplash(m_splash.get());
    m_main->Form_Load();
    // Closed by the load, the splash goes with its picture before the main window's first paint.
    if (m_splash && m_splash->isHidden()) {
        m_main->SetSplash(nullptr);
        m_splash.reset();
    }
    // Without a tray a hidden window could never be brought back.
    if (m_main->isHidden() && !ZTray::Available()) m_main->ShowMainWindow();
}

void DesktopApplication::EndProgram() {
    m_ended = true;
    if (m_splash) m_splash->close();
    // Before the program's own loop runs, quitting reaches no loop: the splash's wait is left by hand.
    if (m_splashWait) m_splashWait->quit();
    QCoreApplication::quit();
}
