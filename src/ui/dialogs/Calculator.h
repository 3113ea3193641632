#pragma once

#include "settings/Globals.h"
#include "settings/Locale.h"
#include "settings/UserInterface.h"

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

    QLabel* Label1; // "Time": the length of the call
    QLineEdit* txtHours;
    QLabel* Label4; // ":" between hours and minutes
    QLineEdit* Time;
    QLabel* Label3; // "Rate": the charge rate
    QComboBox* Rate;
    QCheckBox* chkIncludeISP;
    QLabel* Label2; // "Result  = "
    QLabel* Cost;
    QPushButton* Command1; // "OK": closes the calculator
    QTimer* Timer1;        // every 0.1 s: the result follows the boxes

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    const Globals& m_globals;
    const Locale& m_locale;
    UserInterface& m_ui;
};
