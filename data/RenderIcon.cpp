// Renders the program's own picture as the PNG icons of the hicolor theme, so the installed
// icons are the very ones the tray shows.
#include "ui/widgets/AppIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s FOLDER NAME SIZE...\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString subfolder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = folder.filePath(subfolder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (size <= 0 || !folder.mkpath(subfolder) || !AppIcon::Pixmap(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
