#pragma once

#include "connection/DetectConnection.h"
#include "engine/Clock.h"
#include "engine/MainWindowView.h"
#include "engine/UserInterface.h"
#include "settings/Globals.h"
#include "settings/Settings.h"

// What the tick, the timers and the main window's commands reach: the model and the injected
// services. The application builds one and hands it to every handler; tests build one of fakes.
struct Engine {
    Globals& G;
    const Settings& Store;
    const Clock& Time;
    DetectConnection& Detect;
    UserInterface& Ui;
    MainWindowView& View;

    const Locale& UserLocale() const { return Store.UserLocale(); }
};
