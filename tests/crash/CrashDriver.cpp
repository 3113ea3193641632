// The program's core without its windows, over the real store, journal and log files in one folder,
// with a fake clock and a fake line: one start of the program a process, so that a fault injector
// can end it anywhere and the next start can be checked.
//
//   crash-driver prep FOLDER SCENARIO      the state the scenario starts from
//   crash-driver run FOLDER SCENARIO       the scenario, its file changes counted (and faulted)
//   crash-driver restart FOLDER            a plain start: recovers what it finds, then ends
//   crash-driver check FOLDER SCENARIO MODE   the invariants; says each one broken, exits 1
#include "engine/CallLog.h"
#include "engine/SessionJournal.h"
#include "platform/JournalFileName.h"
#include "platform/linux/StateJournalFile.h"
#include "startup/SessionRecovery.h"
#include "support/EngineHarness.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kProfiles = {"", "Default", "Work"};
constexpr double kStartsApart = 1800;
constexpr double kRatePerMinute = 0.01;

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The injector's controls, when it is preloaded.
template <typename F> F Control(const char* name) {
    void* found = dlsym(RTLD_DEFAULT, name);
    F control = nullptr;
    std::memcpy(&control, &found, sizeof control);
    return control;
}

void Arm(bool on) {
    if (auto* arm = Control<void (*)(int)>("tallydial_fault_arm")) arm(on ? 1 : 0);
}

// What a start needs of its folder before it begins: its moment, each start this long after the
// last one began (later than anything the last one did), and the profile it runs.
HarnessStart Where(const fs::path& folder) {
    const double elapsed = std::stod(ReadText(folder / "clock", "0")) + kStartsApart;
    WriteText(folder / "clock", std::to_string(elapsed));
    fs::create_directories(folder / "state");
    return {folder, elapsed, kProfiles,
            static_cast<std::int16_t>(ReadText(folder / "profile") == "Work" ? 2 : 1)};
}

// One start of the program in `folder`, with the totals at one rate and every call logged.
class Start : public EngineHarness {
public:
    explicit Start(const HarnessStart& where) : EngineHarness(where) {
        MovePendingIntoLog(g.LogFilePath, g.LogPendingPath);
        g.UnlimitedTime = true;
        g.AutoDetect = true;
        g.LogEnabled = true;
        g.Rates[1].Amount = kRatePerMinute;
        g.CurrentRate = 1;
        // The profile switch: the next start runs the other profile.
        m_host.WhileRestarting = [this] {
            WriteText(folder.Path() / "profile", g.Profiles.CurrentProfile == 1 ? "Work" : "Default");
        };
        m_journalFile =
            StateJournalFile::Claim(folder.Path() / "state", g.Profiles.ProfileNames[where.Current], 0);
        if (m_journalFile) {
            m_journal.emplace(*m_journalFile);
            engine.Journal = &*m_journal;
            RecoverSession(engine, *m_journal);
        }
        Tick();
    }

    void Exit(int mode) { m_commands.Form_Unload(mode); }

private:
    FakeMainWindowHost m_host;
    std::unique_ptr<StateJournalFile> m_journalFile;
    std::optional<SessionJournal> m_journal;
    MainWindowCommands m_commands{engine, m_host};
};

// What one start does: its calls, then one left up for `Online` seconds, then its end (kCut: none,
// the start is cut off there). With Comments, each call's comment is asked for and given from Answers.
constexpr int kCut = -1;
struct Session {
    std::vector<double> Calls = {};
    double Online = 0;
    int Exit = UnloadModes::TaskManager;
    bool Comments = false;
    std::vector<std::string> Answers = {};
};

void Play(Start& s, const Session& session) {
    if (session.Comments) s.g.LogComments = true;
    s.ui.Inputs.assign(session.Answers.begin(), session.Answers.end());
    for (double seconds : session.Calls)
        s.Call(seconds);
    if (session.Online > 0) s.Online(session.Online);
    // Ended by code only to switch profiles.
    if (session.Exit == UnloadModes::Code) s.g.ProfileSwitchPending = true;
    if (session.Exit != kCut) s.Exit(session.Exit);
}

