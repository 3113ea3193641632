#include "ui/widgets/DrawnFrames.h"

#include <QApplication>
#include <QGroupBox>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <array>
#include <utility>

namespace {

// The frame the style's picture holds, pixel for pixel at 100%: a faint border with its corners cut,
// a fainter line inside it and a barely darker ground.
class FusionFrames : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_FrameGroupBox) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        // Below the title, as the style places its frame; a frame without a title starts at once.
        const auto* box = qobject_cast<const QGroupBox*>(widget);
        int top = TitleGap;
        if (!box || box->isCheckable() || !box->title().isEmpty())
            top +=
                qMax(pixelMetric(PM_ExclusiveIndicatorHeight, option, widget), option->fontMetrics.height());
        const QRect border = option->rect.adjusted(1, top + 1, 0, 0);
        if (border.width() < 4 || border.height() < 4) return;
        const QColor line(0x75, 0x75, 0x75, 0x32), inner(0, 0, 0, 7), ground(0, 0, 0, 3);
        const int l = border.left(), t = border.top(), r = border.right(), b = border.bottom();
        // Each ring, the border and the line inside it, stops short of the corners drawn below.
        for (const auto& [inset, colour] : {std::pair{0, line}, {1, inner}}) {
            painter->fillRect(QRect(QPoint(l + 2, t + inset), QPoint(r - 2, t + inset)), colour);
            painter->fillRect(QRect(QPoint(l + 2, b - inset), QPoint(r - 2, b - inset)), colour);
            painter->fillRect(QRect(QPoint(l + inset, t + 2), QPoint(l + inset, b - 2)), colour);
            painter->fillRect(QRect(QPoint(r - inset, t + 2), QPoint(r - inset, b - 2)), colour);
        }
        painter->fillRect(QRect(QPoint(l + 2, t + 2), QPoint(r - 2, b - 2)), ground);
        // The rounding: each corner's pixel, its two neighbours on the border and the one inside.
        const QColor corner(0x27, 0x27, 0x27, 0x0d), bend(0x60, 0x60, 0x60, 0x36),
            inside(0x5a, 0x5a, 0x5a, 0x1f);
        for (const auto& [x, y, dx, dy] :
             {std::array{l, t, 1, 1}, {r, t, -1, 1}, {l, b, 1, -1}, {r, b, -1, -1}}) {
            painter->fillRect(x, y, 1, 1, corner);
            painter->fillRect(x + dx, y, 1, 1, bend);
            painter->fillRect(x, y + dy, 1, 1, bend);
            painter->fillRect(x + dx, y + dy, 1, 1, inside);
        }
    }

private:
    static constexpr int TitleGap = 3;
};

} // namespace

namespace DrawnFrames {

void Install() {
    const QStyle* style = QApplication::style();
    if (!style || style->name() != QLatin1String("fusion")) return;
    QApplication::setStyle(new FusionFrames(QStyleFactory::create(style->name())));
}

} // namespace DrawnFrames
