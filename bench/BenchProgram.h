#pragma once

#include "engine/ModelLoad.h"
#include "engine/Tick.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "support/FakeMainWindowView.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>

// A loaded profile for the benchmarks: the program as it stands after start-up, without windows.

class SilentUserInterface final : public UserInterface {
public:
    MsgResult MsgBox(const std::string&, MsgButtons buttons, MsgIcon, const std::string&) override {
        return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::OK;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void Beep() override {}
    void ShowAlarm(const std::string&) override {}
    void ShowAlarmDisconnect(AlarmCountdown&) override {}
};

// A profile loaded from a SQLite store in a folder of its own.
struct Program {
    Program() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tallydial-bench.XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder for the benchmark");
        folder = pattern;
        store = SqliteRegistryStore::Open(folder / "registry.db", clock).Store;
        settings = std::make_unique<Settings>(*store, locale, g.Profiles);
        g.Profiles.NumOfProfiles = 1;
        g.Profiles.ProfileNames = {"", "Default"};
        g.Profiles.CurrentProfile = 1;
        g.Profiles.ProfileSelected = true;
        g.ClockBaseDate = clock.Today();
        g.LogFilePath = (folder / "log.dat").string();
        LoadModel(g, *settings, clock, ui, view);
    }
    ~Program() { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
    SystemClock clock;
    Locale locale = Locale::DecimalPoint();
    std::unique_ptr<SqliteRegistryStore> store;
    Globals g;
    std::unique_ptr<Settings> settings;
    SilentUserInterface ui;
    FakeMainWindowView view;
};

// The tick while `line` carries an established call; `between` runs before every tick.
inline void TickDuringCall(
    benchmark::State& state, Program& program, DialUpService& line,
    const std::function<void()>& between = [] {}) {
    DetectConnection detect(line);
    Engine engine{program.g, *program.settings, program.clock, detect, program.ui, program.view};
    Timer1_Timer(engine);
    if (!program.g.InCall) state.SkipWithError("the call did not start");
    for (auto _ : state) {
        between();
        Timer1_Timer(engine);
    }
}
