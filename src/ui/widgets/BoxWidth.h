#pragma once

#include <QLineEdit>
#include <QString>
#include <QStyle>
#include <QStyleOptionFrame>

// Makes a text box wide enough to show `widest` whole in its own font, frame and style.
inline void WideEnoughFor(QLineEdit* box, const QString& widest) {
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    const QMargins margins = box->textMargins();
    // The box keeps 2 pixels each side of its text and one for the cursor.
    const int text =
        box->fontMetrics().horizontalAdvance(widest) + margins.left() + margins.right() + 2 * 2 + 1;
    const QSize size = box->style()->sizeFromContents(QStyle::CT_LineEdit, &option,
                                                      QSize(text, box->sizeHint().height()), box);
    box->setFixedWidth(size.width());
}
