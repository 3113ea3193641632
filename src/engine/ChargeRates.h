#pragma once

#include "settings/Globals.h"
#include "settings/MainWindowView.h"

#include <cstdint>

// The rate (1 ... 5) whose window of days and hours holds the moment `now` (a date serial);
// the lowest number wins, and rate 1 when none matches.
std::int16_t AutoSelectRate(const Globals& globals, double now);
// Refills the rate list with the five names and shows the rate in force.
void FillRateList(const Globals& globals, MainWindowView& view);

struct Engine;

// Makes rate n the rate in force. A running call keeps what it has cost so far (the minimum
// charge included) and is priced at the new rate from this moment. Each step that fails is
// skipped, so the rate is never left half switched.
void SetCurrentRate(Engine& engine, std::int16_t n);
