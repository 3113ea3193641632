#include "ui/dialogs/frmOptions.h"

#include "settings/ErrorBoundary.h"
#include "ui/dialogs/frmSetFreeTimeLeft.h"
#include "ui/engine/frmAutoSelect.h"
#include "ui/settings/frmNewProfile.h"
#include "ui/widgets/FormWidgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedLayout>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString Indexed(const char* name, size_t index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLabel* Label(const QString& text, const QString& name) {
    return Named(new QLabel(text), name);
}

QLineEdit* Box(const QString& name, int characters) {
    auto* box = Named(new QLineEdit, name);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('0')) * characters + 12);
    return box;
}

// The row of dots that leads from a caption to its box; it yields width to the other columns.
QLabel* Dots(const QString& name) {
    auto* dots = Label(QString(80, QLatin1Char('.')), name);
    dots->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    dots->setMinimumWidth(dots->fontMetrics().horizontalAdvance(QStringLiteral(". . . . . .")));
    return dots;
}

// Shift states as the handlers take them.
constexpr int kShift = 1;
constexpr int kCtrl = 2;
constexpr int kAlt = 4;

int ShiftState(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? kShift : 0) | (modifiers & Qt::ControlModifier ? kCtrl : 0) |
           (modifiers & Qt::AltModifier ? kAlt : 0);
}

} // namespace

frmOptions::frmOptions(Engine& engine, MainWindowHost& host, Autostart& autostart, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_host(host), m_autostart(autostart) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    CreateControls();
    ConnectHandlers();
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    installEventFilter(this);
}

