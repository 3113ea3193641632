#pragma once

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <cmath>

// Forms are designed in twips: 15 to the pixel at 96 DPI, more pixels on a denser screen.
namespace Twips {
inline double PixelsPerTwip(const QWidget* widget = nullptr) {
    const QScreen* screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return dpi / 96.0 / 15.0;
}
inline int ToPixels(double twips, const QWidget* widget = nullptr) {
    return static_cast<int>(std::lround(twips * PixelsPerTwip(widget)));
}
inline int FromPixels(int pixels, const QWidget* widget = nullptr) {
    return static_cast<int>(std::lround(pixels / PixelsPerTwip(widget)));
}
inline void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(ToPixels(left, widget), ToPixels(top, widget), ToPixels(width, widget),
                        ToPixels(height, widget));
}
} // namespace Twips
