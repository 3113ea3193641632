#pragma once

#include "settings/Globals.h"
#include "settings/Settings.h"
#include "settings/UserInterface.h"
#include "ui/help/CommonDialog.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Edits the days and hours in which charge rate `EditRateNumber` is chosen automatically, and
// stores them at once on OK. Shown modally by the options dialog, whose help control it uses.
class frmAutoSelect : public QDialog {
    Q_OBJECT
public:
    frmAutoSelect(Globals& globals, const Settings& settings, UserInterface& ui, CommonDialog& help,
                  QWidget* parent = nullptr);

    QLabel* Label1; // "Automatically switch to this charge rate between the days:"
    QComboBox* FromDay;
    QLabel* Label2; // "and" between the days
    QComboBox* ToDay;
    QLabel* Label3; // "And before:"
    QLineEdit* BeforeHour;
    QLabel* Label5; // "O-Clock"
    QLineEdit* AfterHour;
    QLabel* Label4;        // "O-Clock and after"
    QPushButton* Command1; // "OK"
    QPushButton* Command2; // "Cancel"
    QPushButton* Command3; // "Help"

    void AfterHour_Change();
    void BeforeHour_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    // Every way of closing ends here: the tray reacts to clicks again.
    void done(int result) override;

private:
    void Form_Load();
    void HourChange(QLineEdit* box);

    Globals& m_globals;
    const Settings& m_settings;
    UserInterface& m_ui;
    CommonDialog& m_help;
};