void Play(const fs::path& folder, const Session& session) {
    Start s(Where(folder));
    Play(s, session);
}

void BreakLog(const fs::path& folder) {
    fs::create_directory(folder / "log.dat");
}

// A log that is an empty folder is mended at each plain start.
void MendLog(const fs::path& folder) {
    std::error_code ignored;
    if (fs::is_directory(folder / "log.dat")) fs::remove(folder / "log.dat", ignored);
}

// A settings file that can't be read (a folder in its place) is mended at each plain start.
void MendStore(const fs::path& folder) {
    std::error_code ignored;
    if (!fs::exists(folder / "registry.db.real")) return;
    fs::remove(folder / "registry.db", ignored);
    fs::rename(folder / "registry.db.real", folder / "registry.db", ignored);
}

// A start cut off 70 s into a call.
void CutMidCall(const fs::path& folder) {
    Play(folder, {.Online = 70, .Exit = kCut});
}

struct Scenario {
    const char* Name;
    std::function<void(const fs::path&)> Prep;
    Session Run;
    std::map<std::string, double> Seconds; // each profile's time once the scenario is done
};

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> scenarios = {
        {"comment",
         nullptr,
         {{95}, 40, UnloadModes::CloseBox, true, {"first call", "second call"}},
         {{"Default", 135}}},
        {"read-only-log", BreakLog, {{30, 25}}, {{"Default", 55}}},
        {"exit-save", nullptr, {{}, 50, UnloadModes::CloseBox, true}, {{"Default", 50}}},
        {"recovery-start", CutMidCall, {{20}}, {{"Default", 90}}},
        {"pending-move",
         [](const fs::path& folder) {
             BreakLog(folder);
             Play(folder, {{30, 20}});
             MendLog(folder);
         },
         {{15}},
         {{"Default", 65}}},
        {"unreadable-store",
         [](const fs::path& folder) {
             Play(folder, {{100}});
             fs::rename(folder / "registry.db", folder / "registry.db.real");
             fs::create_directory(folder / "registry.db");
         },
         {{10}},
         {{"Default", 110}}},
        {"recovery-read-only-log",
         [](const fs::path& folder) {
             CutMidCall(folder);
             BreakLog(folder);
         },
         {{20}},
         {{"Default", 90}}},
        {"profile-switch", nullptr, {{}, 60, UnloadModes::Code}, {{"Default", 60}, {"Work", 0}}},
    };
    return scenarios;
}

struct Record {
    std::string Date, Start, Profile, Connection;
    double Duration = 0, Cost = 0;
};