void frmOptions::CreateControls() {
    tbsOptions = Named(new QTabWidget, QStringLiteral("tbsOptions"));
    static const char* const captions[] = {"Misc",  "Auto", "Phone Charges", "ISP charges",
                                           "Alarm", "Log",  "TaskBar",       "Profiles"};
    static const char* const tips[] = {"Misc options",
                                       "Settings for automatic connection detection",
                                       "Set Telephone charges",
                                       "Set ISP (Internet Service Provider) charges",
                                       "Set when alarm should go off",
                                       "Setup log",
                                       "Set options for TaskBar display",
                                       "Options for multiple profiles"};
    for (size_t i = 0; i < PicOptions.size(); ++i) {
        PicOptions[i] = Named(new QWidget, Indexed("PicOptions", i));
        tbsOptions->addTab(PicOptions[i], QString::fromLatin1(captions[i]));
        tbsOptions->setTabToolTip(static_cast<int>(i), QString::fromLatin1(tips[i]));
    }

    // Misc
    {
        Cur = Box(QStringLiteral("Cur"), 4);
        chkHideOnStart = Named(new QCheckBox(QStringLiteral("When the program is started.")),
                               QStringLiteral("chkHideOnStart"));
        chkHideOnLogon = Named(new QCheckBox(QStringLiteral("When you logon to the internet.")),
                               QStringLiteral("chkHideOnLogon"));
        auto* currency = new QHBoxLayout;
        currency->addWidget(Label(QStringLiteral("Currency Letter:"), QStringLiteral("lblCurrencyLetter")));
        currency->addWidget(Cur);
        currency->addStretch();
        auto* hiding = new QVBoxLayout;
        hiding->setContentsMargins(24, 0, 0, 0);
        hiding->addWidget(chkHideOnStart);
        hiding->addWidget(chkHideOnLogon);
        auto* page = new QVBoxLayout(PicOptions[0]);
        page->addLayout(currency);
        page->addSpacing(8);
        page->addWidget(
            Label(QStringLiteral("Automatically hide to the system tray:"), QStringLiteral("lblAutoHide")));
        page->addLayout(hiding);
        page->addStretch();
    }

    // Auto
    {
        chkAutoRun = Named(new QCheckBox(QStringLiteral("Run Tallydial when I load Windows.")),
                           QStringLiteral("chkAutoRun"));
        AutoCheckbox =
            Named(new QCheckBox(QStringLiteral("Automatically detect connection and start timing.")),
                  QStringLiteral("AutoCheckbox"));
        frmAuto = Named(new QGroupBox, QStringLiteral("frmAuto"));
        optFully = Named(
            new QRadioButton(QStringLiteral("Automatically start timing only when I am properly connected.")),
            QStringLiteral("optFully"));
        optStart =
            Named(new QRadioButton(QStringLiteral("Automatically start timing when I start to connect.")),
                  QStringLiteral("optStart"));
        optNT = Named(
            new QRadioButton(QStringLiteral("Compatibiity mode (Use this option if you have windows NT).")),
            QStringLiteral("optNT"));
        auto* options = new QVBoxLayout(frmAuto);
        options->addWidget(optFully);
        options->addWidget(optStart);
        options->addWidget(optNT);
        auto* page = new QVBoxLayout(PicOptions[1]);
        page->addWidget(chkAutoRun);
        page->addWidget(AutoCheckbox);
        page->addWidget(frmAuto);
        page->addStretch();
    }

    // Phone charges
    {
        auto* rows = new QGridLayout;
        for (size_t r = 0; r < 5; ++r) {
            RateName[r] = Box(Indexed("RateName", r), 16);
            CostLabel[r] = Label(QStringLiteral("Costs"), Indexed("CostLabel", r));
            PerMin[r] = Box(Indexed("PerMin", r), 9);
            PMLabel[r] = Label(QStringLiteral("Per Minute"), Indexed("PMLabel", r));
            ConfigAutoSelect[r] =
                Named(new QPushButton(QStringLiteral("Edit Auto Select")), Indexed("ConfigAutoSelect", r));
            const int row = static_cast<int>(r);
            rows->addWidget(RateName[r], row, 0);
            rows->addWidget(CostLabel[r], row, 1);
            rows->addWidget(PerMin[r], row, 2);
            rows->addWidget(PMLabel[r], row, 3);
            rows->addWidget(ConfigAutoSelect[r], row, 4);
        }
        rows->setColumnStretch(5, 1);
        txtMinCharge = Box(QStringLiteral("txtMinCharge"), 9);
        txtFailCost = Box(QStringLiteral("txtFailCost"), 9);
        auto* charges = new QGridLayout;
        charges->addWidget(Label(QStringLiteral("Minimum charge:"), QStringLiteral("lblMinCharge")), 0, 0);
        charges->addWidget(txtMinCharge, 0, 1);
        charges->addWidget(Label(QStringLiteral("Failed dials cost:"), QStringLiteral("lblFailCost")), 1, 0);
        charges->addWidget(txtFailCost, 1, 1);
        charges->setColumnStretch(2, 1);
        chkAskBeforeChanging =
            Named(new QCheckBox(QStringLiteral("Ask me before automatically changing the charge rate.")),
                  QStringLiteral("chkAskBeforeChanging"));
        auto* page = new QVBoxLayout(PicOptions[2]);
        page->addLayout(rows);
        page->addSpacing(8);
        page->addLayout(charges);
        page->addWidget(chkAskBeforeChanging);
        page->addStretch();
    }

    // ISP charges
    {
        ChkUnlimitedTime =
            Named(new QCheckBox(QStringLiteral("Unlimited free time")), QStringLiteral("ChkUnlimitedTime"));
        frmISPcharges = Named(new QGroupBox, QStringLiteral("frmISPcharges"));
        Label10 = Label(QStringLiteral("Free time"), QStringLiteral("Label10"));
        txtFreeTime = Box(QStringLiteral("txtFreeTime"), 9);
        Label14 = Label(QStringLiteral("hours per month"), QStringLiteral("Label14"));
        Label15 = Label(QStringLiteral("Cost Per Hour (After free time)"), QStringLiteral("Label15"));
        txtCostPerHour = Box(QStringLiteral("txtCostPerHour"), 9);
        Label16 = Label(QStringLiteral("Reset day"), QStringLiteral("Label16"));
        txtResetDay = Box(QStringLiteral("txtResetDay"), 9);
        Label17 = Label(QStringLiteral("th"), QStringLiteral("Label17"));
        cmdSetFreeTimeLeft = Named(new QPushButton(QStringLiteral("Set free time left")),
                                   QStringLiteral("cmdSetFreeTimeLeft"));
        auto* grid = new QGridLayout(frmISPcharges);
        grid->addWidget(Label10, 0, 0);
        grid->addWidget(Dots(QStringLiteral("lblFreeTimeDots")), 0, 1);
        grid->addWidget(txtFreeTime, 0, 2);
        grid->addWidget(Label14, 0, 3);
        grid->addWidget(Label15, 1, 0);
        grid->addWidget(Dots(QStringLiteral("lblCostPerHourDots")), 1, 1);
        grid->addWidget(txtCostPerHour, 1, 2);
        grid->addWidget(Label16, 2, 0);
        grid->addWidget(Dots(QStringLiteral("lblResetDayDots")), 2, 1);
        grid->addWidget(txtResetDay, 2, 2);
        grid->addWidget(Label17, 2, 3);
        grid->addWidget(cmdSetFreeTimeLeft, 3, 0, 1, 4, Qt::AlignLeft);
        grid->setColumnStretch(1, 1);
        // Volume is counted whatever the free time, so the allowance stays outside its frame.
        txtDataAllowance = Box(QStringLiteral("txtDataAllowance"), 9);
        auto* allowance = new QGridLayout;
        allowance->addWidget(
            Label(QStringLiteral("Data allowance per month"), QStringLiteral("lblDataAllowance")), 0, 0);
        allowance->addWidget(Dots(QStringLiteral("lblDataAllowanceDots")), 0, 1);
        allowance->addWidget(txtDataAllowance, 0, 2);
        allowance->addWidget(Label(QStringLiteral("GB (0 for none)"), QStringLiteral("lblDataAllowanceUnit")),
                             0, 3);
        allowance->setColumnStretch(1, 1);
        auto* page = new QVBoxLayout(PicOptions[3]);
        page->addWidget(ChkUnlimitedTime);
        page->addWidget(frmISPcharges);
        page->addSpacing(8);
        page->addLayout(allowance);
        page->addStretch();
    }

    // Alarm, read as sentences
    {
        chkUseAlarm = Named(new QCheckBox(QStringLiteral("Warn me when my")), QStringLiteral("chkUseAlarm"));
        cboATotal = Named(new QComboBox, QStringLiteral("cboATotal"));
        cboACostDuration = Named(new QComboBox, QStringLiteral("cboACostDuration"));
        // Both drop-downs are as wide as their longest item, which they get only when the form loads.
        cboATotal->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        cboACostDuration->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        txtAMoney = Box(QStringLiteral("txtAMoney"), 9);
        frmAlarmTime = Named(new QFrame, QStringLiteral("frmAlarmTime"));
        frmAlarmTime->setFrameShape(QFrame::NoFrame);
        txtATimeHours = Box(QStringLiteral("txtATimeHours"), 3);
        txtATimeMins = Box(QStringLiteral("txtATimeMins"), 3);
        auto* time = new QHBoxLayout(frmAlarmTime);
        time->setContentsMargins(0, 0, 0, 0);
        time->addWidget(txtATimeHours);
        time->addWidget(Label(QStringLiteral(":"), QStringLiteral("lblTimeColon")));
        time->addWidget(txtATimeMins);
        time->addStretch();
        // The money box and the time boxes share one place; the drop-down says which shows.
        auto* limit = new QWidget;
        limit->setObjectName(QStringLiteral("AlarmLimit"));
        m_alarmLimit = new QStackedLayout(limit);
        m_alarmLimit->setContentsMargins(0, 0, 0, 0);
        m_alarmLimit->addWidget(txtAMoney);
        m_alarmLimit->addWidget(frmAlarmTime);
        limit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

        chkAutoDisconnect =
            Named(new QCheckBox(QStringLiteral("Automatically disconnect from the Internet in")),
                  QStringLiteral("chkAutoDisconnect"));
        chkAutoDisconnectTime = Box(QStringLiteral("chkAutoDisconnectTime"), 4);
        chkISPAlarm = Named(new QCheckBox(QStringLiteral("Warn me when I run out of ISP free time")),
                            QStringLiteral("chkISPAlarm"));

        auto* alarm = new QHBoxLayout;
        alarm->addWidget(chkUseAlarm);
        alarm->addWidget(cboATotal);
        alarm->addWidget(Label(QStringLiteral("total exceeds the "), QStringLiteral("lblExceeds")));
        alarm->addWidget(cboACostDuration);
        alarm->addWidget(Label(QStringLiteral("of"), QStringLiteral("lblOf")));
        alarm->addWidget(limit);
        alarm->addStretch();
        auto* disconnect = new QHBoxLayout;
        disconnect->addWidget(chkAutoDisconnect);
        disconnect->addWidget(chkAutoDisconnectTime);
        disconnect->addWidget(Label(QStringLiteral("seconds"), QStringLiteral("lblSeconds")));
        disconnect->addStretch();
        txtDataWarning = Box(QStringLiteral("txtDataWarning"), 4);
        chkDataHangUp = Named(new QCheckBox(QStringLiteral("Hang up after a countdown when it is used up")),
                              QStringLiteral("chkDataHangUp"));
        auto* dataWarning = new QHBoxLayout;
        dataWarning->addWidget(Label(QStringLiteral("Warn me at"), QStringLiteral("lblDataWarning")));
        dataWarning->addWidget(txtDataWarning);
        dataWarning->addWidget(Label(QStringLiteral("% of the month's data allowance (0 for never)"),
                                     QStringLiteral("lblDataWarningOf")));
        dataWarning->addStretch();
        auto* page = new QVBoxLayout(PicOptions[4]);
        page->addLayout(alarm);
        page->addSpacing(8);
        page->addLayout(disconnect);
        page->addSpacing(8);
        page->addWidget(chkISPAlarm);
        page->addSpacing(8);
        page->addLayout(dataWarning);
        page->addWidget(chkDataHangUp);
        page->addStretch();
    }

    // Log
    {
        Log = Named(new QCheckBox(QStringLiteral("Log all Internet time.")), QStringLiteral("Log"));
        chkLogComments = Named(new QCheckBox(QStringLiteral(" Add comments to log file.")),
                               QStringLiteral("chkLogComments"));
        chkLogFails =
            Named(new QCheckBox(QStringLiteral("Log failed dials.")), QStringLiteral("chkLogFails"));
        Command3 = Named(new QPushButton(QStringLiteral("View Log")), QStringLiteral("Command3"));
        auto* boxes = new QVBoxLayout;
        boxes->addWidget(Log);
        boxes->addWidget(chkLogComments);
        boxes->addWidget(chkLogFails);
        boxes->addStretch();
        auto* page = new QHBoxLayout(PicOptions[5]);
        page->addLayout(boxes);
        page->addStretch();
        page->addWidget(Command3, 0, Qt::AlignTop);
    }

    // TaskBar
    {
        TimeOrMoney[0] = Named(new QRadioButton(QStringLiteral("Time spent")), Indexed("TimeOrMoney", 0));
        TimeOrMoney[1] = Named(new QRadioButton(QStringLiteral("Money spent")), Indexed("TimeOrMoney", 1));
        ThisSesOrCum[0] = Named(new QRadioButton(QStringLiteral("This session")), Indexed("ThisSesOrCum", 0));
        ThisSesOrCum[1] =
            Named(new QRadioButton(QStringLiteral("Cumulative total")), Indexed("ThisSesOrCum", 1));
        m_taskBarDisplay = new QButtonGroup(this);
        m_taskBarFrom = new QButtonGroup(this);
        for (int i = 0; i < 2; ++i) {
            m_taskBarDisplay->addButton(TimeOrMoney[static_cast<size_t>(i)], i);
            m_taskBarFrom->addButton(ThisSesOrCum[static_cast<size_t>(i)], i);
        }
        auto* from = Named(new QFrame, QStringLiteral("fraFrom"));
        from->setFrameShape(QFrame::NoFrame);
        auto* fromButtons = new QVBoxLayout(from);
        fromButtons->setContentsMargins(0, 0, 0, 0);
        fromButtons->addWidget(ThisSesOrCum[0]);
        fromButtons->addWidget(ThisSesOrCum[1]);
        auto* grid = new QGridLayout;
        grid->addWidget(Label(QStringLiteral("In TaskBar display:"), QStringLiteral("lblTaskBarDisplay")), 0,
                        0, Qt::AlignTop);
        grid->addWidget(TimeOrMoney[0], 0, 1);
        grid->addWidget(TimeOrMoney[1], 1, 1);
        grid->setRowMinimumHeight(2, 8);
        grid->addWidget(Label(QStringLiteral("From:"), QStringLiteral("lblFrom")), 3, 0, Qt::AlignTop);
        grid->addWidget(from, 3, 1);
        grid->setColumnStretch(2, 1);
        auto* page = new QVBoxLayout(PicOptions[6]);
        page->addLayout(grid);
        page->addStretch();
    }

    // Profiles
    {
        Command4 = Named(new QPushButton(QStringLiteral("New Profile")), QStringLiteral("Command4"));
        Command5 = Named(new QPushButton(QStringLiteral("Delete Profile")), QStringLiteral("Command5"));
        lstProfiles = Named(new QListWidget, QStringLiteral("lstProfiles"));
        auto* buttons = new QVBoxLayout;
        buttons->addWidget(Command4);
        buttons->addWidget(Command5);
        buttons->addStretch();
        auto* page = new QHBoxLayout(PicOptions[7]);
        page->addLayout(buttons);
        page->addWidget(lstProfiles, 1);
    }

    Command2 = Named(new QPushButton(QStringLiteral("Help")), QStringLiteral("Command2"));
    cmdOK = Named(new QPushButton(QStringLiteral("OK")), QStringLiteral("cmdOK"));
    cmdCancel = Named(new QPushButton(QStringLiteral("Cancel")), QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command2);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbsOptions);
    layout->addLayout(buttons);
    // A fixed-size dialog: it can be neither resized, minimised nor maximised.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // No default button: Enter in a box presses nothing, and on a button presses that button.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
}

