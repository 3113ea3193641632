#include "ui/startup/frmSplash.h"

#include "ui/widgets/AppIcon.h"
#include "ui/widgets/Twips.h"

#include <QCoreApplication>
#include <QPainter>

namespace {

// Painted as it is shown: a picture kept for the splash's two seconds would outlive it in the heap.
class LogoPicture final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        AppIcon::PaintLogo(painter, rect());
    }
};

} // namespace

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Tallydial"));
    const int width = Twips::ToPixels(5400, this);
    const int height = Twips::ToPixels(2100, this);
    setFixedSize(width, height);
    picLogo = new LogoPicture(this);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setGeometry(0, 0, width, height);
}

void frmSplash::ShowNow() {
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    show();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int frmSplash::Top() const {
    return Twips::FromPixels(y(), this);
}

int frmSplash::Height() const {
    return Twips::FromPixels(frameGeometry().height(), this);
}

void frmSplash::SetTop(int twips) {
    move(x(), Twips::ToPixels(twips, this));
}
