#pragma once

#include "settings/Globals.h"

// The figures of the running call, the session and the totals. They are never stored: each is
// computed from the state and one call-clock reading (CallClock), so that every figure shown in
// a tick agrees with the same moment.
// The price per minute of the rate in force; 0 when the rate number is out of range.
double RateAmount(const Globals& globals);
double SegmentTime(const Globals& globals, double callClock);
double CallTime(const Globals& globals, double callClock);
// The phone cost of the running call, with the minimum charge as a floor once it is above zero.
double CallCost(const Globals& globals, double callClock);
double SessionTime(const Globals& globals, double callClock);
// The phone costs banked and running, and the provider's charge, each counted once.
double SessionMoney(const Globals& globals, double callClock);
double TotalTime(const Globals& globals, double callClock);
double TotalMoney(const Globals& globals, double callClock);
// Free time left, never below zero.
double FreeTimeLeftNow(const Globals& globals, double callClock);
// The provider's price for the session's time beyond the free time left at the session's start.
double ProviderCharge(const Globals& globals, double callClock);