void frmOptions::ConnectHandlers() {
    connect(tbsOptions, &QTabWidget::currentChanged, this, &frmOptions::tbsOptions_Click);
    connect(AutoCheckbox, &QCheckBox::toggled, this, &frmOptions::AutoCheckbox_Click);
    connect(ChkUnlimitedTime, &QCheckBox::toggled, this, &frmOptions::ChkUnlimitedTime_Click);
    connect(cboACostDuration, &QComboBox::currentTextChanged, this, &frmOptions::cboACostDuration_Change);
    connect(Command2, &QPushButton::clicked, this, &frmOptions::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmOptions::Command3_Click);
    connect(cmdSetFreeTimeLeft, &QPushButton::clicked, this, &frmOptions::cmdSetFreeTimeLeft_Click);
    connect(Command4, &QPushButton::clicked, this, &frmOptions::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmOptions::Command5_Click);
    for (size_t r = 0; r < ConfigAutoSelect.size(); ++r)
        connect(ConfigAutoSelect[r], &QPushButton::clicked, this,
                [this, r] { ConfigAutoSelect_Click(static_cast<int>(r)); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
}

template <typename F> void frmOptions::Handle(const char* name, F&& handler) {
    Guarded(m_engine.Ui, name, handler);
}

void frmOptions::Form_Load() {
    Handle("frmOptions.Form_Load", [this] {
        CommonDialog1.HelpFile = QStringLiteral("tallyd.hlp");
        CommonDialog1.HelpContextNumber = HelpContexts[0];
        // The drop-downs first: their items decide the dialog's width, and so where its centre lies.
        cboATotal->clear();
        cboATotal->addItems({QStringLiteral("This Session"), QStringLiteral("Cumulative")});
        cboACostDuration->clear();
        cboACostDuration->addItems({QStringLiteral("Cost"), QStringLiteral("Duration")});
        adjustSize();
        if (const QScreen* s = screen()) {
            const QRect area = s->availableGeometry();
            move(area.x() + (area.width() - frameGeometry().width()) / 2,
                 area.y() + (area.height() - frameGeometry().height()) / 2);
        }
        ShowControls(OptionsFromModel(m_engine.G, m_engine.Store));
        CopyProfilesForEditing(m_engine.G);
        SetupProfileList();
        // Opening runs no page switch: the help stays at the first page's topic.
        const QSignalBlocker quiet(tbsOptions);
        tbsOptions->setCurrentIndex(0);
        // The keyboard starts on the tab strip, where Ctrl+Tab and the arrows choose the page.
        tbsOptions->tabBar()->setFocus();
    });
}

// The focus is drawn where the keyboard starts, as after a Tab: styles draw it only once keys have
// moved it, and showing the window forgets that.
void frmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void frmOptions::ShowControls(const OptionsControls& c) {
    chkHideOnStart->setChecked(c.chkHideOnStart);
    chkHideOnLogon->setChecked(c.chkHideOnLogon);
    chkLogComments->setChecked(c.chkLogComments);
    chkLogFails->setChecked(c.chkLogFails);
    chkAskBeforeChanging->setChecked(c.chkAskBeforeChanging);
    AutoCheckbox->setChecked(c.AutoCheckbox);
    AutoCheckbox_Click();
    chkAutoRun->setChecked(c.chkAutoRun);
    txtMinCharge->setText(Q(c.txtMinCharge));
    txtFailCost->setText(Q(c.txtFailCost));
    for (size_t r = 0; r < 5; ++r) {
        RateName[r]->setText(Q(c.RateName[r]));
        PerMin[r]->setText(Q(c.PerMin[r]));
    }
    chkUseAlarm->setChecked(c.chkUseAlarm);
    cboACostDuration->setCurrentText(Q(c.cboACostDuration));
    cboACostDuration_Change();
    txtAMoney->setText(Q(c.txtAMoney));
    txtATimeHours->setText(Q(c.txtATimeHours));
    txtATimeMins->setText(Q(c.txtATimeMins));
    cboATotal->setCurrentText(Q(c.cboATotal));
    chkAutoDisconnect->setChecked(c.chkAutoDisconnect);
    chkISPAlarm->setChecked(c.chkISPAlarm);
    chkAutoDisconnectTime->setText(Q(c.chkAutoDisconnectTime));
    txtDataWarning->setText(Q(c.txtDataWarning));
    chkDataHangUp->setChecked(c.chkDataHangUp);
    Log->setChecked(c.Log);
    Cur->setText(Q(c.Cur));
    TimeOrMoney[c.TimeOrMoney0 ? 0 : 1]->setChecked(true);
    ThisSesOrCum[c.ThisSesOrCum0 ? 0 : 1]->setChecked(true);
    ChkUnlimitedTime->setChecked(c.ChkUnlimitedTime);
    ISPEnable(!c.ChkUnlimitedTime);
    txtFreeTime->setText(Q(c.txtFreeTime));
    txtCostPerHour->setText(Q(c.txtCostPerHour));
    txtResetDay->setText(Q(c.txtResetDay));
    txtDataAllowance->setText(Q(c.txtDataAllowance));
    optStart->setChecked(c.optStart);
    optNT->setChecked(c.optNT);
    optFully->setChecked(c.optFully);
}

OptionsControls frmOptions::Controls() const {
    OptionsControls c;
    c.Cur = S(Cur->text());
    c.chkHideOnStart = chkHideOnStart->isChecked();
    c.chkHideOnLogon = chkHideOnLogon->isChecked();
    c.chkAutoRun = chkAutoRun->isChecked();
    c.AutoCheckbox = AutoCheckbox->isChecked();
    c.optFully = optFully->isChecked();
    c.optStart = optStart->isChecked();
    c.optNT = optNT->isChecked();
    for (size_t r = 0; r < 5; ++r) {
        c.RateName[r] = S(RateName[r]->text());
        c.PerMin[r] = S(PerMin[r]->text());
    }
    c.txtMinCharge = S(txtMinCharge->text());
    c.txtFailCost = S(txtFailCost->text());
    c.chkAskBeforeChanging = chkAskBeforeChanging->isChecked();
    c.ChkUnlimitedTime = ChkUnlimitedTime->isChecked();
    c.txtFreeTime = S(txtFreeTime->text());
    c.txtCostPerHour = S(txtCostPerHour->text());
    c.txtResetDay = S(txtResetDay->text());
    c.txtDataAllowance = S(txtDataAllowance->text());
    c.chkUseAlarm = chkUseAlarm->isChecked();
    c.cboATotal = S(cboATotal->currentText());
    c.cboACostDuration = S(cboACostDuration->currentText());
    c.txtAMoney = S(txtAMoney->text());
    c.txtATimeHours = S(txtATimeHours->text());
    c.txtATimeMins = S(txtATimeMins->text());
    c.chkAutoDisconnect = chkAutoDisconnect->isChecked();
    c.chkAutoDisconnectTime = S(chkAutoDisconnectTime->text());
    c.chkISPAlarm = chkISPAlarm->isChecked();
    c.txtDataWarning = S(txtDataWarning->text());
    c.chkDataHangUp = chkDataHangUp->isChecked();
    c.Log = Log->isChecked();
    c.chkLogComments = chkLogComments->isChecked();
    c.chkLogFails = chkLogFails->isChecked();
    c.TimeOrMoney0 = TimeOrMoney[0]->isChecked();
    c.ThisSesOrCum0 = ThisSesOrCum[0]->isChecked();
    return c;
}

void frmOptions::tbsOptions_Click() {
    const int selected = tbsOptions->currentIndex();
    if (selected >= 0 && selected < static_cast<int>(HelpContexts.size()))
        CommonDialog1.HelpContextNumber = HelpContexts[static_cast<size_t>(selected)];
}

void frmOptions::Form_KeyDown(int keyCode, int shift) {
    if (keyCode == kTab && shift == kCtrl) {
        const int next = tbsOptions->currentIndex() + 1;
        tbsOptions->setCurrentIndex(next >= tbsOptions->count() ? 0 : next);
    } else if (keyCode == kF1) {
        Command2_Click();
    }
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(watched)) {
            button->click();
            return true;
        }
    }
    const int shift = ShiftState(key->modifiers());
    int keyCode = 0;
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        keyCode = kTab;
    else if (key->key() == Qt::Key_F1)
        keyCode = kF1;
    if (keyCode == 0) return QDialog::eventFilter(watched, event);
    // Tab alone moves the focus as usual; with Ctrl it belongs to the form, which only goes forwards.
    if (keyCode == kTab && !(shift & kCtrl)) return QDialog::eventFilter(watched, event);
    Handle("frmOptions.Form_KeyDown", [&] { Form_KeyDown(keyCode, shift); });
    return true;
}

