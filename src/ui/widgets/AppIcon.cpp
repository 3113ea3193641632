#include "ui/widgets/AppIcon.h"

#include <QCoreApplication>
#include <QFont>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <map>

namespace {

// The ten holes' directions from the dial's centre, 27 degrees apart from 60 degrees above the
// right, against the clock. Written out: the icon is drawn as every window is made, and the sine
// and cosine would map the math library's tables for it alone.
constexpr std::array<QPointF, 10> kHoles = {{{0.5000, -0.8660},
                                             {0.0523, -0.9986},
                                             {-0.4067, -0.9135},
                                             {-0.7771, -0.6293},
                                             {-0.9781, -0.2079},
                                             {-0.9659, 0.2588},
                                             {-0.7431, 0.6691},
                                             {-0.3584, 0.9336},
                                             {0.1045, 0.9945},
                                             {0.5446, 0.8387}}};

// A disc shaded from its top left to its bottom right, with a rim.
void DrawDisc(QPainter& p, const QRectF& disc, const QColor& light, const QColor& dark, const QColor& edge,
              double rim) {
    QLinearGradient shade(disc.topLeft(), disc.bottomRight());
    shade.setColorAt(0, light);
    shade.setColorAt(1, dark);
    p.setPen(QPen(edge, rim));
    p.setBrush(shade);
    p.drawEllipse(disc);
}

void DrawPicture(QPainter& p, const QRectF& box) {
    const double s = box.width();
    const double rim = std::max(1.0, s * 0.03);
    p.save();
    p.translate(box.topLeft());
    p.setRenderHint(QPainter::Antialiasing);

    // The dial: a telephone's finger wheel with ten holes, hands on top like a clock.
    const QRectF dial(s * 0.04, s * 0.04, s * 0.80, s * 0.80);
    DrawDisc(p, dial, {0x3b, 0x7d, 0xd8}, {0x1d, 0x4a, 0x8f}, {0x12, 0x2e, 0x5c}, rim);
    const QPointF centre = dial.center();
    const double holeRadius = s * 0.055;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xf0, 0xfb));
    for (const QPointF& towards : kHoles)
        p.drawEllipse(centre + towards * s * 0.29, holeRadius, holeRadius);
    p.setPen(QPen(Qt::white, std::max(1.0, s * 0.05), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(0, -s * 0.20));
    p.drawLine(centre, centre + QPointF(s * 0.15, 0));

    // The coin.
    const QRectF coin(s * 0.50, s * 0.50, s * 0.48, s * 0.48);
    DrawDisc(p, coin, {0xff, 0xe0, 0x6a}, {0xd4, 0x9a, 0x10}, {0x8a, 0x5c, 0x00}, rim);
    // The regular face, as in the windows: a bold one is a font file more to map at every start.
    QFont font;
    font.setPixelSize(std::max(6, static_cast<int>(s * 0.32)));
    p.setFont(font);
    p.setPen(QColor(0x6b, 0x45, 0x00));
    p.drawText(coin, Qt::AlignCenter, QStringLiteral("£"));
    p.restore();
}

// Draws each size when it is asked for: nothing is drawn before a window or the tray shows the
// icon, and every size is drawn at its own resolution. The small sizes that the tray and the title
// bars paint again and again are kept; the large ones, asked for once as a window is made, are not.
class DrawnIcon final : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const int side = std::min(size.width(), size.height());
        if (side <= 0) return {};
        QPixmap once;
        QPixmap& drawn = side <= KeptSide ? m_drawn[side] : once;
        if (drawn.isNull()) drawn = AppIcon::Pixmap(side);
        if (mode == QIcon::Normal || mode == QIcon::Active) return drawn;
        // Disabled and selected as the style shows any other icon.
        return QIcon(drawn).pixmap(drawn.size(), 1.0, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    // Every window hands each of these sizes to the window manager as it is made; a switcher that
    // wants more scales the 64, and the desktop entry's own icon serves the rest.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (int side : {16, 22, 24, 32, 48, 64})
            sizes.append(QSize(side, side));
        return sizes;
    }
    QIconEngine* clone() const override { return new DrawnIcon(*this); }
    QString key() const override { return QStringLiteral("AppIcon"); }

private:
    static constexpr int KeptSide = 32;
    std::map<int, QPixmap> m_drawn;
};

} // namespace

namespace AppIcon {

QPixmap Pixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    DrawPicture(painter, QRectF(0, 0, size, size));
    return pixmap;
}

QIcon Icon() {
    // One for every window and the tray; it goes with the application.
    static QIcon* icon = nullptr;
    if (!icon) {
        icon = new QIcon(new DrawnIcon);
        qAddPostRoutine([] {
            delete icon;
            icon = nullptr;
        });
    }
    return *icon;
}

void PaintLogo(QPainter& painter, const QRect& area) {
    const int height = area.height();
    painter.fillRect(area, QColor(0xf4, 0xf7, 0xfc));
    painter.setRenderHint(QPainter::Antialiasing);
    const int picture = height * 3 / 4;
    const int margin = (height - picture) / 2;
    DrawPicture(painter, QRectF(area.x() + margin, area.y() + margin, picture, picture));
    QFont font;
    font.setPixelSize(std::max(8, height / 4));
    painter.setFont(font);
    painter.setPen(QColor(0x1d, 0x4a, 0x8f));
    const QRect text(area.x() + margin * 2 + picture, area.y(), area.width() - margin * 3 - picture, height);
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Tallydial"));
    painter.setPen(QColor(0x88, 0x88, 0x88));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

} // namespace AppIcon
