#include "dialogs/OptionsControls.h"

#include "engine/ChargeRates.h"
#include "engine/Values.h"
#include "engine/ModelLoad.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"

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

std::string Flag(bool value) {
    return PlainIntegerText(value ? -1 : 0);
}

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
    Step([&] { e.Store.SetBaseSetting("NumOfProfiles", PaddedNumberText(p.NumOfProfiles)); });
    for (size_t i = 1; i < p.ProfileNames.size(); ++i)
        Step([&] { e.Store.SetBaseSetting("ProfileName" + std::to_string(i), p.ProfileNames[i]); });
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
    c.chkUseAlarm = g.AlarmKind != 3;
    c.cboACostDuration = g.AlarmKind == 3 || g.AlarmKind == 1 ? kCost : "Duration";
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
    c.optStart = g.ConnectionDetectMode == 1;
    c.optNT = g.ConnectionDetectMode == 3;
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
    const auto store = [&](const char* section, const std::string& name, const std::string& text) {
        Step([&] { s.SetProfileSetting(section, name, text); });
    };
    const auto money = [&](const std::string& text) {
        return Finite(ParseMoney(text, g.CurrencyLetter, loc));
    };

    g.HideOnStart = c.chkHideOnStart;
    store("Misc", "HideOnStart", Flag(g.HideOnStart));
    g.HideOnLogon = c.chkHideOnLogon;
    store("Misc", "HideOnLogon", Flag(g.HideOnLogon));
    g.AskBeforeChanging = c.chkAskBeforeChanging;
    store("Charges", "AskBeforeChanging", Flag(g.AskBeforeChanging));
    g.AutoDetect = c.AutoCheckbox;
    store("Misc", "Auto", Flag(g.AutoDetect));

    const std::string entry = c.chkAutoRun ? autostart.ProgramEntry() : std::string();
    Step([&] { s.WriteRegistryValue(kRunKey, kRunValue, REG_SZ, Variant(entry), HKEY_CURRENT_USER); });
    Step([&] { autostart.Apply(entry); });

    Step([&] { g.MinCharge = money(c.txtMinCharge); });
    store("Charges", "MinCharge", PointNumberText(g.MinCharge));
    Step([&] { g.FailCharge = money(c.txtFailCost); });
    store("Charges", "FailCharge", PointNumberText(g.FailCharge));

    for (size_t n = 1; n <= 5; ++n) {
        g.Rates[n].Name = c.RateName[n - 1];
        Step([&] { g.Rates[n].Amount = money(c.PerMin[n - 1]); });
    }
    Step([&] { FillRateList(g, e.View); });
    for (size_t n = 1; n <= 5; ++n) {
        store("Charges", "Name" + std::to_string(n), g.Rates[n].Name);
        store("Charges", "Amount" + std::to_string(n), PointNumberText(g.Rates[n].Amount));
    }

    g.AlarmKind = !c.chkUseAlarm ? 3 : c.cboACostDuration == kCost ? 1 : 2;
    store("Alarm", "Alarm", PaddedNumberText(g.AlarmKind));
    // A box that can't be read counts as a change: the alarm is armed again.
    bool limitChanged = true;
    Step([&] { limitChanged = money(c.txtAMoney) != g.AlarmMoney || LimitSeconds(c, loc) != g.AlarmTime; });
    if (limitChanged) {
        g.AlarmSounded = false;
        Step([&] { g.AlarmMoney = money(c.txtAMoney); });
        store("Alarm", "Money", PointNumberText(g.AlarmMoney));
        Step([&] { g.AlarmTime = LimitSeconds(c, loc); });
        store("Alarm", "Time", PaddedNumberText(g.AlarmTime));
    }
    g.AlarmTotal = c.cboATotal == kThisSession ? 2 : 1;
    store("Alarm", "Total", PaddedNumberText(g.AlarmTotal));
    g.AutoDisconnect = c.chkAutoDisconnect;
    store("Alarm", "AutoDisconnect", Flag(g.AutoDisconnect));
    store("Alarm", "ISPAlarm", WordBooleanText(c.chkISPAlarm));
    g.ISPAlarm = c.chkISPAlarm;
    Step([&] { g.AutoDisconnectTime = Variant(c.chkAutoDisconnectTime).ToInt16(loc); });
    store("Alarm", "AutoDisconnectTime", PlainIntegerText(g.AutoDisconnectTime));

    g.LogEnabled = c.Log;
    store("Log", "Enabled", Flag(g.LogEnabled));
    g.LogComments = c.chkLogComments;
    store("Log", "Comments", Flag(g.LogComments));
    g.LogFails = c.chkLogFails;
    store("Log", "LogFails", Flag(g.LogFails));

    Step([&] {
        e.View.SetStartStopEnabled(!g.AutoDetect);
        e.View.SetMenuStartStopEnabled(!g.AutoDetect);
        e.View.SetStartStopCaption(g.AutoDetect ? "Auto" : g.InCall ? "Stop" : "Start");
    });

    // Read with the currency letter that was in force when it was typed.
    std::optional<double> costPerHour;
    Step([&] { costPerHour = money(c.txtCostPerHour); });
    g.CurrencyLetter = c.Cur;
    store("Country", "Double", g.CurrencyLetter);

    g.TaskBarDisplay = c.TimeOrMoney0 ? 1 : 2;
    store("TaskBar", "Display", PlainIntegerText(g.TaskBarDisplay));
    g.TaskBarFrom = c.ThisSesOrCum0 ? 1 : 2;
    store("TaskBar", "From", PlainIntegerText(g.TaskBarFrom));

    store("ISP Charges", "UnlimitedTime", WordBooleanText(c.ChkUnlimitedTime));
    g.UnlimitedTime = c.ChkUnlimitedTime;
    Step([&] {
        g.FreeTimePerMonth = Finite(ParseStoredNumber(Variant(c.txtFreeTime), loc).ToDouble(loc) * 3600);
    });
    store("ISP Charges", "FreeTimePerMonth", PaddedNumberText(g.FreeTimePerMonth));
    if (costPerHour) g.CostPerHour = *costPerHour;
    store("ISP Charges", "CostPerHour", PaddedNumberText(g.CostPerHour));
    Step([&] {
        g.ResetDay = Variant(ParseStoredNumber(Variant(c.txtResetDay), loc).ToDouble(loc)).ToInt16(loc);
    });
    store("ISP Charges", "ResetDay", PaddedNumberText(g.ResetDay));

    g.ConnectionDetectMode = c.optStart ? 1 : c.optNT ? 3 : 2;
    store("Misc", "ConnectionDetectMode", PaddedNumberText(g.ConnectionDetectMode));

    SaveEditedProfiles(e);
}
