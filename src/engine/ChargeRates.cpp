#include "engine/ChargeRates.h"

#include "engine/CallFigures.h"
#include "engine/Engine.h"
#include "engine/SessionJournal.h"
#include "engine/Values.h"
#include "settings/DateSerial.h"

std::int16_t AutoSelectRate(const Globals& g, double now) {
    const double d = DateSerial::Weekday(now);
    const double h = DateSerial::ToTime(now).Hour;
    for (std::int16_t i = 1; i <= 5; ++i) {
        const ChargeRate& r = g.Rates[static_cast<size_t>(i)];
        const bool day =
            r.FromDay <= r.ToDay ? (r.FromDay <= d && d <= r.ToDay) : (d >= r.FromDay || d <= r.ToDay);
        if (!day) continue;
        // Bounds in this order describe a window over midnight.
        const bool hour = r.BeforeHour < r.AfterHour
                              ? (h < r.BeforeHour || h >= r.AfterHour)
                              : ((h < r.BeforeHour && h >= r.AfterHour) || r.BeforeHour == r.AfterHour);
        if (hour) return i;
    }
    return 1;
}

void FillRateList(const Globals& g, MainWindowView& view) {
    view.ClearRateList();
    for (size_t i = 1; i <= 5; ++i)
        view.AddRateName(g.Rates[i].Name);
    if (g.CurrentRate >= 0 && g.CurrentRate < static_cast<int>(g.Rates.size()))
        view.SetRateText(g.Rates[static_cast<size_t>(g.CurrentRate)].Name);
}

void SetCurrentRate(Engine& e, std::int16_t n) {
    Globals& g = e.G;
    if (n == g.CurrentRate) return;
    FillRateList(g, e.View);
    const double now = CallClock(g, e.Time);
    // Outside a call both figures are 0 already.
    if (g.InCall) {
        g.CallCostBanked = CallCost(g, now);
        g.CallTimeBanked = CallTime(g, now);
    }
    g.CurrentRate = n;
    g.SegmentStart = now;
    if (n >= 0 && n < static_cast<int>(g.Rates.size()))
        e.View.SetRateText(g.Rates[static_cast<size_t>(n)].Name);
    if (e.Journal) e.Journal->Write(e);
}
