#pragma once

#include <QWidget>

// The small window with the logo that stands while the program starts.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    // Centres the window on the screen, shows it and paints it at once.
    void ShowNow();
    // The window's top edge and height, in twips.
    int Top() const;
    int Height() const;
    void SetTop(int twips);

    QWidget* picLogo;
};
