#include "engine/Tick.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "platform/sim/SimulatedLine.h"
#include "settings/ModelLoad.h"
#include "support/FakeMainWindowView.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

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

// A profile loaded from a SQLite store in a folder of its own, and a simulated line.
struct Program {
    Program() {
        std::string pattern = (fs::temp_directory_path() / "tallydial-bench.XXXXXX").string();
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
    ~Program() { fs::remove_all(folder); }

    fs::path folder;
    SystemClock clock;
    Locale locale = Locale::DecimalPoint();
    std::unique_ptr<SqliteRegistryStore> store;
    Globals g;
    std::unique_ptr<Settings> settings;
    SilentUserInterface ui;
    FakeMainWindowView view;
};

void BM_TickDuringCall(benchmark::State& state) {
    Program program;
    SimulatedLine line(program.folder / "line");
    line.Edit([](SimulatedLineState& s) {
        s.Add("Demo ISP", true);
        return true;
    });
    DetectConnection detect(line);
    Engine engine{program.g, *program.settings, program.clock, detect, program.ui, program.view};
    Timer1_Timer(engine);
    if (!program.g.InCall) state.SkipWithError("the call did not start");
    for (auto _ : state)
        Timer1_Timer(engine);
}
BENCHMARK(BM_TickDuringCall);

void BM_ModelLoad(benchmark::State& state) {
    Program program; // the first load has created every value
    for (auto _ : state)
        LoadModel(program.g, *program.settings, program.clock, program.ui, program.view);
}
BENCHMARK(BM_ModelLoad)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
