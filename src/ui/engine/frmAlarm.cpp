#include "ui/engine/frmAlarm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

frmAlarm::frmAlarm(const QString& message, std::function<void()> beep, QWidget* parent)
    : QDialog(parent), m_beep(std::move(beep)) {
    setObjectName(QStringLiteral("frmAlarm"));
    setWindowTitle(QStringLiteral("Alarm"));
    // The main window is usually hidden; the alarm must not end up behind other programs.
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    text = new QLabel(this);
    text->setObjectName(QStringLiteral("text"));
    text->setWordWrap(true);
    text->setMinimumWidth(260);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, &frmAlarm::Command1_Click);
    Form_Load(message);
}

void frmAlarm::Form_Load(const QString& message) {
    if (m_beep) m_beep();
    text->setText(message);
}

void frmAlarm::Command1_Click() {
    accept();
}
