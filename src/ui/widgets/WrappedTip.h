#pragma once

#include <QString>

class QWidget;

// A tool tip for a long text, such as a profile name: broken into lines of a comfortable width on
// `near`'s screen (the primary one without it), between words where the text has spaces and
// between characters where it has none, so that a tip never runs off the screen. Shown as typed,
// even where it looks like markup.
QString WrappedTip(const QString& text, const QWidget* near = nullptr);
