#pragma once

#include "connection/DetectConnection.h"
#include "connection/TrafficMeter.h"
#include "settings/Clock.h"
#include "settings/Globals.h"
#include "settings/MainWindowView.h"
#include "settings/Settings.h"
#include "settings/UserInterface.h"

#include <cstdint>

// What the tick, the timers and the main window's commands reach: the model and the injected
// services. The application builds one and hands it to every handler; tests build one of fakes.
class SessionJournal;

struct Engine {
    Globals& G;
    const Settings& Store;
    const Clock& Time;
    DetectConnection& Detect;
    UserInterface& Ui;
    MainWindowView& View;
    // Kept current while the program runs; none in tests that don't look at it.
    SessionJournal* Journal = nullptr;
    // The running call's bytes, and the connection whose counters they come from.
    TrafficMeter Traffic{};
    std::uint64_t TrafficHandle = 0;

    const Locale& UserLocale() const { return Store.UserLocale(); }
};
