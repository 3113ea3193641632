#include "ui/startup/frmMain.h"

#include "engine/ModelLoad.h"
#include "engine/RateTimer.h"
#include "engine/Tick.h"
#include "platform/Platform.h"
#include "settings/ErrorBoundary.h"
#include "startup/SessionRecovery.h"
#include "ui/dialogs/Calculator.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmOptions.h"
#include "ui/startup/ZTray.h"
#include "ui/widgets/AppIcon.h"
#include "ui/widgets/FormWidgets.h"
#include "ui/widgets/Twips.h"
#include "ui/widgets/WrappedTip.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <map>

namespace {
constexpr int kWindowWidth = 6000;
// Caption bar and borders of the designed window height.
constexpr int kNonClientHeight = 345;
constexpr int kLabelHeight = 285;
constexpr int kButtonHeight = 375;
// Where the main window was, passed by a copy closing for a profile switch to the copy it starts.
constexpr const char* kWindowAtVariable = "TALLYDIAL_WINDOW_AT";

// The lines watched until the application gives the real ones.
class NoDialUpLines final : public DialUpService {
public:
    bool EstablishedFlag() override { return false; }
    bool EnumConnections(std::vector<DialUpConnection>& connections) override {
        connections.clear();
        return true;
    }
    bool HangUp(std::uint64_t) override { return false; }
};

// Shows a window that doesn't block the main window, in front of the others.
void ShowInFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

// Closes every modal window; the handlers that opened them go on with a cancelled answer.
void CloseModalWindows() {
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}
} // namespace

frmMain::frmMain(Globals& globals, const Settings& settings, const Clock& clock, UserInterface& ui,
                 QWidget* parent)
    : QWidget(parent), m_globals(globals), m_settings(settings), m_clock(clock), m_ui(ui) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tallydial"));
    setWindowIcon(AppIcon::Icon());
    CreateControls();
    ArrangeLayout(4560, 5820, false);
    m_noLines = std::make_unique<NoDialUpLines>();
    SetDialUpService(*m_noLines);
    ConnectHandlers();
    // The copy that a profile switch started shows its window where the closing copy's was.
    const QStringList at = qEnvironmentVariable(kWindowAtVariable).split(QLatin1Char(','));
    qunsetenv(kWindowAtVariable);
    if (at.size() == 2) {
        const QPoint point(at[0].toInt(), at[1].toInt());
        if (QGuiApplication::screenAt(point)) m_shownAt = point;
    }
}

frmMain::~frmMain() = default;

QLabel* frmMain::Caption(QWidget* parent, const char* name, const QString& text, int left, int top,
                         int width) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    Twips::Place(label, left, top, width, kLabelHeight);
    return label;
}

QPushButton* frmMain::Button(QWidget* parent, const char* name, const QString& text, int left, int top,
                             int width) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    Twips::Place(button, left, top, width, kButtonHeight);
    return button;
}

