#include "engine/frmAutoSelect.h"

#include "engine/AutoSelect.h"
#include "settings/ErrorBoundary.h"
#include "settings/RunTimeError.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kHelpTopic = 1016;
// The options dialog's "Phone Charges" page, from which the editor is opened.
constexpr int kPhoneChargesTopic = 1006;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

frmAutoSelect::frmAutoSelect(Globals& globals, const Settings& settings, UserInterface& ui,
                             CommonDialog& help, QWidget* parent)
    : QDialog(parent), m_globals(globals), m_settings(settings), m_ui(ui), m_help(help) {
    setObjectName(QStringLiteral("frmAutoSelect"));
    setWindowTitle(QStringLiteral("Edit Auto Select Settings"));

    const auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    const auto combo = [this](const char* name) {
        auto* c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        return c;
    };
    const auto hourBox = [this](const char* name) {
        auto* box = new QLineEdit(QStringLiteral("0"), this);
        box->setObjectName(QLatin1String(name));
        box->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
        return box;
    };
    const auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };

    Label1 = label("Label1", QStringLiteral("Automatically switch to this charge rate between the days:"));
    FromDay = combo("FromDay");
    Label2 = label("Label2", QStringLiteral("and"));
    ToDay = combo("ToDay");
    Label3 = label("Label3", QStringLiteral("And before:"));
    BeforeHour = hourBox("BeforeHour");
    Label5 = label("Label5", QStringLiteral("O-Clock"));
    AfterHour = hourBox("AfterHour");
    Label4 = label("Label4", QStringLiteral("O-Clock and after"));
    Command1 = button("Command1", QStringLiteral("OK"));
    Command1->setDefault(true);
    Command2 = button("Command2", QStringLiteral("Cancel"));
    Command3 = button("Command3", QStringLiteral("Help"));

    auto* days = new QHBoxLayout;
    days->addWidget(FromDay, 1);
    days->addWidget(Label2);
    days->addWidget(ToDay, 1);
    auto* hours = new QHBoxLayout;
    hours->addWidget(Label3);
    hours->addWidget(BeforeHour);
    hours->addWidget(Label5);
    hours->addSpacing(12);
    hours->addWidget(AfterHour);
    hours->addWidget(Label4);
    hours->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command3);
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(days);
    layout->addLayout(hours);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BeforeHour, &QLineEdit::textChanged, this, &frmAutoSelect::BeforeHour_Change);
    connect(AfterHour, &QLineEdit::textChanged, this, &frmAutoSelect::AfterHour_Change);
    connect(Command1, &QPushButton::clicked, this, &frmAutoSelect::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmAutoSelect::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmAutoSelect::Command3_Click);
    Guarded(m_ui, "frmAutoSelect.Form_Load", [this] { Form_Load(); });
}

void frmAutoSelect::Form_Load() {
    m_globals.TrayEnabled = false;
    const int n = m_globals.EditRateNumber;
    if (n < 1 || static_cast<size_t>(n) >= m_globals.Rates.size())
        RunTimeErrors::Raise(RunTimeErrors::SubscriptOutOfRange);
    const ChargeRate& rate = m_globals.Rates[static_cast<size_t>(n)];
    setWindowTitle(QStringLiteral("Edit Auto Select for ") + Q(rate.Name));

    for (QComboBox* list : {FromDay, ToDay}) {
        list->clear();
        for (size_t i = 1; i <= 7; ++i)
            list->addItem(Q(m_globals.DayNames[i]));
    }
    // A stored day outside Monday ... Sunday shows no day, and stays as it is unless one is chosen.
    const auto showDay = [this](QComboBox* list, double day) {
        list->setCurrentIndex(day >= 1 && day <= 7 && day == static_cast<int>(day) ? static_cast<int>(day) - 1
                                                                                   : -1);
    };
    showDay(FromDay, rate.FromDay);
    showDay(ToDay, rate.ToDay);

    const Locale& locale = m_settings.UserLocale();
    BeforeHour->setText(Q(locale.FormatNumber(rate.BeforeHour)));
    AfterHour->setText(Q(locale.FormatNumber(rate.AfterHour)));
}

void frmAutoSelect::HourChange(QLineEdit* box) {
    const std::optional<std::string> text =
        ClampedHourText(box->text().toStdString(), m_settings.UserLocale());
    if (text && Q(*text) != box->text()) box->setText(Q(*text));
}

void frmAutoSelect::AfterHour_Change() {
    Guarded(m_ui, "frmAutoSelect.AfterHour_Change", [this] { HourChange(AfterHour); });
}

void frmAutoSelect::BeforeHour_Change() {
    Guarded(m_ui, "frmAutoSelect.BeforeHour_Change", [this] { HourChange(BeforeHour); });
}

void frmAutoSelect::Command1_Click() {
    Guarded(m_ui, "frmAutoSelect.Command1_Click", [this] {
        m_globals.TrayEnabled = true;
        const Locale& locale = m_settings.UserLocale();
        AutoSelectWindow window;
        window.FromDay = DayNumberOf(m_globals, FromDay->currentText().toStdString());
        window.ToDay = DayNumberOf(m_globals, ToDay->currentText().toStdString());
        window.BeforeHour = HourFromBox(BeforeHour->text().toStdString(), locale);
        window.AfterHour = HourFromBox(AfterHour->text().toStdString(), locale);
        StoreAutoSelect(m_globals, m_settings, m_globals.EditRateNumber, window);
        accept();
    });
}

void frmAutoSelect::Command2_Click() {
    Guarded(m_ui, "frmAutoSelect.Command2_Click", [this] { reject(); });
}

void frmAutoSelect::Command3_Click() {
    Guarded(m_ui, "frmAutoSelect.Command3_Click", [this] {
        m_help.ShowTopic(this, kHelpTopic);
        m_help.HelpContextNumber = kPhoneChargesTopic;
    });
}

void frmAutoSelect::done(int result) {
    Guarded(m_ui, "frmAutoSelect.Form_Unload", [this] { m_globals.TrayEnabled = true; });
    QDialog::done(result);
}
