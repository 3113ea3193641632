#pragma once

#include "settings/Globals.h"
#include "settings/ProfileListHost.h"
#include "settings/Settings.h"
#include "settings/UserInterface.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the name of a new profile based on the one selected in the options dialog's list, and
// creates it in the working copy of the list. Shown modally; the tray only beeps while it is open.
class frmNewProfile : public QDialog {
    Q_OBJECT
public:
    frmNewProfile(Globals& globals, const Settings& settings, UserInterface& ui, ProfileListHost& host,
                  QWidget* parent = nullptr);

    QLabel* Label1; // "Name:"
    QLineEdit* txtName;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    void btnOK_Click();
    void btnCancel_Click();

    // Every way of closing ends here: the tray reacts to clicks again.
    void done(int result) override;

private:
    void Form_Load();

    Globals& m_globals;
    const Settings& m_settings;
    UserInterface& m_ui;
    ProfileListHost& m_host;
    int m_baseProfileNumber = 0;
};