void frmMain::CreateControls() {
    const auto frame = [this](const char* name, const QString& title, int left, int top, int width,
                              int height) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(QString::fromLatin1(name));
        Twips::Place(box, left, top, width, height);
        return box;
    };

    Frame1 = frame("Frame1", QStringLiteral("This session"), 120, 60, 2820, 2160);
    Label1 = Caption(Frame1, "Label1", QStringLiteral("Time:"), 240, 420, 960);
    Time = Caption(Frame1, "Time", QStringLiteral("00:00:00"), 1260, 420, 1440);
    Label2 = Caption(Frame1, "Label2", QStringLiteral("Money:"), 240, 840, 960);
    Money = Caption(Frame1, "Money", QStringLiteral("£00.00"), 1260, 840, 1440);
    lblSessionDataCaption = Caption(Frame1, "lblSessionDataCaption", QStringLiteral("Data:"), 240, 1260, 960);
    lblSessionData = Caption(Frame1, "lblSessionData", QStringLiteral("0 B"), 1260, 1260, 1440);
    Command2 = Button(Frame1, "Command2", QStringLiteral("Reset"), 1500, 1620, 1080);

    Frame2 = frame("Frame2", QStringLiteral("Cumulative total"), 3060, 60, 2820, 2160);
    Label6 = Caption(Frame2, "Label6", QStringLiteral("Time:"), 240, 420, 960);
    CTime = Caption(Frame2, "CTime", QStringLiteral("00:00:00"), 1260, 420, 1440);
    Label7 = Caption(Frame2, "Label7", QStringLiteral("Money:"), 240, 840, 960);
    CMoney = Caption(Frame2, "CMoney", QStringLiteral("£00.00"), 1260, 840, 1440);
    Label10 = Caption(Frame2, "Label10", QStringLiteral("Last reset:"), 240, 1260, 1000);
    LastResetLabel = Caption(Frame2, "LastResetLabel", QStringLiteral("11/11/11"), 1260, 1260, 1440);
    Command3 = Button(Frame2, "Command3", QStringLiteral("Reset"), 1500, 1620, 1080);

    Frame3 = frame("Frame3", QStringLiteral("Phone charges"), 120, 2340, 2820, 2100);
    Label4 = Caption(Frame3, "Label4", QStringLiteral("Charge rate:"), 240, 420, 2340);
    Rate = new QComboBox(Frame3);
    Rate->setObjectName(QStringLiteral("Rate"));
    Twips::Place(Rate, 240, 720, 2340, kButtonHeight);
    Label3 = Caption(Frame3, "Label3", QStringLiteral("Cost per minute:"), 240, 1260, 1680);
    Cost = Caption(Frame3, "Cost", QStringLiteral("£00.00"), 1920, 1260, 840);

    Frame4 = frame("Frame4", QStringLiteral("ISP charges"), 3060, 2340, 2820, 2100);
    Label5 = Caption(Frame4, "Label5", QStringLiteral("Free time left:"), 240, 420, 1440);
    lblFreeTimeLeft = Caption(Frame4, "lblFreeTimeLeft", QStringLiteral("Unlimited"), 1740, 420, 960);
    Label8 = Caption(Frame4, "Label8", QStringLiteral("Cost per hour:"), 240, 840, 1440);
    LblISPCostPerHour = Caption(Frame4, "LblISPCostPerHour", QStringLiteral("£01.00"), 1740, 840, 960);
    lblMonthDataCaption =
        Caption(Frame4, "lblMonthDataCaption", QStringLiteral("Month's data:"), 240, 1260, 1440);
    lblMonthData = Caption(Frame4, "lblMonthData", QStringLiteral("0 B"), 1740, 1260, 960);

    frameProfile = frame("frameProfile", QStringLiteral("Profile"), 120, 4560, 5760, 900);
    Label9 = Caption(frameProfile, "Label9", QStringLiteral("Current Profile: "), 240, 420, 1620);
    lblCurrentProfile =
        Caption(frameProfile, "lblCurrentProfile", QStringLiteral("Default"), 1860, 420, 1920);
    cmdChangeProfile =
        Button(frameProfile, "cmdChangeProfile", QStringLiteral("Change Profile"), 3840, 330, 1800);

    frameButtons = frame("frameButtons", QString(), 120, 4560, 5760, 840);
    const int columns[] = {75, 1485, 2895, 4305};
    constexpr int buttonWidth = 1350;
    cmdLogViewer =
        Button(frameButtons, "cmdLogViewer", QStringLiteral("View Log"), columns[0], 60, buttonWidth);
    StartStop = Button(frameButtons, "StartStop", QStringLiteral("Start"), columns[1], 60, buttonWidth);
    cmdOptions = Button(frameButtons, "cmdOptions", QStringLiteral("Options"), columns[2], 60, buttonWidth);
    Command5 = Button(frameButtons, "Command5", QStringLiteral("About"), columns[3], 60, buttonWidth);
    Command6 = Button(frameButtons, "Command6", QStringLiteral("Calculator"), columns[0], 465, buttonWidth);
    hide = Button(frameButtons, "hide", QStringLiteral("Hide"), columns[1], 465, buttonWidth);
    help = Button(frameButtons, "help", QStringLiteral("Help"), columns[2], 465, buttonWidth);

    const auto row = [this](QLabel* caption, QLabel* figure) {
        m_figureRows.push_back({caption, figure, caption->geometry(), figure->geometry()});
    };
    row(Label1, Time);
    row(Label2, Money);
    row(Label6, CTime);
    row(Label7, CMoney);
    row(Label10, LastResetLabel);
    row(Label3, Cost);
    row(Label5, lblFreeTimeLeft);
    row(Label8, LblISPCostPerHour);
    row(lblSessionDataCaption, lblSessionData);
    row(lblMonthDataCaption, lblMonthData);

    ZTray = new ::ZTray(this);
    ZTray->setObjectName(QStringLiteral("ZTray"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(2000);
    m_heldWatch = new QTimer(this);
    m_heldWatch->setInterval(500);
    connect(m_heldWatch, &QTimer::timeout, this, &frmMain::Timer1_Timer);

    TrayMenu = new QMenu(this);
    TrayMenu->setObjectName(QStringLiteral("TrayMenu"));
    const auto item = [this](const char* name, const QString& caption) {
        QAction* action = TrayMenu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mStartStop = item("mStartStop", QStringLiteral("Start"));
    mShow = item("mShow", QStringLiteral("Show Main Window"));
    mViewLog = item("mViewLog", QStringLiteral("View Log"));
    mChgProfile = item("mChgProfile", QStringLiteral("Change Current Profile"));
    mOptions = item("mOptions", QStringLiteral("Options"));
    mLine1 = TrayMenu->addSeparator();
    mLine1->setObjectName(QStringLiteral("mLine1"));
    mExit = item("mExit", QStringLiteral("Exit"));
    ZTray->SetMenu(TrayMenu);
}

void frmMain::Form_Load() {
    m_loadStarted = true;
    LoadModel(m_globals, m_settings, m_clock, m_ui, *this);
    std::optional<std::string> recovered;
    if (m_journal)
        Guarded(m_ui, "frmMain.Form_Load",
                [this, &recovered] { recovered = RecoverSession(*m_engine, *m_journal); });
    Timer1->start();
    Timer2->start();
    // Told once the window is up and the tick runs.
    if (recovered)
        QTimer::singleShot(0, this, [this, message = *recovered] {
            Handle("frmMain.Form_Load",
                   [&] { m_ui.MsgBox(message, MsgButtons::OK, MsgIcon::Information, kRecoveredTitle); });
        });
}

void frmMain::HideMainWindow() {
    // Without a tray a hidden window could never be brought back.
    if (!ZTray::Available()) return;
    if (isVisible()) m_shownAt = geometry().topLeft();
    QWidget::hide();
}

void frmMain::ShowMainWindow() {
    // Placed by the program, the window shows where it was rather than where the desktop puts a new
    // one; the platform window is told even when the place is unchanged, so that it tells the desktop.
    if (m_shownAt && isHidden()) {
        winId();
        if (QWindow* window = windowHandle()) window->setPosition(*m_shownAt);
    }
    QWidget::show();
    raise();
    activateWindow();
}

void frmMain::ArrangeLayout(int frameButtonsTop, int windowHeight, bool profileFrameVisible) {
    frameButtons->move(frameButtons->x(), Twips::ToPixels(frameButtonsTop, this));
    frameProfile->setVisible(profileFrameVisible);
    setFixedHeight(Twips::ToPixels(windowHeight - kNonClientHeight, this));
    FitFigures();
}

void frmMain::FitFigures() {
    const int margin = Twips::ToPixels(120, this);
    // The width each frame needs for its rows.
    std::map<QWidget*, int> needed;
    for (const FigureRow& row : m_figureRows) {
        const int gap = row.FigureDesign.left() - row.CaptionDesign.right();
        const int captionWidth = std::max(row.CaptionDesign.width(), row.Caption->sizeHint().width());
        const int figureLeft =
            std::max(row.FigureDesign.left(), row.CaptionDesign.left() + captionWidth + gap - 1);
        const int figureWidth = std::max(row.FigureDesign.width(), row.Figure->sizeHint().width());
        row.Caption->resize(captionWidth, row.CaptionDesign.height());
        row.Figure->setGeometry(figureLeft, row.FigureDesign.top(), figureWidth, row.FigureDesign.height());
        // The frame grows by what the row grew beyond its design.
        int& grown = needed[row.Figure->parentWidget()];
        grown =
            std::max(grown, figureLeft + figureWidth - (row.FigureDesign.left() + row.FigureDesign.width()));
    }
    const int designFrame = Twips::ToPixels(2820, this);
    const int left = designFrame + std::max(needed[Frame1], needed[Frame3]);
    const int right = designFrame + std::max(needed[Frame2], needed[Frame4]);
    Frame1->resize(left, Frame1->height());
    Frame3->resize(left, Frame3->height());
    const int rightColumn = Frame1->x() + left + margin;
    Frame2->setGeometry(rightColumn, Frame2->y(), right, Frame2->height());
    Frame4->setGeometry(rightColumn, Frame4->y(), right, Frame4->height());
    const int inner = Twips::ToPixels(480, this);
    Label4->resize(left - inner, Label4->height());
    Rate->resize(left - inner, Rate->height());

    const int width = std::max(Twips::ToPixels(kWindowWidth, this), rightColumn + right + margin);
    frameProfile->resize(width - 2 * margin, frameProfile->height());
    frameButtons->resize(width - 2 * margin, frameButtons->height());
    if (minimumWidth() != width || maximumWidth() != width) setFixedWidth(width);
}

QLabel* frmMain::LabelFor(MainLabel label) const {
    switch (label) {
    case MainLabel::lblCurrentProfile:
        return lblCurrentProfile;
    case MainLabel::Cost:
        return Cost;
    case MainLabel::Time:
        return Time;
    case MainLabel::Money:
        return Money;
    case MainLabel::CTime:
        return CTime;
    case MainLabel::CMoney:
        return CMoney;
    case MainLabel::LastResetLabel:
        return LastResetLabel;
    case MainLabel::lblFreeTimeLeft:
        return lblFreeTimeLeft;
    case MainLabel::LblISPCostPerHour:
        return LblISPCostPerHour;
    case MainLabel::lblSessionData:
        return lblSessionData;
    case MainLabel::lblMonthData:
        return lblMonthData;
    }
    return nullptr;
}

void frmMain::SetLabel(MainLabel label, const std::string& text) {
    QLabel* target = LabelFor(label);
    QString value = Q(text);
    if (target == lblCurrentProfile) {
        // A long name shows as much as fits, and whole in its tool tip.
        m_profileName = value;
        value = target->fontMetrics().elidedText(value, Qt::ElideRight, target->contentsRect().width());
        target->setToolTip(value == m_profileName ? QString() : WrappedTip(m_profileName, target));
    }
    // Unchanged text is not set again, so the tick causes no repaint.
    if (!target || target->text() == value) return;
    target->setText(value);
    // A figure that outgrows its label widens the window; one that shrinks back narrows it again.
    if (target != lblCurrentProfile) FitFigures();
}

void frmMain::ClearRateList() {
    Rate->clear();
}

void frmMain::AddRateName(const std::string& name) {
    Rate->addItem(Q(name));
}

std::string frmMain::RateText() const {
    return Rate->currentText().toStdString();
}

void frmMain::SetRateText(const std::string& text) {
    Rate->setCurrentIndex(Rate->findText(Q(text)));
}

void frmMain::SetStartStopCaption(const std::string& caption) {
    StartStop->setText(Q(caption));
}

void frmMain::SetStartStopEnabled(bool enabled) {
    StartStop->setEnabled(enabled);
}

void frmMain::SetMenuStartStopCaption(const std::string& caption) {
    mStartStop->setText(Q(caption));
}

void frmMain::SetMenuStartStopEnabled(bool enabled) {
    m_menuStartStopEnabled = enabled;
    mStartStop->setEnabled(enabled);
}

std::string frmMain::WindowTitle() const {
    return windowTitle().toStdString();
}

void frmMain::SetWindowTitle(const std::string& title) {
    setWindowTitle(Q(title));
}

void frmMain::SetTrayIconVisible(bool visible) {
    ZTray->IconVisible(visible);
}

void frmMain::SetTrayTip(const std::string& tip) {
    ZTray->TipText(Q(tip));
}

void frmMain::ShowTrayMessage(const std::string& title, const std::string& text) {
    ZTray->ShowMessage(Q(title), Q(text));
}

void frmMain::SetHelp(int command, const std::string& helpFile) {
    CommonDialog1.HelpCommand = command;
    CommonDialog1.HelpFile = Q(helpFile);
}

void frmMain::CloseSplash() {
    if (m_splash) m_splash->close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The window stays until the unload ends the program; the question may keep it.
    event->ignore();
    if (!m_unloaded) Unload(UnloadModes::CloseBox);
}

void frmMain::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) Form_KeyUp(kF1);
    QWidget::keyReleaseEvent(event);
}