// Every invariant a start must leave true, whatever point the run before it ended at.
int Check(const fs::path& folder, const Scenario& scenario, const std::string& mode) {
    int broken = 0;
    const auto violation = [&](const std::string& what) {
        std::cout << scenario.Name << " " << mode << ": " << what << "\n";
        ++broken;
    };
    const std::vector<std::string> lines = TextLines(folder / "log.dat");
    if (lines.size() % 10 != 0) violation("the log has " + std::to_string(lines.size()) + " lines");
    std::vector<Record> records;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool marker = lines[i] == "\"TALLYD\"";
        if (marker != (i % 10 == 0)) {
            violation("a record is not ten lines long, at line " + std::to_string(i + 1));
            break;
        }
        if (marker && i + 9 < lines.size())
            records.push_back({lines[i + 1], lines[i + 2], lines[i + 6], lines[i + 7],
                               std::stod(lines[i + 4]), std::stod(lines[i + 5])});
    }
    std::set<std::tuple<std::string, std::string, std::string>> seen;
    for (const Record& r : records)
        if (!seen.insert({r.Date, r.Start, r.Profile}).second) violation("a call logged twice: " + r.Start);
    if (!ReadText(folder / "state" / "log-pending.dat").empty()) violation("records left pending");
    for (const auto& entry : fs::directory_iterator(folder / "state"))
        if (entry.path().extension() == ".journal") violation("a journal left after a clean end");

    auto store =
        SqliteRegistryStore::Open(folder / "registry.db", FakeClock(), SqliteRegistryStore::Access::ReadOnly)
            .Store;
    for (const auto& [profile, expected] : scenario.Seconds) {
        const auto stored = [&](const char* name) {
            const auto text = StoredText(*store, Settings::BaseKey + profile + "\\CumulativeTotal", name);
            return text && !text->empty() ? std::stod(*text) : 0.0;
        };
        double loggedTime = 0, loggedMoney = 0;
        for (const Record& r : records)
            if (r.Profile == "\"" + profile + "\"") {
                loggedTime += r.Duration;
                loggedMoney += r.Cost;
            }
        const double time = stored("Time"), money = stored("Money");
        std::ostringstream figures;
        figures << profile << ": stored " << time << " s and " << money << ", logged " << loggedTime
                << " s and " << loggedMoney << ", the scenario " << expected << " s";
        // The totals hold what the log holds, less at most the journal's interval of a cut call.
        if (time > loggedTime + 1e-6 || loggedTime - time > SessionJournal::kCallInterval + 1e-6)
            violation("time counted other than once: " + figures.str());
        if (money > loggedMoney + 1e-9 ||
            loggedMoney - money > SessionJournal::kCallInterval / 60 * kRatePerMinute + 1e-9)
            violation("money counted other than once: " + figures.str());
        // A fault that ends nothing loses nothing.
        if (mode != "kill" && (std::fabs(time - expected) > 1e-6 || std::fabs(loggedTime - expected) > 1e-6))
            violation("time lost: " + figures.str());
        if (time > expected + 1e-6) violation("more time than was online: " + figures.str());
    }
    return broken == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2) {
        std::cerr << "usage: crash-driver prep|run|restart|check FOLDER [SCENARIO [MODE]]\n";
        return 2;
    }
    const std::string& phase = args[0];
    const fs::path folder = args[1];
    const auto found = std::find_if(Scenarios().begin(), Scenarios().end(),
                                    [&](const Scenario& s) { return args.size() > 2 && args[2] == s.Name; });
    const Scenario* scenario = found == Scenarios().end() ? nullptr : &*found;
    if (phase != "restart" && !scenario) {
        std::cerr << "crash-driver: unknown scenario\n";
        return 2;
    }
    if (phase == "prep") {
        fs::create_directories(folder);
        if (scenario->Prep) scenario->Prep(folder);
        return 0;
    }
    if (phase == "run") {
        const HarnessStart where = Where(folder);
        Arm(true);
        Start start(where);
        Play(start, scenario->Run);
        Arm(false);
        auto* count = Control<long (*)()>("tallydial_fault_count");
        WriteText(folder / "ops", std::to_string(count ? count() : 0));
        return 0;
    }
    if (phase == "restart") {
        // Each profile whose journal waits is started too, as the user would in time; the current
        // profile last.
        MendLog(folder);
        MendStore(folder);
        const std::string current = ReadText(folder / "profile", "Default");
        for (const std::string& profile : {std::string("Default"), std::string("Work"), current}) {
            const bool waiting = fs::exists(folder / "state" / (JournalFileStem(profile) + ".journal"));
            if (profile != current && !waiting) continue;
            WriteText(folder / "profile", profile);
            Start(Where(folder)).Exit(UnloadModes::TaskManager);
        }
        return 0;
    }
    if (phase == "check") return Check(folder, *scenario, args.size() > 3 ? args[3] : "kill");
    std::cerr << "crash-driver: unknown phase\n";
    return 2;
}
