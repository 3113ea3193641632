#pragma once

#include "connection/DetectConnection.h"
#include "engine/Engine.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "settings/ModelLoad.h"
#include "support/FakeDialUpService.h"
#include "support/FakeMainWindowView.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

// A loaded profile "Default" in a SQLite store, a fake line, a fake clock on Wednesday
// 2 December 2026 10:00 (rate 1, "Daytime", 0.01 per minute) and a log in a temporary folder.
class EngineHarness {
public:
    EngineHarness() {
        g.Profiles.NumOfProfiles = 1;
        g.Profiles.ProfileNames = {"", "Default"};
        g.Profiles.CurrentProfile = 1;
        g.Profiles.ProfileSelected = true;
        g.ClockBaseDate = clock.Today();
        g.LogFilePath = (folder.Path() / "log.dat").string();
        LoadModel(g, settings, clock, ui, view);
        ui.Messages.clear();
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

    // The log's lines, without their CR LF.
    std::vector<std::string> LogLines() const {
        std::ifstream in(g.LogFilePath, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string text; std::getline(in, text);) {
            if (!text.empty() && text.back() == '\r') text.pop_back();
            lines.push_back(text);
        }
        return lines;
    }

    std::optional<std::string> Stored(const std::string& section, const std::string& name) {
        RegistryValue value;
        if (store->QueryValue(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial\\Default\\" + section, name,
                              value) != ERROR_SUCCESS)
            return std::nullopt;
        return value.Data.empty() ? std::string() : std::string(value.Data.begin(), value.Data.end() - 1);
    }

    TempFolder folder;
    FakeClock clock; // Wednesday 2 December 2026, 10:00
    Locale locale = Locale::DecimalPoint();
    std::unique_ptr<SqliteRegistryStore> store =
        SqliteRegistryStore::Open(folder.Path() / "registry.db", clock).Store;
    Globals g;
    Settings settings{*store, locale, g.Profiles};
    FakeDialUpService line;
    DetectConnection detect{line};
    ScriptedUserInterface ui;
    FakeMainWindowView view;
    Engine engine{g, settings, clock, detect, ui, view};
};
