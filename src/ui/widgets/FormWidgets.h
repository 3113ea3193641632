#pragma once

#include <QString>

#include <string>

// Key codes as the windows' key handlers take them, whatever the desktop.
inline constexpr int kTab = 9;
inline constexpr int kF1 = 112;

// Texts cross between the model (std::string, UTF-8) and the forms (QString) through these.
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string S(const QString& text) {
    return text.toStdString();
}

// The control with its objectName set: every control is found by its name.
template <typename W> W* Named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}