void frmOptions::ISPEnable(bool en) {
    for (QWidget* w : std::initializer_list<QWidget*>{Label10, txtFreeTime, Label14, Label15, txtCostPerHour,
                                                      Label16, txtResetDay, Label17, cmdSetFreeTimeLeft})
        w->setEnabled(en);
}

void frmOptions::AutoEnable(bool en) {
    for (QWidget* w : std::initializer_list<QWidget*>{frmAuto, optStart, optNT, optFully})
        w->setEnabled(en);
}

void frmOptions::AutoCheckbox_Click() {
    AutoEnable(AutoCheckbox->isChecked());
}

void frmOptions::ChkUnlimitedTime_Click() {
    ISPEnable(!ChkUnlimitedTime->isChecked());
}

void frmOptions::cboACostDuration_Change() {
    // The time boxes cover the money box unless the limit is a cost.
    if (cboACostDuration->currentText() == QStringLiteral("Cost"))
        m_alarmLimit->setCurrentWidget(txtAMoney);
    else
        m_alarmLimit->setCurrentWidget(frmAlarmTime);
}

void frmOptions::Command2_Click() {
    Handle("frmOptions.Command2_Click",
           [this] { CommonDialog1.ShowTopic(this, CommonDialog1.HelpContextNumber); });
}

