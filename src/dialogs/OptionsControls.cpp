#include "dialogs/OptionsControls.h"

#include "engine/ChargeRates.h"
#include "engine/ModelLoad.h"
#include "engine/Values.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"
#include "settings/SettingsTable.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <vector>

namespace {

// One statement of a procedure that ignores its errors: a failure skips it and the next runs.
template <typename F> void Step(F&& statement) {
    try {
        statement();
    } catch (const std::exception&) {
    }
}

constexpr const char* kCost = "Cost";
constexpr const char* kThisSession = "This Session";

// A number too large to hold is an overflow, as in any other conversion.
double Finite(double value) {
    if (!std::isfinite(value)) RunTimeErrors::Raise(RunTimeErrors::Overflow);
    return value;
}

// The number typed in the user's notation, rounded down; text that is no number fails.
double WholePart(const std::string& text, const Locale& locale) {
    return std::floor(Finite(Variant(text).ToDouble(locale)));
}

// The time limit in seconds that the hours and minutes boxes give.
double LimitSeconds(const OptionsControls& c, const Locale& locale) {
    return Finite((WholePart(c.txtATimeHours, locale) * 60 + WholePart(c.txtATimeMins, locale)) * 60);
}

// The working copy becomes the profile list and is stored. The profile in use is followed by its
// name, so removing a profile listed before it doesn't move the running program to another one.
void SaveEditedProfiles(Engine& e) {
    Globals& g = e.G;
    ProfileList& p = g.Profiles;
    if (g.EditProfileCount < 1) return;
    std::optional<std::string> inUse;
    Step([&] { inUse = p.CurrentName(); });
    Step([&] {
        std::vector<std::string> names(1);
        for (size_t i = 1; i <= static_cast<size_t>(g.EditProfileCount); ++i)
            names.push_back(g.EditProfileNames.at(i));
        p.ProfileNames = std::move(names);
        p.NumOfProfiles = g.EditProfileCount;
        const auto found = inUse ? std::find(p.ProfileNames.begin() + 1, p.ProfileNames.end(), *inUse)
                                 : p.ProfileNames.end();
        if (found != p.ProfileNames.end())
            p.CurrentProfile = static_cast<std::int16_t>(found - p.ProfileNames.begin());
    });
    Step([&] { e.Store.SetBaseSetting(kNumOfProfiles.Name, PaddedNumberText(p.NumOfProfiles)); });
    for (size_t i = 1; i < p.ProfileNames.size(); ++i)
        Step([&] { e.Store.SetBaseSetting(kProfileName.Name + std::to_string(i), p.ProfileNames[i]); });
    // With a second profile the main window offers to change profile.
    Step([&] { ArrangeForProfiles(e.View, p.NumOfProfiles); });
}

} // namespace

