#include "engine/CallData.h"

#include "engine/AlarmCountdown.h"
#include "engine/Alarms.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"
#include "settings/SettingsTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

constexpr std::array<const char*, 4> kUnits = {"B", "kB", "MB", "GB"};
constexpr std::array<double, 4> kUnitBytes = {1, 1e3, 1e6, 1e9};

double OneDecimal(double value) {
    return std::round(value * 10) / 10;
}

// The unit in which the figure reads below 1000 once rounded, GB at most.
std::size_t UnitFor(double bytes) {
    std::size_t unit = 0;
    while (unit + 1 < kUnits.size() && OneDecimal(bytes / kUnitBytes[unit]) >= 1000)
        ++unit;
    return unit;
}

std::string InUnit(double bytes, std::size_t unit, const Locale& locale) {
    if (unit == 0) return locale.FormatNumber(std::round(bytes));
    return locale.FormatNumber(OneDecimal(bytes / kUnitBytes[unit]));
}

double Positive(double bytes) {
    return bytes > 0 ? bytes : 0;
}

} // namespace

std::string FormatBytes(double bytes, const Locale& locale) {
    bytes = Positive(bytes);
    const std::size_t unit = UnitFor(bytes);
    return InUnit(bytes, unit, locale) + " " + kUnits[unit];
}

std::string FormatBytesOf(double used, double allowance, const Locale& locale) {
    used = Positive(used);
    if (!(allowance > 0)) return FormatBytes(used, locale);
    const std::size_t unit = UnitFor(std::max(used, allowance));
    return InUnit(used, unit, locale) + " of " + InUnit(allowance, unit, locale) + " " + kUnits[unit];
}

LineTraffic CallVolume(const Engine& e) {
    return e.G.InCall ? e.Traffic.Volume() : LineTraffic{};
}

double SessionData(const Engine& e) {
    const LineTraffic call = CallVolume(e);
    return e.G.SessionDataBanked + double(call.Received) + double(call.Sent);
}

double MonthData(const Engine& e) {
    return e.G.DataUsed + SessionData(e) - e.G.SessionDataBeforeRenewal;
}

void StartCallTraffic(Engine& e) {
    Globals& g = e.G;
    std::optional<LineTraffic> base;
    if (g.SwitchedCountersKnown) base = LineTraffic{g.SwitchedReceived, g.SwitchedSent};
    g.SwitchedCountersKnown = false;
    e.Traffic.Start(base);
    e.TrafficHandle = e.Detect.FirstHandle().value_or(0);
    e.G.DataHangUpShown = false;
    ReadCallTraffic(e);
}

void ReadCallTraffic(Engine& e) {
    if (!e.G.InCall || e.G.LineSeenDownAt >= 0) return;
    const std::optional<std::uint64_t>& handle = e.Detect.FirstHandle();
    if (!handle) {
        e.Traffic.Read(false, {});
        return;
    }
    if (*handle != e.TrafficHandle) {
        e.TrafficHandle = *handle;
        e.Traffic.Resume(LineTraffic(e.Traffic.Volume()));
    }
    LineTraffic counters;
    const bool readable = e.Detect.Service().ReadTraffic(*handle, counters);
    e.Traffic.Read(readable, counters);
}

std::string SwitchCountersWord(const LineTraffic& counters) {
    return std::to_string(counters.Received) + ":" + std::to_string(counters.Sent);
}

bool TakeSwitchCounters(std::string_view word, Globals& g) {
    const std::size_t colon = word.find(':');
    if (colon == std::string_view::npos) return false;
    const auto received = NumberFrom<std::uint64_t>(word.substr(0, colon));
    const auto sent = NumberFrom<std::uint64_t>(word.substr(colon + 1));
    if (!received || !sent) return false;
    g.SwitchedCountersKnown = true;
    g.SwitchedReceived = *received;
    g.SwitchedSent = *sent;
    return true;
}

void ShowData(Engine& e) {
    const Locale& locale = e.UserLocale();
    e.View.SetLabel(MainLabel::lblSessionData, FormatBytes(SessionData(e), locale));
    e.View.SetLabel(MainLabel::lblMonthData,
                    FormatBytesOf(MonthData(e), e.G.DataAllowance * kBytesPerGigabyte, locale));
}

void CheckDataAlarms(Engine& e) {
    Globals& g = e.G;
    const double allowance = g.DataAllowance * kBytesPerGigabyte;
    if (!g.InCall || !(allowance > 0)) return;
    const double used = MonthData(e);
    const bool usedUp = g.DataHangUp != 0 && !g.DataHangUpShown && used >= allowance;
    const bool warn = g.DataWarning > 0 && !g.DataWarned && used >= allowance * g.DataWarning / 100;
    if (warn || usedUp) {
        // Shown once a month, whatever the runs in between: the mark is stored at once.
        g.DataWarned = true;
        try {
            SaveSetting(kDataWarned, g, e.Store);
        } catch (const RunTimeError&) {
            // The mark holds for this run at least.
        }
    }
    if (usedUp) {
        g.DataHangUpShown = true;
        g.AlarmMessage = "You have used all of this month's data allowance.";
        e.View.ShowTrayMessage("Alarm", g.AlarmMessage);
        AlarmCountdown countdown(g, e.Store, e.Time, e.Detect.Service(), AlarmCountdown::For::DataAllowance);
        e.Ui.ShowAlarmDisconnect(countdown);
    } else if (warn) {
        ShowPlainAlarm(e, "You have used " + std::to_string(g.DataWarning) +
                              "% of this month's data allowance.");
    }
}
