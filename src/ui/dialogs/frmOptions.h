#pragma once

#include "dialogs/OptionsControls.h"
#include "engine/Engine.h"
#include "settings/Autostart.h"
#include "settings/ProfileListHost.h"
#include "startup/MainWindowCommands.h"
#include "ui/help/CommonDialog.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedLayout;
class QTabWidget;

// Every setting of the profile in use on eight pages. Not modal: the main window goes on timing
// while it is open. Its controls are the working state; only OK stores them.
class frmOptions : public QDialog, public ProfileListHost {
    Q_OBJECT
public:
    frmOptions(Engine& engine, MainWindowHost& host, Autostart& autostart, QWidget* parent = nullptr);

    // Fills every control from the model, with the "Misc" page in view.
    void Form_Load();

    // What the controls hold, and showing such a state.
    OptionsControls Controls() const;
    void ShowControls(const OptionsControls& c);

    // Handlers, named as the window's design names them. Key codes and shift states are the
    // desktop-neutral ones: 9 Tab, 112 F1; 1 Shift, 2 Ctrl, 4 Alt.
    void tbsOptions_Click();
    void Form_KeyDown(int keyCode, int shift);
    void ISPEnable(bool en);
    void AutoEnable(bool en);
    void AutoCheckbox_Click();
    void ChkUnlimitedTime_Click();
    void cboACostDuration_Change();
    void Command2_Click();
    void Command3_Click();
    void cmdSetFreeTimeLeft_Click();
    void Command4_Click();
    void Command5_Click();
    void ConfigAutoSelect_Click(int index);
    void cmdCancel_Click();
    void cmdOK_Click();

    // ProfileListHost
    int SelectedProfileIndex() const override;
    void SetupProfileList() override;

    // The help context of each tab, in tab order.
    static constexpr std::array<int, 8> HelpContexts{1005, 1017, 1006, 1007, 1008, 1009, 1010, 1011};

    QTabWidget* tbsOptions;
    std::array<QWidget*, 8> PicOptions{};
    QPushButton* Command2; // "Help": the help of the page shown
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    CommonDialog CommonDialog1; // the help of the page shown

    // Misc
    QLineEdit* Cur;
    QCheckBox* chkHideOnStart;
    QCheckBox* chkHideOnLogon;
    // Auto
    QCheckBox* chkAutoRun;
    QCheckBox* AutoCheckbox;
    QGroupBox* frmAuto;
    QRadioButton* optFully;
    QRadioButton* optStart;
    QRadioButton* optNT;
    // Phone charges
    std::array<QLineEdit*, 5> RateName{};
    std::array<QLabel*, 5> CostLabel{};
    std::array<QLineEdit*, 5> PerMin{};
    std::array<QLabel*, 5> PMLabel{};
    std::array<QPushButton*, 5> ConfigAutoSelect{};
    QLineEdit* txtMinCharge;
    QLineEdit* txtFailCost;
    QCheckBox* chkAskBeforeChanging;
    // ISP charges
    QCheckBox* ChkUnlimitedTime;
    QGroupBox* frmISPcharges;
    QLabel* Label10; // "Free time"
    QLineEdit* txtFreeTime;
    QLabel* Label14; // "hours per month"
    QLabel* Label15; // "Cost Per Hour (After free time)"
    QLineEdit* txtCostPerHour;
    QLabel* Label16; // "Reset day"
    QLineEdit* txtResetDay;
    QLabel* Label17; // "th" after the reset day
    QPushButton* cmdSetFreeTimeLeft;
    QLineEdit* txtDataAllowance; // gigabytes a month, 0 none
    // Alarm
    QCheckBox* chkUseAlarm;
    QComboBox* cboATotal;
    QComboBox* cboACostDuration;
    QLineEdit* txtAMoney;
    QFrame* frmAlarmTime;
    QLineEdit* txtATimeHours;
    QLineEdit* txtATimeMins;
    QCheckBox* chkAutoDisconnect;
    QLineEdit* chkAutoDisconnectTime;
    QCheckBox* chkISPAlarm;
    QLineEdit* txtDataWarning; // percent of the data allowance
    QCheckBox* chkDataHangUp;
    // Log
    QCheckBox* Log;
    QCheckBox* chkLogComments;
    QCheckBox* chkLogFails;
    QPushButton* Command3; // "View Log": starts the log viewer
    // TaskBar
    std::array<QRadioButton*, 2> TimeOrMoney{};
    std::array<QRadioButton*, 2> ThisSesOrCum{};
    // Profiles
    QPushButton* Command4; // "New Profile"
    QPushButton* Command5; // "Delete Profile"
    QListWidget* lstProfiles;

protected:
    // The form sees every key before the focused control does.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    template <typename F> void Handle(const char* name, F&& handler);

    Engine& m_engine;
    MainWindowHost& m_host;
    Autostart& m_autostart;
    QStackedLayout* m_alarmLimit = nullptr;
    QButtonGroup* m_taskBarDisplay = nullptr;
    QButtonGroup* m_taskBarFrom = nullptr;
};