OptionsControls OptionsFromModel(const Globals& g, const Settings& settings) {
    const Locale& loc = settings.UserLocale();
    const auto money = [&](double amount, std::int16_t extraDecimals = 1) {
        return FormatMoney(amount, g.CurrencyLetter, loc, extraDecimals);
    };
    OptionsControls c;
    c.chkHideOnStart = g.HideOnStart;
    c.chkHideOnLogon = g.HideOnLogon;
    c.chkLogComments = g.LogComments;
    c.chkLogFails = g.LogFails;
    c.chkAskBeforeChanging = g.AskBeforeChanging;
    c.AutoCheckbox = g.AutoDetect;
    Step([&] {
        const std::string entry =
            settings.ReadRegistryValue(kRunKey, kRunValue, REG_SZ, HKEY_CURRENT_USER).ToText(loc);
        c.chkAutoRun = !Trim(entry).empty();
    });
    Step([&] { c.txtMinCharge = money(g.MinCharge); });
    Step([&] { c.txtFailCost = money(g.FailCharge); });
    for (size_t r = 0; r < 5; ++r) {
        c.RateName[r] = g.Rates[r + 1].Name;
        Step([&] { c.PerMin[r] = money(g.Rates[r + 1].Amount, 2); });
    }
    c.chkUseAlarm = g.AlarmKind != AlarmType::None;
    c.cboACostDuration =
        g.AlarmKind == AlarmType::None || g.AlarmKind == AlarmType::Money ? kCost : "Duration";
    Step([&] { c.txtAMoney = money(g.AlarmMoney); });
    Step([&] {
        const double hours = std::floor(g.AlarmTime / 3600);
        c.txtATimeHours = loc.FormatNumber(hours);
        c.txtATimeMins = loc.FormatNumber(g.AlarmTime / 60 - hours * 60);
    });
    c.cboATotal = g.AlarmTotal == 2 ? kThisSession : "Cumulative";
    c.chkAutoDisconnect = g.AutoDisconnect;
    c.chkISPAlarm = g.ISPAlarm;
    c.chkAutoDisconnectTime = std::to_string(g.AutoDisconnectTime);
    c.Log = g.LogEnabled;
    c.Cur = g.CurrencyLetter;
    c.TimeOrMoney0 = g.TaskBarDisplay == 1;
    c.ThisSesOrCum0 = g.TaskBarFrom == 1;
    c.ChkUnlimitedTime = g.UnlimitedTime;
    Step([&] { c.txtFreeTime = loc.FormatNumber(g.FreeTimePerMonth / 3600); });
    Step([&] { c.txtCostPerHour = money(g.CostPerHour); });
    c.txtResetDay = std::to_string(g.ResetDay);
    Step([&] { c.txtDataAllowance = loc.FormatNumber(g.DataAllowance); });
    c.txtDataWarning = std::to_string(g.DataWarning);
    c.chkDataHangUp = g.DataHangUp != 0;
    c.optStart = g.ConnectionDetectMode == DetectMode::WhenDialling;
    c.optNT = g.ConnectionDetectMode == DetectMode::Compatibility;
    c.optFully = !c.optStart && !c.optNT;
    return c;
}

void CopyProfilesForEditing(Globals& g) {
    const ProfileList& p = g.Profiles;
    g.EditProfileNames.assign(1, std::string());
    for (int i = 1; i <= p.NumOfProfiles && static_cast<size_t>(i) < p.ProfileNames.size(); ++i)
        g.EditProfileNames.push_back(p.ProfileNames[static_cast<size_t>(i)]);
    g.EditProfileCount = static_cast<std::int16_t>(g.EditProfileNames.size() - 1);
}

