#pragma once

#include <QDialog>

#include <functional>

class AlarmCountdown;
class UserInterface;
class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

// The alarm window that hangs the line up when its countdown runs out. The counting itself is
// AlarmCountdown's; this window shows its state after every event.
class frmAlarmDisconnect : public QDialog {
    Q_OBJECT
public:
    frmAlarmDisconnect(AlarmCountdown& countdown, UserInterface& ui, std::function<void()> beep,
                       QWidget* parent = nullptr);

    QLabel* text;
    QLabel* Label1; // "Tallydial will disconnect you from the Internet in"
    QLabel* lblSecondsToDiscon;
    QLabel* Label2; // "seconds"
    QCheckBox* chkDontDisconnect;
    QPushButton* cmdDisconnectNow;
    QPushButton* cmdStayConnected;
    QTimer* Timer1; // every 50 ms: the countdown

    void Timer1_Timer();
    void chkDontDisconnect_Click();
    void cmdDisconnectNow_Click();
    void cmdStayConnected_Click();
    // Escape answers as "Don't Disconnect" does.
    void reject() override;

private:
    void Form_Load();
    void ShowState();

    AlarmCountdown& m_countdown;
    UserInterface& m_ui;
    std::function<void()> m_beep;
};
