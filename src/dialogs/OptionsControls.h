#pragma once

#include "engine/Engine.h"
#include "settings/Autostart.h"
#include "settings/Globals.h"
#include "settings/Settings.h"
#include "settings/UserInterface.h"

#include <array>
#include <string>

// Where the programs started at logon are listed for the user, and the program's value there.
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValue = "Tallydial";

// What the options dialog's controls hold: the texts of the boxes and drop-downs, the check boxes
// and the option buttons. The dialog shows one and hands one back; the rules between it and the
// model live here, so they run without a window.
struct OptionsControls {
    // Misc
    std::string Cur;
    bool chkHideOnStart = false;
    bool chkHideOnLogon = false;
    // Auto
    bool chkAutoRun = false;
    bool AutoCheckbox = false;
    bool optFully = false;
    bool optStart = false;
    bool optNT = false;
    // Phone charges, rows 0 ... 4 for rates 1 ... 5
    std::array<std::string, 5> RateName;
    std::array<std::string, 5> PerMin;
    std::string txtMinCharge;
    std::string txtFailCost;
    bool chkAskBeforeChanging = false;
    // ISP charges
    bool ChkUnlimitedTime = false;
    std::string txtFreeTime;
    std::string txtCostPerHour;
    std::string txtResetDay;
    std::string txtDataAllowance; // gigabytes a month, 0 none
    // Alarm
    bool chkUseAlarm = false;
    std::string cboATotal;
    std::string cboACostDuration;
    std::string txtAMoney;
    std::string txtATimeHours;
    std::string txtATimeMins;
    bool chkAutoDisconnect = false;
    std::string chkAutoDisconnectTime;
    bool chkISPAlarm = false;
    std::string txtDataWarning; // percent of the data allowance, 0 never
    bool chkDataHangUp = false;
    // Log
    bool Log = false;
    bool chkLogComments = false;
    bool chkLogFails = false;
    // TaskBar: the first button of each pair ("Time spent", "This session") selected, else the second
    bool TimeOrMoney0 = false;
    bool ThisSesOrCum0 = false;
};

// The controls filled from the model and the start-up value, as the dialog opens. A value that
// can't be shown leaves its control as it was.
OptionsControls OptionsFromModel(const Globals& g, const Settings& settings);

// The working copy of the profile list becomes a copy of the list in use.
void CopyProfilesForEditing(Globals& g);

// "Delete Profile" for the 0-based row selected in the list (-1 none): asks, then drops the entry from
// the working copy. The last profile and the profile in use stay. True when the list changed.
bool DeleteEditedProfile(Globals& g, UserInterface& ui, int selectedRow);

// OK: every control into the model and the store, the start-up value and its effect, the main
// window's rate list and Start/Stop controls, the profile list. A step that fails is skipped.
void SaveOptions(Engine& e, const OptionsControls& c, Autostart& autostart);
