#pragma once

#include "connection/DetectConnection.h"
#include "engine/Engine.h"
#include "engine/SessionJournal.h"
#include "settings/Clock.h"
#include "settings/Globals.h"
#include "settings/MainWindowView.h"
#include "settings/Settings.h"
#include "settings/UserInterface.h"
#include "startup/MainWindowCommands.h"
#include "ui/help/CommonDialog.h"

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Calculator;
class QAction;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class ZTray;
class frmAbout;
class Autostart;
class frmOptions;

// The main window: totals, rates, the command buttons, the tray icon and its menu.
class frmMain : public QWidget, public MainWindowView, public MainWindowHost {
    Q_OBJECT
public:
    frmMain(Globals& globals, const Settings& settings, const Clock& clock, UserInterface& ui,
            QWidget* parent = nullptr);
    ~frmMain() override;

    // Fills the model from the profile and sets the window up; the splash closes at its end.
    void Form_Load();
    void SetSplash(QWidget* splash) { m_splash = splash; }

    // The dial-up lines the tick watches; none until set. Set before the load.
    void SetDialUpService(DialUpService& service);
    // The profile's session journal, recovered from and then kept current; none until set. Set
    // before the load.
    void SetJournalFile(JournalFile& file);
    MainWindowCommands& Commands() { return *m_commands; }

    // Unloads the window for `unloadMode` (UnloadModes): the question where it is asked, then the
    // saving, and the program ends.
    void Unload(int unloadMode);
    // Unloading asked for from outside (the session ending, a signal): open modal windows are closed
    // and the handlers that opened them finish first.
    void RequestUnload(int unloadMode);
    bool Unloaded() const { return m_unloaded; }
    // Asked for before the load, an end has nothing of this run to save: `end` ends the start instead.
    void SetEndBeforeLoad(std::function<void()> end) { m_endBeforeLoad = std::move(end); }

    // Handlers of the controls, the timers and the tray.
    void Timer1_Timer();
    void Timer2_Timer();
    void StartStop_Click();
    void mStartStop_Click();
    void cmdLogViewer_Click();
    void cmdOptions_Click();
    void Command5_Click();
    void Command6_Click();
    void hide_Click();
    void help_Click();
    void Form_KeyUp(int keyCode);
    void cmdChangeProfile_Click();
    void Command2_Click();
    void Command3_Click();
    void mShow_Click();
    void mViewLog_Click();
    void mChgProfile_Click();
    void mOptions_Click();
    void mExit_Click();
    void ZTray_Click(qint16 button);
    void TrayMenu_AboutToShow();

    // MainWindowHost
    bool StartLogViewer() override;
    long StartOwnExecutable(const std::string& arguments) override;
    void UnloadMainWindow() override;
    void EndProgram() override;

    // MainWindowView
    void HideMainWindow() override;
    void ShowMainWindow() override;
    void ArrangeLayout(int frameButtonsTop, int windowHeight, bool profileFrameVisible) override;
    void SetLabel(MainLabel label, const std::string& text) override;
    void ClearRateList() override;
    void AddRateName(const std::string& name) override;
    std::string RateText() const override;
    void SetRateText(const std::string& text) override;
    void SetStartStopCaption(const std::string& caption) override;
    void SetStartStopEnabled(bool enabled) override;
    void SetMenuStartStopCaption(const std::string& caption) override;
    void SetMenuStartStopEnabled(bool enabled) override;
    std::string WindowTitle() const override;
    void SetWindowTitle(const std::string& title) override;
    void SetTrayIconVisible(bool visible) override;
    void SetTrayTip(const std::string& tip) override;
    void ShowTrayMessage(const std::string& title, const std::string& text) override;
    void SetHelp(int command, const std::string& helpFile) override;
    void CloseSplash() override;

