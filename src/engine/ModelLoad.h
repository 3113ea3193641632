#pragma once

#include "settings/Clock.h"
#include "settings/Globals.h"
#include "settings/MainWindowView.h"
#include "settings/Settings.h"
#include "settings/UserInterface.h"

#include <cstdint>

// The main window's load: reads every setting of the profile in use into the model (creating
// missing values with their defaults), lays the window out, selects the rate for the present
// moment, puts the icon into the tray, shows the window unless the profile starts hidden and
// closes the splash. Each statement that fails is skipped; only the first failure is reported.
void LoadModel(Globals& globals, const Settings& settings, const Clock& clock, UserInterface& ui,
               MainWindowView& view);

// Lays the main window out for the number of profiles: with more than one, the profile frame and
// its "Change Profile" button show.
void ArrangeForProfiles(MainWindowView& view, std::int16_t numOfProfiles);
