#include "ui/settings/frmChooseProfile.h"

#include "ui/widgets/Twips.h"
#include "ui/widgets/WrappedTip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

frmChooseProfile::frmChooseProfile(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmChooseProfile"));
    setWindowTitle(QStringLiteral("Tallydial - Select Profile"));
    setAttribute(Qt::WA_QuitOnClose, false);
    // Client area of a window 3570 twips high, wide enough for its title beside the title bar's
    // icon and buttons.
    const QFont title = QApplication::font("QMdiSubWindowTitleBar");
    const int titleWidth =
        QFontMetrics(title).horizontalAdvance(windowTitle()) * 5 / 4 + Twips::ToPixels(2400, this);
    const int width = std::max(Twips::ToPixels(3840, this), titleWidth);
    setFixedSize(width, Twips::ToPixels(3570 - 345, this));

    lstProfiles = new QListWidget(this);
    lstProfiles->setObjectName(QStringLiteral("lstProfiles"));
    const int margin = Twips::ToPixels(120, this);
    lstProfiles->setGeometry(margin, margin, width - 2 * margin, Twips::ToPixels(2400, this));
    // Long names are cut with an ellipsis and shown whole in their tool tip, never scrolled to.
    lstProfiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    const int buttonWidth = Twips::ToPixels(1200, this);
    Command1->setGeometry((width - buttonWidth) / 2, Twips::ToPixels(2640, this), buttonWidth,
                          Twips::ToPixels(420, this));

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
    // The room an entry has beside the list's frame and a vertical scroll bar.
    const int room = lstProfiles->width() - 2 * lstProfiles->frameWidth() -
                     lstProfiles->style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 8;
    for (int i = 1; i <= profiles.NumOfProfiles && static_cast<size_t>(i) < profiles.ProfileNames.size();
         ++i) {
        const QString name = QString::fromStdString(profiles.ProfileNames[static_cast<size_t>(i)]);
        auto* item = new QListWidgetItem(lstProfiles->fontMetrics().elidedText(name, Qt::ElideRight, room));
        if (item->text() != name) item->setToolTip(WrappedTip(name, lstProfiles));
        lstProfiles->addItem(item);
    }
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
