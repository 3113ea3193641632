#include "ui/settings/frmChooseProfile.h"

#include "ui/widgets/Twips.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

frmChooseProfile::frmChooseProfile(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmChooseProfile"));
    setWindowTitle(QStringLiteral("Tallydial - Select Profile"));
    setAttribute(Qt::WA_QuitOnClose, false);
    // Client area of a window 3570 twips high.
    setFixedSize(Twips::ToPixels(3840, this), Twips::ToPixels(3570 - 345, this));

    lstProfiles = new QListWidget(this);
    lstProfiles->setObjectName(QStringLiteral("lstProfiles"));
    Twips::Place(lstProfiles, 120, 120, 3600, 2400);

    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Twips::Place(Command1, 1320, 2640, 1200, 420);

    connect(Command1, &QPushButton::clicked, this, &frmChooseProfile::Command1_Click);
    connect(lstProfiles, &QListWidget::itemDoubleClicked, Command1, &QPushButton::click);
}

void frmChooseProfile::Form_Load(const ProfileList& profiles) {
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    }
    lstProfiles->clear();
    for (int i = 1; i <= profiles.NumOfProfiles && static_cast<size_t>(i) < profiles.ProfileNames.size(); ++i)
        lstProfiles->addItem(QString::fromStdString(profiles.ProfileNames[static_cast<size_t>(i)]));
    lstProfiles->clearSelection();
    show();
    Command1->setFocus();
}

void frmChooseProfile::Command1_Click() {
    const QList<QListWidgetItem*> selected = lstProfiles->selectedItems();
    m_chosen = true;
    emit ProfileChosen(selected.isEmpty() ? -1 : lstProfiles->row(selected.first()));
    close();
}

void frmChooseProfile::keyPressEvent(QKeyEvent* event) {
    // The window is no dialog, so Enter presses its one button by hand.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        Command1->click();
    else
        QWidget::keyPressEvent(event);
}

void frmChooseProfile::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!m_chosen) emit ClosedWithoutChoice();
}
