// The yardstick of the program's start-up: a bare Qt Widgets program with a tray icon and two
// timers, as little as a tray program can be. bench/startup.py starts both side by side.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap picture(32, 32);
    picture.fill(Qt::darkGreen);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.show();

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare tray program"));
    auto* layout = new QVBoxLayout(&window);
    auto* seconds = new QLabel(QStringLiteral("0"), &window);
    layout->addWidget(seconds);
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &window, [&] { seconds->setNum(++ticks); });
    tick.start(1000);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] { tray.setToolTip(QString::number(ticks)); });
    watch.start(500);
    window.show();
    return QApplication::exec();
}
