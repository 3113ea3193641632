#include "ui/widgets/StylePictures.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>

namespace {

// The toolkit's file picture key writes a number's bytes in memory order, low digit first.
template <typename T> QString KeyDigits(T value) {
    static const char digits[] = "0123456789abcdef";
    QString text;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    for (size_t i = 0; i < sizeof(T); ++i) {
        text += QLatin1Char(digits[bytes[i] & 0xf]);
        text += QLatin1Char(digits[bytes[i] >> 4]);
    }
    return text;
}

} // namespace

namespace StylePictures {

void Preload() {
    const QStyle* style = QApplication::style();
    if (!style || style->name() != QLatin1String("fusion")) return;
    // The frame of every group box.
    const QString path = QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png");
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage picture = reader.read();
    if (picture.isNull()) return;
    // The key a picture loaded from a file is kept under: its path, time, size and pixel kind.
    const QFileInfo file(path);
    const QString key = QStringLiteral("qt_pixmap") + file.absoluteFilePath() +
                        KeyDigits(static_cast<uint>(file.lastModified().toSecsSinceEpoch())) +
                        KeyDigits(static_cast<quint64>(file.size())) + KeyDigits(0u);
    QPixmapCache::insert(key, QPixmap::fromImage(picture));
}

} // namespace StylePictures
