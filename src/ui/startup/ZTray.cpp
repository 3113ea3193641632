#include "ui/startup/ZTray.h"

#include "ui/widgets/AppIcon.h"
#include "ui/widgets/WrappedTip.h"

#include <QMenu>
#include <QSystemTrayIcon>

ZTray::ZTray(QObject* parent) : QObject(parent), m_icon(new QSystemTrayIcon(AppIcon::Icon(), this)) {
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            emit Click(1);
            break;
        case QSystemTrayIcon::Context:
            // Where the tray passes the mouse on to Qt, Qt has just popped the menu up itself.
            if (QMenu* menu = m_icon->contextMenu(); menu && menu->isVisible()) break;
            emit Click(2);
            break;
        case QSystemTrayIcon::MiddleClick:
            emit Click(4);
            break;
        default:
            break; // a double click has already been reported as its first click
        }
    });
}

void ZTray::IconVisible(bool visible) {
    m_visible = visible;
    m_icon->setVisible(visible);
}

void ZTray::TipText(const QString& text) {
    // Set at every tick: an unchanged tip is not laid out again.
    if (text == m_tip) return;
    m_tip = text;
    m_icon->setToolTip(WrappedTip(text));
}

void ZTray::ShowMessage(const QString& title, const QString& text) {
    if (m_visible) m_icon->showMessage(title, text, QSystemTrayIcon::Warning);
}

void ZTray::SetMenu(QMenu* menu) {
    m_icon->setContextMenu(menu);
}

bool ZTray::Available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}
