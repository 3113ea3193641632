#pragma once

#include "connection/DetectConnection.h"
#include "engine/Engine.h"
#include "engine/ModelLoad.h"
#include "engine/Tick.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "settings/ProfileListHost.h"
#include "startup/MainWindowCommands.h"
#include "support/FakeDialUpService.h"
#include "support/FakeMainWindowView.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Where a harness starts: its folder (a temporary one of its own unless given), how far its clock has
// moved on, and the profile chosen of those listed.
struct HarnessStart {
    std::filesystem::path Folder;
    double Elapsed = 0;
    std::vector<std::string> Profiles = {"", "Default"};
    std::int16_t Current = 1;
};

// The profile "Default" chosen over a SQLite store, a fake line, a fake clock on Wednesday
// 2 December 2026 10:00 and a log in a temporary folder; the model is not loaded yet.
class StoreHarness {
public:
    explicit StoreHarness(const HarnessStart& start = {})
        : folder(start.Folder), clock([&] {
              FakeClock later;
              later.Advance(start.Elapsed);
              return later;
          }()) {
        g.Profiles.NumOfProfiles = static_cast<std::int16_t>(start.Profiles.size() - 1);
        g.Profiles.ProfileNames = start.Profiles;
        g.Profiles.CurrentProfile = start.Current;
        g.Profiles.ProfileSelected = true;
        g.ClockBaseDate = clock.Today();
        g.LogFilePath = (folder.Path() / "log.dat").string();
        g.LogPendingPath = (folder.Path() / "state" / "log-pending.dat").string();
    }

    // The line: a connection listed (dialling or up) and the established flag.
    void Dialling(const std::string& name = "X") {
        line.Connections = {{1, name}};
        line.Flag = false;
    }
    void Connected(const std::string& name = "X") {
        line.Connections = {{1, name}};
        line.Flag = true;
    }
    void Idle() {
        line.Connections.clear();
        line.Flag = false;
    }

    // The log's lines (or another file's), without their CR LF.
    std::vector<std::string> LogLines(const std::string& path = {}) const {
        return TextLines(path.empty() ? g.LogFilePath : path);
    }
    // The lines of the calls' bytes beside the log.
    std::vector<std::string> DataLines() const { return TextLines(folder.Path() / "log-data.dat"); }
    // The ten fields of the log's record `index`, or none.
    std::vector<std::string> LogRecord(size_t index) const {
        const std::vector<std::string> lines = LogLines();
        if (lines.size() < (index + 1) * 10) return {};
        return {lines.begin() + static_cast<long>(index * 10),
                lines.begin() + static_cast<long>(index * 10 + 10)};
    }

    // Values below the program's key, and below the profile's.
    std::optional<std::string> Read(const std::string& path, const std::string& name) {
        return StoredText(*store, Settings::BaseKey + path, name);
    }
    std::optional<std::string> Stored(const std::string& section, const std::string& name) {
        return Read("Default\\" + section, name);
    }
    void Store(const std::string& path, const std::string& name, const std::string& text,
               std::uint32_t type = REG_SZ) {
        ASSERT_EQ(store->SetValue(HKEY_LOCAL_MACHINE, Settings::BaseKey + path, name, type,
                                  type == REG_SZ ? SzBytes(text) : RawBytes(text)),
                  ERROR_SUCCESS);
    }

    // The stored list of profiles: the count, then the names, "|" between.
    void StoreProfiles(const std::string& list) {
        std::size_t start = 0;
        for (int i = 0; start <= list.size() && !list.empty(); ++i) {
            const std::size_t end = std::min(list.find('|', start), list.size());
            settings.SetBaseSetting(i == 0 ? "NumOfProfiles" : "ProfileName" + std::to_string(i),
                                    list.substr(start, end - start));
            start = end + 1;
        }
    }

    TempFolder folder;
    FakeClock clock;
    Locale locale = Locale::DecimalPoint();
    std::unique_ptr<SqliteRegistryStore> store =
        SqliteRegistryStore::Open(folder.Path() / "registry.db", clock).Store;
    Globals g;
    Settings settings{*store, locale, g.Profiles};
    FakeDialUpService line;
};

// Lets a test act while a question is open.
class PromptingUserInterface : public ScriptedUserInterface {
public:
    MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override {
        if (WhileAsked) WhileAsked();
        return ScriptedUserInterface::MsgBox(prompt, buttons, icon, title);
    }
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override {
        if (WhileAsked) WhileAsked();
        return ScriptedUserInterface::InputBox(prompt, title, defaultText);
    }

    std::function<void()> WhileAsked;
};

// The same with the model loaded (rate 1, "Daytime", 0.01 per minute) and the engine on fakes.
class EngineHarness : public StoreHarness {
public:
    explicit EngineHarness(const HarnessStart& start = {}) : StoreHarness(start) {
        LoadModel(g, settings, clock, ui, view);
        ui.Messages.clear();
    }

    // The labels' texts, a blank between.
    template <typename... Labels> std::string Shown(Labels... labels) const {
        std::string shown;
        ((shown += view.Label(labels) + " "), ...);
        shown.pop_back();
        return shown;
    }

    void Tick() { Timer1_Timer(engine); }
    // The tick every half second for `seconds`.
    void TickFor(double seconds) {
        for (long i = std::lround(seconds * 2); i > 0; --i) {
            clock.Advance(0.5);
            Tick();
        }
    }
    // A connection seen by the tick and held for `seconds`; Call also hangs it up.
    void Online(double seconds) {
        Connected();
        Tick();
        TickFor(seconds);
    }
    void Call(double seconds) {
        Online(seconds);
        LineDown();
    }
    // The line dropped, seen by the tick.
    void LineDown() {
        Idle();
        Tick();
    }

    DetectConnection detect{line};
    PromptingUserInterface ui;
    FakeMainWindowView view;
    Engine engine{g, settings, clock, detect, ui, view};
};

// The desktop behind the main window's commands: what they started and ended.
class FakeMainWindowHost : public MainWindowHost {
public:
    bool StartLogViewer() override { return LogViewerStarts; }
    long StartOwnExecutable(const std::string& arguments) override {
        if (WhileRestarting) WhileRestarting();
        Restarts.push_back(arguments);
        return RestartError;
    }
    void UnloadMainWindow() override {
        if (Commands && !Commands->Form_QueryUnload(UnloadModes::Code))
            Commands->Form_Unload(UnloadModes::Code);
    }
    void EndProgram() override { Ended = true; }

    MainWindowCommands* Commands = nullptr;
    bool LogViewerStarts = true;
    std::vector<std::string> Restarts;
    std::function<void()> WhileRestarting;
    long RestartError = 0;
    bool Ended = false;
};

// The options dialog's part: its list of the working profiles, with a selection.
struct FakeProfileList : ProfileListHost {
    int SelectedProfileIndex() const override { return Selected; }
    void SetupProfileList() override { ++Refills; }
    int Selected = 0;
    int Refills = 0;
};
