#include "ui/dialogs/frmAbout.h"

#include "settings/ErrorBoundary.h"
#include "ui/widgets/AppIcon.h"
#include "ui/widgets/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

frmAbout::frmAbout(UserInterface& ui, QWidget* parent) : QDialog(parent), m_ui(ui) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Tallydial"));
    setWindowIcon(AppIcon::Icon());
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Twips::ToPixels(5400, this), Twips::ToPixels(2760, this));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    Twips::Place(picIcon, 240, 240, 720, 720);
    picIcon->setPixmap(AppIcon::Pixmap(picIcon->width()));

    lblTitle = new QLabel(QStringLiteral("Tallydial"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont title = lblTitle->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.5);
    lblTitle->setFont(title);
    Twips::Place(lblTitle, 1200, 240, 3960, 480);

    lblDescription =
        new QLabel(QStringLiteral("Keep track of how much money and time you spend on the Internet.,"), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    Twips::Place(lblDescription, 1200, 780, 3960, 600);

    lblVersion = new QLabel(QStringLiteral("Version auto set"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    Twips::Place(lblVersion, 1200, 1440, 3960, 285);

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Twips::Place(Line1, 120, 1860, 5160, 30);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    Twips::Place(cmdOK, 4080, 2100, 1200, 375);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Form_Load();
}

void frmAbout::Form_Load() {
    lblVersion->setText(QStringLiteral("Version: ") + QLatin1String(Version));
}

void frmAbout::cmdOK_Click() {
    Guarded(m_ui, "frmAbout.cmdOK_Click", [this] { close(); });
}