bool DeleteEditedProfile(Globals& g, UserInterface& ui, int selectedRow) {
    try {
        const int position = selectedRow + 1;
        if (selectedRow < 0 || g.EditProfileCount <= 1 || position > g.EditProfileCount) return false;
        const auto entry = g.EditProfileNames.begin() + position;
        // The running program saves its totals into its own profile, so that one stays listed.
        if (*entry == g.Profiles.CurrentName()) {
            ui.MsgBox("You can't delete the profile that is in use.");
            return false;
        }
        if (ui.MsgBox("Delete profile?", MsgButtons::YesNo, MsgIcon::None, "Delete") != MsgResult::Yes)
            return false;
        g.EditProfileNames.erase(entry);
        --g.EditProfileCount;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void SaveOptions(Engine& e, const OptionsControls& c, Autostart& autostart) {
    Globals& g = e.G;
    const Settings& s = e.Store;
    const Locale& loc = e.UserLocale();
    const auto store = [&](const Setting& row) { Step([&] { SaveSetting(row, g, s); }); };
    const auto money = [&](const std::string& text) {
        return Finite(ParseMoney(text, g.CurrencyLetter, loc));
    };

    g.HideOnStart = c.chkHideOnStart;
    store(kHideOnStart);
    g.HideOnLogon = c.chkHideOnLogon;
    store(kHideOnLogon);
    g.AskBeforeChanging = c.chkAskBeforeChanging;
    store(kAskBeforeChanging);
    g.AutoDetect = c.AutoCheckbox;
    store(kAutoDetect);

    const std::string entry = c.chkAutoRun ? autostart.ProgramEntry() : std::string();
    Step([&] { s.WriteRegistryValue(kRunKey, kRunValue, REG_SZ, Variant(entry), HKEY_CURRENT_USER); });
    Step([&] { autostart.Apply(entry); });

    Step([&] { g.MinCharge = money(c.txtMinCharge); });
    store(kMinCharge);
    Step([&] { g.FailCharge = money(c.txtFailCost); });
    store(kFailCharge);

    for (size_t n = 1; n <= 5; ++n) {
        g.Rates[n].Name = c.RateName[n - 1];
        Step([&] { g.Rates[n].Amount = money(c.PerMin[n - 1]); });
    }
    Step([&] { FillRateList(g, e.View); });
    for (size_t n = 1; n <= 5; ++n) {
        Step([&] { SaveSetting(kRateName, n, g, s); });
        Step([&] { SaveSetting(kRateAmount, n, g, s); });
    }

    g.AlarmKind = !c.chkUseAlarm                ? AlarmType::None
                  : c.cboACostDuration == kCost ? AlarmType::Money
                                                : AlarmType::Time;
    store(kAlarmKind);
    // A box that can't be read counts as a change: the alarm is armed again.
    bool limitChanged = true;
    Step([&] { limitChanged = money(c.txtAMoney) != g.AlarmMoney || LimitSeconds(c, loc) != g.AlarmTime; });
    if (limitChanged) {
        g.AlarmSounded = false;
        Step([&] { g.AlarmMoney = money(c.txtAMoney); });
        store(kAlarmMoney);
        Step([&] { g.AlarmTime = LimitSeconds(c, loc); });
        store(kAlarmTime);
    }
    g.AlarmTotal = c.cboATotal == kThisSession ? 2 : 1;
    store(kAlarmTotal);
    g.AutoDisconnect = c.chkAutoDisconnect;
    store(kAutoDisconnect);
    g.ISPAlarm = c.chkISPAlarm;
    store(kISPAlarm);
    Step([&] { g.AutoDisconnectTime = Variant(c.chkAutoDisconnectTime).ToInt16(loc); });
    store(kAutoDisconnectTime);

    g.LogEnabled = c.Log;
    store(kLogEnabled);
    g.LogComments = c.chkLogComments;
    store(kLogComments);
    g.LogFails = c.chkLogFails;
    store(kLogFails);

    Step([&] {
        e.View.SetStartStopEnabled(!g.AutoDetect);
        e.View.SetMenuStartStopEnabled(!g.AutoDetect);
        e.View.SetStartStopCaption(g.AutoDetect ? "Auto" : g.InCall ? "Stop" : "Start");
    });

    // Read with the currency letter that was in force when it was typed.
    std::optional<double> costPerHour;
    Step([&] { costPerHour = money(c.txtCostPerHour); });
    g.CurrencyLetter = c.Cur;
    store(kCurrencyLetter);

    g.TaskBarDisplay = c.TimeOrMoney0 ? 1 : 2;
    store(kTaskBarDisplay);
    g.TaskBarFrom = c.ThisSesOrCum0 ? 1 : 2;
    store(kTaskBarFrom);

    g.UnlimitedTime = c.ChkUnlimitedTime;
    store(kUnlimitedTime);
    Step([&] {
        g.FreeTimePerMonth = Finite(ParseStoredNumber(Variant(c.txtFreeTime), loc).ToDouble(loc) * 3600);
    });
    store(kFreeTimePerMonth);
    if (costPerHour) g.CostPerHour = *costPerHour;
    store(kCostPerHour);
    Step([&] {
        g.ResetDay = Variant(ParseStoredNumber(Variant(c.txtResetDay), loc).ToDouble(loc)).ToInt16(loc);
    });
    store(kResetDay);

    // A changed allowance or warning level warns again when it is reached.
    const double allowance = g.DataAllowance;
    const std::int16_t warning = g.DataWarning;
    Step([&] {
        const double typed = ParseStoredNumber(Variant(c.txtDataAllowance), loc).ToDouble(loc);
        if (!(typed >= 0 && typed <= kLargestAmount)) RunTimeErrors::Raise(RunTimeErrors::Overflow);
        g.DataAllowance = typed;
    });
    store(kDataAllowance);
    Step([&] {
        g.DataWarning = Variant(ParseStoredNumber(Variant(c.txtDataWarning), loc).ToDouble(loc)).ToInt16(loc);
    });
    store(kDataWarning);
    if (g.DataAllowance != allowance || g.DataWarning != warning) {
        g.DataWarned = false;
        store(kDataWarned);
    }
    g.DataHangUp = c.chkDataHangUp ? 1 : 0;
    store(kDataHangUp);

    g.ConnectionDetectMode = c.optStart ? DetectMode::WhenDialling
                             : c.optNT  ? DetectMode::Compatibility
                                        : DetectMode::WhenConnected;
    store(kConnectionDetectMode);

    SaveEditedProfiles(e);
}