void frmMain::SetDialUpService(DialUpService& service) {
    m_detect = std::make_unique<DetectConnection>(service);
    m_engine = std::make_unique<Engine>(
        Engine{m_globals, m_settings, m_clock, *m_detect, m_ui, *this, m_journal.get()});
    m_commands = std::make_unique<MainWindowCommands>(*m_engine, *this);
}

void frmMain::SetJournalFile(JournalFile& file) {
    m_journal = std::make_unique<SessionJournal>(file);
    m_engine->Journal = m_journal.get();
}

void frmMain::ConnectHandlers() {
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &frmMain::Timer2_Timer);
    connect(StartStop, &QPushButton::clicked, this, &frmMain::StartStop_Click);
    connect(cmdLogViewer, &QPushButton::clicked, this, &frmMain::cmdLogViewer_Click);
    connect(cmdOptions, &QPushButton::clicked, this, &frmMain::cmdOptions_Click);
    connect(Command5, &QPushButton::clicked, this, &frmMain::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &frmMain::Command6_Click);
    connect(hide, &QPushButton::clicked, this, &frmMain::hide_Click);
    connect(help, &QPushButton::clicked, this, &frmMain::help_Click);
    connect(cmdChangeProfile, &QPushButton::clicked, this, &frmMain::cmdChangeProfile_Click);
    connect(Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmMain::Command3_Click);
    connect(mStartStop, &QAction::triggered, this, &frmMain::mStartStop_Click);
    connect(mShow, &QAction::triggered, this, &frmMain::mShow_Click);
    connect(mViewLog, &QAction::triggered, this, &frmMain::mViewLog_Click);
    connect(mChgProfile, &QAction::triggered, this, &frmMain::mChgProfile_Click);
    connect(mOptions, &QAction::triggered, this, &frmMain::mOptions_Click);
    connect(mExit, &QAction::triggered, this, &frmMain::mExit_Click);
    connect(ZTray, &::ZTray::Click, this, &frmMain::ZTray_Click);
    connect(TrayMenu, &QMenu::aboutToShow, this, &frmMain::TrayMenu_AboutToShow);
    Platform::OnEndFromOutside([self = QPointer<frmMain>(this)] {
        if (self)
            Guarded(self->m_ui, "frmMain.UnloadSignals_Arrived",
                    [&self] { self->RequestUnload(UnloadModes::TaskManager); });
    });
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            Guarded(m_ui, "frmMain.commitDataRequest", [this] { RequestUnload(UnloadModes::SessionEnding); });
        });
}

