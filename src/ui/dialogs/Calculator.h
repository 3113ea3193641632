#pragma once

#include "settings/UserInterface.h"
#include "settings/Globals.h"
#include "settings/Locale.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// What a call of a given length would cost at one of the charge rates. Reads the model only.
class Calculator : public QDialog {
    Q_OBJECT
public:
    Calculator(const Globals& globals, const Locale& locale, UserInterface& ui, QWidget* parent = nullptr);

    void Form_Load();
    void Timer1_Timer();
    void Command1_Click();

    QLabel* Label1;
    QLineEdit* txtHours;
    QLabel* Label4;
    QLineEdit* Time;
    QLabel* Label3;
    QComboBox* Rate;
    QCheckBox* chkIncludeISP;
    QLabel* Label2;
    QLabel* Cost;
    QPushButton* Command1;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    const Globals& m_globals;
    const Locale& m_locale;
    UserInterface& m_ui;
};