    // Controls, named as the window's design names them.
    QGroupBox* frameButtons;
    QPushButton* cmdLogViewer;
    QPushButton* StartStop;
    QPushButton* cmdOptions;
    QPushButton* Command5; // "About": the about box
    QPushButton* Command6; // "Calculator": the cost calculator
    QPushButton* hide;
    QPushButton* help;
    QGroupBox* frameProfile;
    QPushButton* cmdChangeProfile;
    QLabel* lblCurrentProfile;
    QLabel* Label9;    // "Current Profile: "
    QGroupBox* Frame4; // "ISP charges": free time left and cost per hour
    QLabel* LblISPCostPerHour;
    QLabel* lblFreeTimeLeft;
    QLabel* Label8;              // "Cost per hour:"
    QLabel* Label5;              // "Free time left:"
    QLabel* lblMonthDataCaption; // "Month's data:"
    QLabel* lblMonthData;        // the month's bytes against the allowance
    CommonDialog CommonDialog1;  // the window's help
    ::ZTray* ZTray;
    QGroupBox* Frame3; // "Phone charges": the charge rate and its cost per minute
    QComboBox* Rate;
    QLabel* Label3; // "Cost per minute:"
    QLabel* Label4; // "Charge rate:"
    QLabel* Cost;
    QGroupBox* Frame2;     // "Cumulative total"
    QPushButton* Command3; // "Reset" of the cumulative total
    QLabel* LastResetLabel;
    QLabel* Label10; // "Last reset:"
    QLabel* CTime;
    QLabel* CMoney;
    QLabel* Label7;                // "Money:" of the cumulative total
    QLabel* Label6;                // "Time:" of the cumulative total
    QGroupBox* Frame1;             // "This session"
    QPushButton* Command2;         // "Reset" of this session
    QLabel* Label1;                // "Time:" of this session
    QLabel* Label2;                // "Money:" of this session
    QLabel* lblSessionDataCaption; // "Data:" of this session
    QLabel* lblSessionData;
    QLabel* Money;
    QLabel* Time;
    QTimer* Timer1; // the tick, every 0.5 s: calls, totals, free time and alarms
    QTimer* Timer2; // every 2 s: title, tray tip and the rate in force

    QMenu* TrayMenu;
    QAction* mStartStop;
    QAction* mShow;
    QAction* mViewLog;
    QAction* mChgProfile;
    QAction* mOptions;
    QAction* mLine1; // the separator before "Exit"
    QAction* mExit;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    // Widens the figures' labels, their frames and the window to what the texts need, never below
    // the design; frames keep their columns.
    void FitFigures();
    QLabel* Caption(QWidget* parent, const char* name, const QString& text, int left, int top, int width);
    QPushButton* Button(QWidget* parent, const char* name, const QString& text, int left, int top, int width);
    QLabel* LabelFor(MainLabel label) const;
    void ConnectHandlers();
    // Runs a handler inside the error boundary, counting how deep handlers are nested, and unloads
    // afterwards if that was asked for meanwhile.
    template <typename F> void Handle(const char* name, F&& handler);
    void TryPendingUnload();
    void PendingUnload();

    Globals& m_globals;
    const Settings& m_settings;
    const Clock& m_clock;
    UserInterface& m_ui;
    QWidget* m_splash = nullptr;
    // A caption and the figure to its right, at their designed places.
    struct FigureRow {
        QLabel* Caption;
        QLabel* Figure;
        QRect CaptionDesign, FigureDesign;
    };
    std::vector<FigureRow> m_figureRows;
    // Where the window was last shown, for it to come back there.
    std::optional<QPoint> m_shownAt;
    // The profile's whole name; the label shows as much as fits.
    QString m_profileName;
    bool m_menuStartStopEnabled = true;

    std::unique_ptr<DialUpService> m_noLines;
    std::unique_ptr<DetectConnection> m_detect;
    std::unique_ptr<SessionJournal> m_journal;
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<MainWindowCommands> m_commands;
    // A modal window opened by the tick runs a nested loop, in which the held watch fires.
    bool m_inTimer1 = false;
    // Qt never fires a timer again inside its own handler, so while a window of the tick waits this
    // one watches the line and keeps the journal in its place.
    QTimer* m_heldWatch = nullptr;
    // Likewise while the rate question of the second timer is open; the tick goes on meanwhile.
    bool m_inTimer2 = false;
    int m_handlerDepth = 0;
    std::optional<int> m_pendingUnload;
    bool m_unloaded = false;
    bool m_loadStarted = false;
    std::function<void()> m_endBeforeLoad;
    // The about box and the calculator are one each; a second request brings the open one forward.
    QPointer<frmAbout> m_about;
    QPointer<Calculator> m_calculator;
    // The options dialog while it is open; there is only ever one.
    QPointer<frmOptions> m_options;
    std::unique_ptr<Autostart> m_autostart;
};
