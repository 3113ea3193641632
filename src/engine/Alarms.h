#pragma once

#include "engine/Engine.h"

#include <string>

// The money and time alarms of the tick: raised once when the watched figure passes its limit
// during a call.
void CheckAlarms(Engine& engine, double callClock);

// Shows the alarm with `message` and marks the alarm as gone off: the countdown window when a
// line is up and automatic disconnection is on, the plain window otherwise.
void RaiseAlarm(Engine& engine, const std::string& message);

// The plain alarm window with `message`, announced from the tray as well; touches no alarm state.
void ShowPlainAlarm(Engine& engine, const std::string& message);
