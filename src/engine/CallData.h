#pragma once

#include "engine/Engine.h"
#include "settings/Locale.h"

#include <string>
#include <string_view>

// The allowance is set in decimal gigabytes.
inline constexpr double kBytesPerGigabyte = 1e9;

// Bytes in decimal units (B, kB, MB, GB): whole bytes, else one decimal at most.
std::string FormatBytes(double bytes, const Locale& locale);
// The month's bytes against the allowance, both in the allowance's unit: "12.4 of 20 GB".
std::string FormatBytesOf(double used, double allowance, const Locale& locale);

// The running call's bytes; none outside a call.
LineTraffic CallVolume(const Engine& engine);
// The session's bytes: its ended calls and the running call.
double SessionData(const Engine& engine);
// This month's bytes: those before the session and the session's since the allowance was renewed.
double MonthData(const Engine& engine);

// A new call's meter, based on a first reading of its line, or on the counters a profile switch
// handed on when the call is the one it carried over.
void StartCallTraffic(Engine& engine);
// Reads the running call's counters into its volume. A line listed under a new handle (the same
// call dialled again behind the detection's back) is read from a new base.
void ReadCallTraffic(Engine& engine);
// The session's and the month's data in the main window.
void ShowData(Engine& engine);
// The counters a profile switch hands to the next run, as one word of its command line.
std::string SwitchCountersWord(const LineTraffic& counters);
// Takes the counters of such a word for the call the switch carries over; false when it is none.
bool TakeSwitchCounters(std::string_view word, Globals& g);
// The allowance's warning, once a month, and the countdown that hangs up once it is used up.
void CheckDataAlarms(Engine& engine);