template <typename F> void frmMain::Handle(const char* name, F&& handler) {
    ++m_handlerDepth;
    Guarded(m_ui, name, handler);
    --m_handlerDepth;
    if (m_handlerDepth == 0 && m_pendingUnload) QTimer::singleShot(0, this, &frmMain::TryPendingUnload);
}

void frmMain::Timer1_Timer() {
    if (m_unloaded) return;
    if (m_inTimer1) {
        // A window of the tick is open: only the line is watched, so that a call ends when it did.
        Handle("frmMain.Timer1_Timer", [this] { WatchLineWhileHeld(*m_engine); });
        return;
    }
    m_inTimer1 = true;
    m_heldWatch->start();
    Handle("frmMain.Timer1_Timer", [this] { ::Timer1_Timer(*m_engine); });
    m_heldWatch->stop();
    m_inTimer1 = false;
}

void frmMain::Timer2_Timer() {
    if (m_inTimer2 || m_unloaded) return;
    m_inTimer2 = true;
    Handle("frmMain.Timer2_Timer", [this] { ::Timer2_Timer(*m_engine); });
    m_inTimer2 = false;
}

void frmMain::StartStop_Click() {
    Handle("frmMain.StartStop_Click", [this] { m_commands->StartStop_Click(); });
}

void frmMain::mStartStop_Click() {
    Handle("frmMain.mStartStop_Click", [this] { m_commands->mStartStop_Click(); });
}

