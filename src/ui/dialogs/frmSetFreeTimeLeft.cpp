#include "ui/dialogs/frmSetFreeTimeLeft.h"

#include "engine/CallFigures.h"
#include "engine/FreeTimeLeftBoxes.h"
#include "engine/Values.h"
#include "settings/ErrorBoundary.h"
#include "ui/widgets/BoxWidth.h"
#include "ui/widgets/FormWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmSetFreeTimeLeft::frmSetFreeTimeLeft(Globals& globals, const Settings& settings, const Clock& clock,
                                       UserInterface& ui, QWidget* parent)
    : QDialog(parent), m_globals(globals), m_settings(settings), m_clock(clock), m_ui(ui) {
    setObjectName(QStringLiteral("frmSetFreeTimeLeft"));
    setWindowTitle(QStringLiteral("Set ISP Free Time Left"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    const auto box = [this](const QString& name) {
        auto* b = Named(new QLineEdit(this), name);
        WideEnoughFor(b, QStringLiteral("99999999"));
        return b;
    };
    Label3 = Named(new QLabel(QStringLiteral("Set free time left for this month to:"), this),
                   QStringLiteral("Label3"));
    txtHours = box(QStringLiteral("txtHours"));
    Label2 = Named(new QLabel(QStringLiteral(":"), this), QStringLiteral("Label2"));
    txtMins = box(QStringLiteral("txtMins"));
    Command3 = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("Command3"));
    Command3->setDefault(true);
    Command1 = Named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("Command1"));
    Label1 =
        Named(new QLabel(QStringLiteral("This form is useful if you have been surfing without Tallydial or "
                                        "when you use Tallydial for the first time."),
                         this),
              QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    auto* line = new QHBoxLayout;
    line->addWidget(Label3);
    line->addWidget(txtHours);
    line->addWidget(Label2);
    line->addWidget(txtMins);
    line->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command3);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(line);
    layout->addLayout(buttons);
    layout->addWidget(Label1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Label1->setFixedWidth(line->sizeHint().width());

    connect(Command3, &QPushButton::clicked, this, &frmSetFreeTimeLeft::Command3_Click);
    connect(Command1, &QPushButton::clicked, this, &frmSetFreeTimeLeft::Command1_Click);
    Guarded(m_ui, "frmSetFreeTimeLeft.Form_Load", [this] { Form_Load(); });
}

void frmSetFreeTimeLeft::Form_Load() {
    m_globals.TrayEnabled = false;
    const FreeTimeLeftTexts boxes =
        FreeTimeLeftBoxes(FreeTimeLeftNow(m_globals, CallClock(m_globals, m_clock)));
    txtHours->setText(Q(boxes.Hours));
    txtMins->setText(Q(boxes.Minutes));
}

void frmSetFreeTimeLeft::Command3_Click() {
    Guarded(m_ui, "frmSetFreeTimeLeft.Command3_Click", [this] {
        const double session = SessionTime(m_globals, CallClock(m_globals, m_clock));
        // A number too large to hold is not taken; the free time stays as it was.
        if (const std::optional<double> left = FreeTimeLeftFromBoxes(
                {S(txtHours->text()), S(txtMins->text())}, session, m_settings.UserLocale()))
            m_globals.FreeTimeLeft = *left;
        m_globals.FreeTimeRanOut = false;
        accept();
    });
}

void frmSetFreeTimeLeft::Command1_Click() {
    Guarded(m_ui, "frmSetFreeTimeLeft.Command1_Click", [this] { reject(); });
}

void frmSetFreeTimeLeft::done(int result) {
    Guarded(m_ui, "frmSetFreeTimeLeft.Form_Unload", [this] { m_globals.TrayEnabled = true; });
    QDialog::done(result);
}
