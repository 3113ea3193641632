#include "ui/engine/frmAlarmDisconnect.h"

#include "engine/AlarmCountdown.h"
#include "settings/ErrorBoundary.h"
#include "settings/RunTimeError.h"
#include "ui/widgets/FormWidgets.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

frmAlarmDisconnect::frmAlarmDisconnect(AlarmCountdown& countdown, UserInterface& ui,
                                       std::function<void()> beep, QWidget* parent)
    : QDialog(parent), m_countdown(countdown), m_ui(ui), m_beep(std::move(beep)) {
    setObjectName(QStringLiteral("frmAlarmDisconnect"));
    setWindowTitle(QStringLiteral("Alarm"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);

    auto* picture = Named(new QLabel(this), QStringLiteral("Image1"));
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    text = Named(new QLabel(this), QStringLiteral("text"));
    text->setWordWrap(true);
    text->setMinimumWidth(300);
    Label1 = Named(new QLabel(QStringLiteral("Tallydial will disconnect you from the Internet in"), this),
                   QStringLiteral("Label1"));
    lblSecondsToDiscon = Named(new QLabel(QStringLiteral("00"), this), QStringLiteral("lblSecondsToDiscon"));
    Label2 = Named(new QLabel(QStringLiteral("seconds"), this), QStringLiteral("Label2"));
    chkDontDisconnect = Named(new QCheckBox(QStringLiteral("Don't ever automatically disconnect"), this),
                              QStringLiteral("chkDontDisconnect"));
    cmdDisconnectNow =
        Named(new QPushButton(QStringLiteral("Disconnect Now"), this), QStringLiteral("cmdDisconnectNow"));
    cmdStayConnected =
        Named(new QPushButton(QStringLiteral("Don't Disconnect"), this), QStringLiteral("cmdStayConnected"));
    cmdStayConnected->setDefault(true);
    Timer1 = Named(new QTimer(this), QStringLiteral("Timer1"));
    Timer1->setInterval(50);

    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto* line = new QHBoxLayout;
    line->addWidget(Label1);
    line->addWidget(lblSecondsToDiscon);
    line->addWidget(Label2);
    line->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdDisconnectNow);
    buttons->addWidget(cmdStayConnected);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(line);
    layout->addWidget(chkDontDisconnect);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Timer1, &QTimer::timeout, this, &frmAlarmDisconnect::Timer1_Timer);
    connect(chkDontDisconnect, &QCheckBox::clicked, this, &frmAlarmDisconnect::chkDontDisconnect_Click);
    connect(cmdDisconnectNow, &QPushButton::clicked, this, &frmAlarmDisconnect::cmdDisconnectNow_Click);
    connect(cmdStayConnected, &QPushButton::clicked, this, &frmAlarmDisconnect::cmdStayConnected_Click);
    Form_Load();
}

void frmAlarmDisconnect::Form_Load() {
    if (m_beep) m_beep();
    text->setText(Q(m_countdown.Message()));
    m_countdown.Start();
    Timer1->start();
}

void frmAlarmDisconnect::Timer1_Timer() {
    Guarded(m_ui, "frmAlarmDisconnect.Timer1_Timer", [this] {
        m_countdown.Timer1_Timer();
        ShowState();
    });
}

void frmAlarmDisconnect::chkDontDisconnect_Click() {
    Guarded(m_ui, "frmAlarmDisconnect.chkDontDisconnect_Click", [this] {
        m_countdown.chkDontDisconnect_Click(chkDontDisconnect->isChecked());
        ShowState();
    });
}

void frmAlarmDisconnect::cmdDisconnectNow_Click() {
    Guarded(m_ui, "frmAlarmDisconnect.cmdDisconnectNow_Click",
            [this] { m_countdown.cmdDisconnectNow_Click(); });
    accept();
}

void frmAlarmDisconnect::cmdStayConnected_Click() {
    Guarded(m_ui, "frmAlarmDisconnect.cmdStayConnected_Click", [this] {
        try {
            m_countdown.cmdStayConnected_Click();
        } catch (const RunTimeError&) {
            // Not stored, but the choice holds for the rest of this run.
        }
    });
    accept();
}

void frmAlarmDisconnect::reject() {
    cmdStayConnected->click();
}

void frmAlarmDisconnect::ShowState() {
    const QString seconds = Q(m_countdown.SecondsText());
    if (lblSecondsToDiscon->text() != seconds) lblSecondsToDiscon->setText(seconds);
    cmdStayConnected->setText(Q(m_countdown.StayConnectedCaption()));
    cmdDisconnectNow->setEnabled(m_countdown.DisconnectNowEnabled());
    chkDontDisconnect->setEnabled(m_countdown.DontDisconnectEnabled());
}