void frmMain::cmdLogViewer_Click() {
    Handle("frmMain.cmdLogViewer_Click", [this] { m_commands->cmdLogViewer_Click(); });
}

// Not modal; asked for again while open, it only comes forward with what the user typed.
void frmMain::cmdOptions_Click() {
    Handle("frmMain.cmdOptions_Click", [this] {
        if (!m_options) {
            if (!m_autostart) m_autostart = Platform::MakeAutostart();
            m_options = new frmOptions(*m_engine, *this, *m_autostart, this);
            m_options->setAttribute(Qt::WA_DeleteOnClose);
            m_options->Form_Load();
        }
        ShowInFront(m_options);
    });
}

void frmMain::Command5_Click() {
    Handle("frmMain.Command5_Click", [this] {
        if (!m_about) m_about = new frmAbout(m_ui, this);
        ShowInFront(m_about);
    });
}

void frmMain::Command6_Click() {
    Handle("frmMain.Command6_Click", [this] {
        if (!m_calculator) m_calculator = new Calculator(m_globals, m_settings.UserLocale(), m_ui, this);
        ShowInFront(m_calculator);
    });
}

void frmMain::help_Click() {
    Handle("frmMain.help_Click", [this] { CommonDialog1.ShowTopic(this, CommonDialog::ContentsTopic); });
}

