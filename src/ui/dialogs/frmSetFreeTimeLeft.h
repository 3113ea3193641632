#pragma once

#include "settings/Clock.h"
#include "settings/Globals.h"
#include "settings/Settings.h"
#include "settings/UserInterface.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Sets how much of this month's free time is left, at once and in memory. Shown modally by the
// options dialog; the tray only beeps while it is open.
class frmSetFreeTimeLeft : public QDialog {
    Q_OBJECT
public:
    frmSetFreeTimeLeft(Globals& globals, const Settings& settings, const Clock& clock, UserInterface& ui,
                       QWidget* parent = nullptr);

    QLabel* Label3; // "Set free time left for this month to:"
    QLineEdit* txtHours;
    QLabel* Label2; // ":" between hours and minutes
    QLineEdit* txtMins;
    QPushButton* Command3; // "OK"
    QPushButton* Command1; // "Cancel"
    QLabel* Label1;        // what the window is for

    void Command3_Click();
    void Command1_Click();

    // Every way of closing ends here: the tray reacts to clicks again.
    void done(int result) override;

private:
    void Form_Load();

    Globals& m_globals;
    const Settings& m_settings;
    const Clock& m_clock;
    UserInterface& m_ui;
};
