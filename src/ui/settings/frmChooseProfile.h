#pragma once

#include "settings/ProfileList.h"

#include <QWidget>

class QListWidget;
class QPushButton;

// Asks at start which profile to use.
class frmChooseProfile : public QWidget {
    Q_OBJECT
public:
    explicit frmChooseProfile(QWidget* parent = nullptr);

    // Centres the window, lists the profiles and shows it, with nothing selected.
    void Form_Load(const ProfileList& profiles);

    QListWidget* lstProfiles;
    QPushButton* Command1; // "Ok": starts with the profile selected

signals:
    // The 0-based row of the chosen name, -1 when none was selected.
    void ProfileChosen(int selectedRow);
    // Closed by its close box: nothing was chosen.
    void ClosedWithoutChoice();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Command1_Click();
    bool m_chosen = false;
};