void frmMain::Form_KeyUp(int keyCode) {
    if (keyCode != kF1) return;
    Handle("frmMain.Form_KeyUp", [this] { CommonDialog1.ShowTopic(this, CommonDialog::MainWindowTopic); });
}

void frmMain::hide_Click() {
    Handle("frmMain.hide_Click", [this] {
        m_commands->hide_Click();
        if (!ZTray::Available()) showMinimized();
    });
}

void frmMain::cmdChangeProfile_Click() {
    Handle("frmMain.cmdChangeProfile_Click", [this] { m_commands->cmdChangeProfile_Click(); });
}

void frmMain::Command2_Click() {
    Handle("frmMain.Command2_Click", [this] { m_commands->Command2_Click(); });
}

void frmMain::Command3_Click() {
    Handle("frmMain.Command3_Click", [this] { m_commands->Command3_Click(); });
}

void frmMain::mShow_Click() {
    Handle("frmMain.mShow_Click", [this] { ShowMainWindow(); });
}

// The menu items press their buttons, so whatever a button's click does, its menu item does too.
void frmMain::mViewLog_Click() {
    cmdLogViewer->click();
}

void frmMain::mChgProfile_Click() {
    cmdChangeProfile->click();
}

void frmMain::mOptions_Click() {
    cmdOptions->click();
}

void frmMain::mExit_Click() {
    Handle("frmMain.mExit_Click", [this] { m_commands->mExit_Click(); });
}

