#include "ui/startup/DesktopUserInterface.h"

#include "ui/engine/frmAlarm.h"
#include "ui/engine/frmAlarmDisconnect.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include <cstdio>
#ifndef _WIN32
#include <syslog.h>
#endif

void DesktopUserInterface::Unattended(const std::string& message) {
    std::fprintf(stderr, "tallydial: %s\n", message.c_str());
#ifndef _WIN32
    ::syslog(LOG_USER | LOG_WARNING, "%s", message.c_str());
#endif
}

MsgResult DesktopUserInterface::MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                                       const std::string& title) {
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(prompt));
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    switch (buttons) {
    case MsgButtons::OK:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OKCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgResult::OK;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return buttons == MsgButtons::YesNo
                   ? MsgResult::No
                   : (buttons == MsgButtons::OKCancel ? MsgResult::Cancel : MsgResult::OK);
    }
}

std::optional<std::string> DesktopUserInterface::InputBox(const std::string& prompt, const std::string& title,
                                                          const std::string& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(nullptr, QString::fromStdString(title), QString::fromStdString(prompt),
                              QLineEdit::Normal, QString::fromStdString(defaultText), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

void DesktopUserInterface::Beep() {
    QApplication::beep();
}

void DesktopUserInterface::ShowAlarm(const std::string& message) {
    frmAlarm form(QString::fromStdString(message), [this] { Beep(); });
    form.exec();
}

void DesktopUserInterface::ShowAlarmDisconnect(AlarmCountdown& countdown) {
    frmAlarmDisconnect form(countdown, *this, [this] { Beep(); });
    form.exec();
}
