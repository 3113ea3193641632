#pragma once

#include "engine/Engine.h"

// The main window's second timer, every 2 s: the window title and the tray tip follow the
// running figures, and the rate in force follows the day and hour, after asking when the
// profile wants that. A declined rate is not proposed again until the selection moves on.
void Timer2_Timer(Engine& engine);
