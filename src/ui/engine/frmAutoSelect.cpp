#include "ui/engine/frmAutoSelect.h"

#include "engine/AutoSelect.h"
#include "settings/ErrorBoundary.h"
#include "settings/RunTimeError.h"
#include "ui/widgets/BoxWidth.h"
#include "ui/widgets/FormWidgets.h"

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

} // namespace

frmAutoSelect::frmAutoSelect(Globals& globals, const Settings& settings, UserInterface& ui,
                             CommonDialog& help, QWidget* parent)
    : QDialog(parent), m_globals(globals), m_settings(settings), m_ui(ui), m_help(help) {
    setObjectName(QStringLiteral("frmAutoSelect"));
    setWindowTitle(QStringLiteral("Edit Auto Select Settings"));

    const auto hourBox = [this](const QString& name) {
        auto* box = Named(new QLineEdit(QStringLiteral("0"), this), name);
        WideEnoughFor(box, QStringLiteral("22,5"));
        return box;
    };

    Label1 =
        Named(new QLabel(QStringLiteral("Automatically switch to this charge rate between the days:"), this),
              QStringLiteral("Label1"));
    FromDay = Named(new QComboBox(this), QStringLiteral("FromDay"));
    Label2 = Named(new QLabel(QStringLiteral("and"), this), QStringLiteral("Label2"));
    ToDay = Named(new QComboBox(this), QStringLiteral("ToDay"));
    Label3 = Named(new QLabel(QStringLiteral("And before:"), this), QStringLiteral("Label3"));
    BeforeHour = hourBox(QStringLiteral("BeforeHour"));
    Label5 = Named(new QLabel(QStringLiteral("O-Clock"), this), QStringLiteral("Label5"));
    AfterHour = hourBox(QStringLiteral("AfterHour"));
    Label4 = Named(new QLabel(QStringLiteral("O-Clock and after"), this), QStringLiteral("Label4"));
    Command1 = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = Named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("Command2"));
    Command3 = Named(new QPushButton(QStringLiteral("Help"), this), QStringLiteral("Command3"));

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
    const auto showDay = [](QComboBox* list, double day) {
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
    const std::optional<std::string> text = ClampedHourText(S(box->text()), m_settings.UserLocale());
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
        window.FromDay = DayNumberOf(m_globals, S(FromDay->currentText()));
        window.ToDay = DayNumberOf(m_globals, S(ToDay->currentText()));
        window.BeforeHour = HourFromBox(S(BeforeHour->text()), locale);
        window.AfterHour = HourFromBox(S(AfterHour->text()), locale);
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