void frmMain::ZTray_Click(qint16 button) {
    Handle("frmMain.ZTray_Click", [this, button] {
        if (m_commands->ZTray_Click(button) != TrayClickAction::PopUpMenu) return;
        // In front, so that the menu closes when the user clicks elsewhere.
        activateWindow();
        TrayMenu->popup(QCursor::pos());
    });
}

// The desktop may show the menu without a click reaching us, so the menu itself keeps the icon
// to a beep while a modal prompt is open.
void frmMain::TrayMenu_AboutToShow() {
    Guarded(m_ui, "frmMain.TrayMenu_AboutToShow", [this] {
        const bool enabled = m_globals.TrayEnabled;
        if (!enabled) m_ui.Beep();
        for (QAction* action : TrayMenu->actions())
            action->setEnabled(enabled && (action != mStartStop || m_menuStartStopEnabled));
    });
}

void frmMain::Unload(int unloadMode) {
    if (m_unloaded) return;
    Handle("frmMain.Unload", [this, unloadMode] {
        if (m_commands->Form_QueryUnload(unloadMode)) return;
        m_unloaded = true;
        m_pendingUnload.reset();
        Timer1->stop();
        Timer2->stop();
        m_commands->Form_Unload(unloadMode);
    });
}

void frmMain::RequestUnload(int unloadMode) {
    // Saving a model that was never loaded would write its defaults over the stored totals.
    if (!m_loadStarted) {
        if (m_endBeforeLoad) m_endBeforeLoad();
        return;
    }
    if (m_unloaded) {
        // The unload is under way: let it finish without waiting for anyone.
        CloseModalWindows();
        return;
    }
    if (m_handlerDepth == 0 && !QApplication::activeModalWidget()) {
        Unload(unloadMode);
        return;
    }
    m_pendingUnload = unloadMode;
    CloseModalWindows();
    QTimer::singleShot(0, this, &frmMain::TryPendingUnload);
}

void frmMain::TryPendingUnload() {
    Guarded(m_ui, "frmMain.TryPendingUnload", [this] { PendingUnload(); });
}

void frmMain::PendingUnload() {
    if (m_unloaded || !m_pendingUnload) return;
    if (m_handlerDepth > 0 || QApplication::activeModalWidget()) {
        CloseModalWindows();
        QTimer::singleShot(20, this, &frmMain::TryPendingUnload);
        return;
    }
    const int mode = *m_pendingUnload;
    m_pendingUnload.reset();
    Unload(mode);
}

bool frmMain::StartLogViewer() {
    const std::filesystem::path companion =
        Platform::CompanionProgram(QCoreApplication::applicationDirPath().toStdString(), "logviewer");
    const QString program = companion.empty() ? QStandardPaths::findExecutable(QStringLiteral("logviewer"))
                                              : QString::fromStdString(companion.string());
    return !program.isEmpty() && QProcess::startDetached(program, {});
}

long frmMain::StartOwnExecutable(const std::string& arguments) {
    constexpr long kFileNotFound = 53;
    constexpr long kInvalidProcedureCall = 5;
    const QString program = QCoreApplication::applicationFilePath();
    if (!QFileInfo(program).isExecutable()) return kFileNotFound;
    QProcess process;
    process.setProgram(program);
    process.setArguments(Q(arguments).split(QLatin1Char(' '), Qt::SkipEmptyParts));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (const std::optional<QPoint> at =
            isVisible() ? std::optional<QPoint>(geometry().topLeft()) : m_shownAt)
        environment.insert(QString::fromLatin1(kWindowAtVariable),
                           QStringLiteral("%1,%2").arg(at->x()).arg(at->y()));
    process.setProcessEnvironment(environment);
    return process.startDetached() ? 0 : kInvalidProcedureCall;
}

void frmMain::UnloadMainWindow() {
    Unload(UnloadModes::Code);
}

void frmMain::EndProgram() {
    Timer1->stop();
    Timer2->stop();
    QWidget::hide();
    QCoreApplication::quit();
}
