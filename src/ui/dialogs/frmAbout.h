#pragma once

#include "settings/UserInterface.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// Names the program, says what it is for and shows its version.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* Version = "4.5";

    explicit frmAbout(UserInterface& ui, QWidget* parent = nullptr);

    void Form_Load();
    void cmdOK_Click();

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblDescription;
    QLabel* lblVersion;
    QFrame* Line1; // the rule above "OK"
    QPushButton* cmdOK;

private:
    UserInterface& m_ui;
};