void frmOptions::Command3_Click() {
    Handle("frmOptions.Command3_Click", [this] {
        if (!m_host.StartLogViewer())
            m_engine.Ui.MsgBox("Unable to run log viewer. Try starting it from the start menu.",
                               MsgButtons::OK);
    });
}

void frmOptions::cmdSetFreeTimeLeft_Click() {
    Handle("frmOptions.cmdSetFreeTimeLeft_Click", [this] {
        frmSetFreeTimeLeft form(m_engine.G, m_engine.Store, m_engine.Time, m_engine.Ui, this);
        form.exec();
    });
}

void frmOptions::Command4_Click() {
    Handle("frmOptions.Command4_Click", [this] {
        frmNewProfile form(m_engine.G, m_engine.Store, m_engine.Ui, *this, this);
        form.exec();
    });
}

void frmOptions::Command5_Click() {
    Handle("frmOptions.Command5_Click", [this] {
        if (DeleteEditedProfile(m_engine.G, m_engine.Ui, SelectedProfileIndex())) SetupProfileList();
    });
}

void frmOptions::ConfigAutoSelect_Click(int index) {
    Handle("frmOptions.ConfigAutoSelect_Click", [this, index] {
        m_engine.G.EditRateNumber = static_cast<std::int16_t>(index + 1);
        frmAutoSelect form(m_engine.G, m_engine.Store, m_engine.Ui, CommonDialog1, this);
        form.exec();
    });
}

void frmOptions::cmdCancel_Click() {
    reject();
}

void frmOptions::cmdOK_Click() {
    Handle("frmOptions.cmdOK_Click", [this] { SaveOptions(m_engine, Controls(), m_autostart); });
    accept();
}

int frmOptions::SelectedProfileIndex() const {
    const QList<QListWidgetItem*> selected = lstProfiles->selectedItems();
    return selected.isEmpty() ? -1 : lstProfiles->row(selected.first());
}

void frmOptions::SetupProfileList() {
    const Globals& g = m_engine.G;
    lstProfiles->clear();
    for (size_t i = 1;
         i <= static_cast<size_t>(std::max<int>(0, g.EditProfileCount)) && i < g.EditProfileNames.size(); ++i)
        lstProfiles->addItem(Q(g.EditProfileNames[i]));
}
