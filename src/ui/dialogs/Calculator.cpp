#include "ui/dialogs/Calculator.h"

#include "dialogs/CalculatorCost.h"
#include "engine/Values.h"
#include "settings/ErrorBoundary.h"
#include "ui/widgets/AppIcon.h"
#include "ui/widgets/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr int kRowHeight = 315;
} // namespace

Calculator::Calculator(const Globals& globals, const Locale& locale, UserInterface& ui, QWidget* parent)
    : QDialog(parent), m_globals(globals), m_locale(locale), m_ui(ui) {
    setObjectName(QStringLiteral("Calculator"));
    setWindowTitle(QStringLiteral("Calculator"));
    setWindowIcon(AppIcon::Icon());
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Twips::ToPixels(4320, this), Twips::ToPixels(2460, this));

    const auto label = [this](const char* name, const QString& text, int left, int top, int width) {
        auto* control = new QLabel(text, this);
        control->setObjectName(QString::fromLatin1(name));
        Twips::Place(control, left, top, width, kRowHeight);
        return control;
    };
    const auto box = [this](const char* name, int left, int top, int width) {
        auto* control = new QLineEdit(this);
        control->setObjectName(QString::fromLatin1(name));
        Twips::Place(control, left, top, width, kRowHeight);
        return control;
    };

    Label1 = label("Label1", QStringLiteral("Time .................."), 120, 180, 1740);
    txtHours = box("txtHours", 1920, 165, 900);
    Label4 = label("Label4", QStringLiteral(":"), 2850, 180, 120);
    Time = box("Time", 3000, 165, 1140);
    Label3 = label("Label3", QStringLiteral("Rate....................................."), 120, 630, 1740);
    Rate = new QComboBox(this);
    Rate->setObjectName(QStringLiteral("Rate"));
    Twips::Place(Rate, 1920, 600, 2220, 345);
    chkIncludeISP = new QCheckBox(QStringLiteral("Include ISP charges"), this);
    chkIncludeISP->setObjectName(QStringLiteral("chkIncludeISP"));
    Twips::Place(chkIncludeISP, 120, 1080, 3000, kRowHeight);
    Label2 = label("Label2", QStringLiteral("Result  = "), 120, 1530, 1000);
    Cost = label("Cost", QStringLiteral("00.00"), 1200, 1530, 2940);
    QFont bold = Cost->font();
    bold.setBold(true);
    Cost->setFont(bold);
    Cost->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Twips::Place(Command1, 1560, 1950, 1200, 375);
    Command1->setDefault(true);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);

    // The result follows every change at once; the timer catches rates changed in the options.
    connect(Timer1, &QTimer::timeout, this, &Calculator::Timer1_Timer);
    connect(txtHours, &QLineEdit::textChanged, this, &Calculator::Timer1_Timer);
    connect(Time, &QLineEdit::textChanged, this, &Calculator::Timer1_Timer);
    connect(Rate, &QComboBox::currentTextChanged, this, &Calculator::Timer1_Timer);
    connect(chkIncludeISP, &QCheckBox::toggled, this, &Calculator::Timer1_Timer);
    connect(Command1, &QPushButton::clicked, this, &Calculator::Command1_Click);

    Form_Load();
}

void Calculator::Form_Load() {
    Guarded(m_ui, "Calculator.Form_Load", [this] {
        Cost->setText(QString::fromStdString(FormatMoney(0, m_globals.CurrencyLetter, m_locale)));
        const QSignalBlocker quiet(Rate);
        Rate->clear();
        for (size_t i = 1; i <= 5; ++i)
            Rate->addItem(QString::fromStdString(m_globals.Rates[i].Name));
        if (m_globals.CurrentRate >= 1 && m_globals.CurrentRate <= 5)
            Rate->setCurrentIndex(m_globals.CurrentRate - 1);
        // With unlimited free time the provider charges nothing by the hour.
        if (m_globals.UnlimitedTime) chkIncludeISP->setEnabled(false);
    });
}

void Calculator::Timer1_Timer() {
    Guarded(m_ui, "Calculator.Timer1_Timer", [this] {
        const CalculatorInputs inputs{txtHours->text().toStdString(), Time->text().toStdString(),
                                      Rate->currentText().toStdString(), chkIncludeISP->isChecked()};
        if (const auto result = CalculatorCost(m_globals, m_locale, inputs)) {
            const QString text = QString::fromStdString(*result);
            if (Cost->text() != text) Cost->setText(text);
        }
    });
}

void Calculator::Command1_Click() {
    Guarded(m_ui, "Calculator.Command1_Click", [this] { close(); });
}

void Calculator::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Timer1->start();
}

void Calculator::hideEvent(QHideEvent* event) {
    Timer1->stop();
    QDialog::hideEvent(event);
}
