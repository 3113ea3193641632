#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;

// The plain alarm window: the message and OK. It beeps as it loads.
class frmAlarm : public QDialog {
    Q_OBJECT
public:
    frmAlarm(const QString& message, std::function<void()> beep, QWidget* parent = nullptr);

    QLabel* text;
    QPushButton* Command1; // "OK": closes the alarm

    void Command1_Click();

private:
    void Form_Load(const QString& message);

    std::function<void()> m_beep;
};
