#pragma once

#include "engine/Engine.h"

// The handler of the main window's 500 ms timer: keeps the clock's base date, applies a rate picked
// in the rate list, refreshes the figures, checks the alarms, detects the start and end of calls and
// failed dials, and runs the free-time step. The caller makes sure it never re-enters itself.
void Timer1_Timer(Engine& engine);
// What the tick does while a window it opened holds it: watches the line, reading only, and notes
// the moment a running call's line is first seen down, so that the call ends there.
void WatchLineWhileHeld(Engine& engine);
// The call clock of the tick: now, or the moment the running call's line was seen down while held.
double TickClock(Engine& engine);
// Starts timing a call now, with the first listed connection's name.
void StartCall(Engine& engine);
// Ends the running call: logs it and banks its time and money into the session. `userPresent`
// false skips the comment question (see WriteLogComment).
void EndCall(Engine& engine, bool failed, bool userPresent = true);
