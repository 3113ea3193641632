#pragma once

#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;

// The tray icon control: the program only sets its two properties and hears its click.
class ZTray : public QObject {
    Q_OBJECT
public:
    explicit ZTray(QObject* parent = nullptr);

    // True puts the icon into the tray, false removes it.
    void IconVisible(bool visible);
    void TipText(const QString& text);
    // A desktop notification from the icon; nothing when the icon isn't in the tray.
    void ShowMessage(const QString& title, const QString& text);
    // The menu of the icon, which the desktop's tray shows on its own where it can.
    void SetMenu(QMenu* menu);

    // Whether the desktop has a tray at all.
    static bool Available();
    bool IsIconVisible() const { return m_visible; }
    QSystemTrayIcon* Icon() const { return m_icon; }

signals:
    // 1 for the left button, another number for any other.
    void Click(qint16 button);

private:
    QSystemTrayIcon* m_icon;
    bool m_visible = false;
    QString m_tip;
};
