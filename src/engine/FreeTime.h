#pragma once

#include "engine/Engine.h"

// The tick's free-time step: the labels, the run-out event and the monthly renewal.
void FreeTimeStep(Engine& engine, double callClock);
