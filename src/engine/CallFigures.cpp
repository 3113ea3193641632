#include "engine/CallFigures.h"

double RateAmount(const Globals& g) {
    if (g.CurrentRate < 0 || g.CurrentRate >= static_cast<int>(g.Rates.size())) return 0;
    return g.Rates[static_cast<size_t>(g.CurrentRate)].Amount;
}

double SegmentTime(const Globals& g, double callClock) {
    return g.InCall ? callClock - g.SegmentStart : 0;
}

double CallTime(const Globals& g, double callClock) {
    return g.InCall ? g.CallTimeBanked + SegmentTime(g, callClock) : 0;
}

double CallCost(const Globals& g, double callClock) {
    const double x = g.CallCostBanked + SegmentTime(g, callClock) / 60 * RateAmount(g);
    return x > 0 && x < g.MinCharge ? g.MinCharge : x;
}

double SessionTime(const Globals& g, double callClock) {
    return g.SessionTimeBanked + CallTime(g, callClock);
}

double SessionMoney(const Globals& g, double callClock) {
    return g.SessionMoneyBanked + ProviderCharge(g, callClock) + CallCost(g, callClock);
}

double TotalTime(const Globals& g, double callClock) {
    return g.CumulativeTime + SessionTime(g, callClock);
}

double TotalMoney(const Globals& g, double callClock) {
    return g.CumulativeMoney + SessionMoney(g, callClock);
}

namespace {
// A free time left below zero (typed by hand, or stored so) is none: it never adds a charge.
double FreeAtStart(const Globals& g) {
    return g.FreeTimeLeft > 0 ? g.FreeTimeLeft : 0;
}
} // namespace

double FreeTimeLeftNow(const Globals& g, double callClock) {
    const double left = FreeAtStart(g) - SessionTime(g, callClock);
    return left < 0 ? 0 : left;
}

double ProviderCharge(const Globals& g, double callClock) {
    const double beyond = SessionTime(g, callClock) - FreeAtStart(g);
    if (g.UnlimitedTime || beyond <= 0) return 0;
    return beyond / 60 / 60 * g.CostPerHour;
}
