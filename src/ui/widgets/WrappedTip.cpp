#include "ui/widgets/WrappedTip.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QTextLayout>
#include <QToolTip>
#include <QWidget>

#include <algorithm>

QString WrappedTip(const QString& text, const QWidget* near) {
    if (text.isEmpty()) return text;
    const QFont font = QToolTip::font();
    const QScreen* screen = near ? near->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    // About sixty characters a line, and never more than half the screen.
    qreal width = QFontMetricsF(font).averageCharWidth() * 60;
    if (screen) width = std::min(width, screen->availableGeometry().width() / 2.0);

    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    // The layout breaks only between whole characters (grapheme clusters), never inside one.
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    QString wrapped = lines.join(QLatin1Char('\n'));
    // A tip whose first line looks like markup would be drawn as rich text: it is escaped instead.
    if (!Qt::mightBeRichText(wrapped)) return wrapped;
    return QStringLiteral("<p style=\"white-space:pre\">") +
           wrapped.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) +
           QStringLiteral("</p>");
}
