#include "startup/SubMain.h"

#include "engine/CallData.h"
#include "engine/CallDataLog.h"
#include "engine/CallLog.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"
#include "settings/SettingsTable.h"

#include <algorithm>
#include <cmath>

namespace {

// Blanks around don't count and letters compare as the store compares them, so that "café" on the
// command line finds the profile "CAFÉ".
std::string ProfileWord(const std::string& text) {
    return FoldCase(Trim(text));
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine, int wordLimit) {
    std::vector<std::string> words(static_cast<size_t>(std::max(wordLimit, 0)) + 1);
    size_t n = 0;
    bool inWord = false;
    for (const char c : commandLine) {
        if (c == ' ' || c == '\t') {
            inWord = false;
            continue;
        }
        if (!inWord) {
            if (n == static_cast<size_t>(std::max(wordLimit, 0))) break;
            ++n;
            inWord = true;
        }
        words[n] += c;
    }
    words.resize(n + 1);
    return words;
}

SubMain::SubMain(Globals& globals, const Settings& settings, const Clock& clock, UserInterface& ui,
                 StartupHost& host)
    : m_globals(globals), m_settings(settings), m_clock(clock), m_ui(ui), m_host(host) {}

void SubMain::ReportError(long number, const std::string& description) {
    m_ui.MsgBox("There has been an error # " + std::to_string(number) + " (" + description +
                    ") in SubMain ,please contact me on " + kSupportEmail,
                MsgButtons::OK, MsgIcon::None, kProgramTitle);
}

void SubMain::Main() {
    ProfileList& p = m_globals.Profiles;
    // A failing statement is reported and the sequence goes on with the next one.
    const auto step = [&](auto&& statement) {
        try {
            statement();
        } catch (const RunTimeError& e) {
            ReportError(e.Number, e.Description);
        }
    };

    step([&] { m_globals.LogFilePath = m_host.LogFolder() + "/log.dat"; });
    // Records an earlier run couldn't log go in now, when the log takes them again.
    step([&] { MovePendingIntoLog(m_globals.LogFilePath, m_globals.LogPendingPath); });
    step([&] { MoveCallDataPending(m_globals); });

    if (!p.ProfileSelected) {
        step([&] { m_globals.ClockBaseDate = m_clock.Today(); });
        // A restart for a profile switch names the moment it ended a running call, and the line's
        // counters then.
        step([&] {
            const std::vector<std::string> words = SplitCommandLine(m_host.CommandLine(), 3);
            if (words.size() > 2 && words[1] == kRestartToken)
                if (const auto instant = NumberFrom<double>(words[2]);
                    instant && *instant >= 0 && *instant < 1e11) {
                    m_globals.SwitchedAtUtc = *instant;
                    if (words.size() > 3) TakeSwitchCounters(words[3], m_globals);
                }
        });

        bool refused = false;
        step([&] {
            if (!m_host.OtherInstanceRunning()) return;
            const std::vector<std::string> words = SplitCommandLine(m_host.CommandLine());
            refused = !(words.size() > 1 && words[1] == kRestartToken);
        });
        if (refused) {
            step([&] { m_host.ShowRunningInstance(); });
            m_ui.MsgBox("There is allready a instance of Tallydial running.", MsgButtons::OK,
                        MsgIcon::Critical, kProgramTitle);
            m_host.EndProgram();
            return;
        }
        step([&] { m_host.RegisterInstance(); });

        step([&] { m_splashStartTimer = m_clock.SecondsSinceMidnight(); });
        step([&] { m_host.ShowSplash(); });

        step([&] { p.CurrentProfile = 0; });
        step([&] {
            p.NumOfProfiles = m_settings.GetBaseSetting(kNumOfProfiles.Name, kNumOfProfiles.Fallback)
                                  .ToInt16(m_settings.UserLocale());
        });
        step([&] {
            if (p.NumOfProfiles < 0) RunTimeErrors::Raise(RunTimeErrors::SubscriptOutOfRange);
            p.ProfileNames.resize(static_cast<size_t>(p.NumOfProfiles) + 1);
        });
        // A 16-bit counter would wrap after 32767 profiles and never end.
        for (int i = 1; i <= p.NumOfProfiles; ++i) {
            step([&] {
                const std::string name =
                    m_settings.GetBaseSetting(kProfileName.Name + std::to_string(i), kProfileName.Fallback)
                        .ToText(m_settings.UserLocale());
                if (static_cast<size_t>(i) >= p.ProfileNames.size())
                    RunTimeErrors::Raise(RunTimeErrors::SubscriptOutOfRange);
                p.ProfileNames[static_cast<size_t>(i)] = name;
            });
        }

        // A list that can't be read leaves nothing to choose from: start as at a first start.
        const bool named = std::any_of(p.ProfileNames.begin(), p.ProfileNames.end(),
                                       [](const std::string& name) { return !Trim(name).empty(); });
        if (p.NumOfProfiles < 1 || p.ProfileNames.size() != static_cast<size_t>(p.NumOfProfiles) + 1 ||
            !named) {
            p.NumOfProfiles = 1;
            p.ProfileNames = {"", "Default"};
        }

        if (p.NumOfProfiles == 1) {
            p.CurrentProfile = 1;
            p.ProfileSelected = true;
        } else {
            // The splash's lower edge ends just above the chooser, which is centred and 3570 twips high.
            step([&] {
                const double top = m_host.SplashTop() - 3570.0 / 2 - m_host.SplashHeight() / 2.0 + 200;
                m_host.SetSplashTop(static_cast<int>(std::lround(top)));
            });

            std::vector<std::string> words;
            step([&] { words = SplitCommandLine(m_host.CommandLine(), 10); });
            for (size_t i = 1; i < words.size(); ++i) {
                const std::string word = ProfileWord(words[i]);
                for (std::int16_t j = 1;
                     j <= p.NumOfProfiles && static_cast<size_t>(j) < p.ProfileNames.size(); ++j) {
                    if (word == ProfileWord(p.ProfileNames[static_cast<size_t>(j)])) {
                        p.ProfileSelected = true;
                        p.CurrentProfile = j;
                        Main();
                        return;
                    }
                }
            }
            step([&] { m_host.ShowChooser(); });
            return;
        }
    }

    if (!p.ProfileSelected) {
        m_ui.MsgBox(std::string("ERROR: Profile not selected. Please contact me at ") + kSupportEmail,
                    MsgButtons::OK, MsgIcon::None, kProgramTitle);
        m_host.EndProgram();
        return;
    }

    step([&] {
        // Seconds since midnight fall back at midnight: count on over it.
        double elapsed = static_cast<double>(m_clock.SecondsSinceMidnight()) - m_splashStartTimer;
        if (elapsed < 0) elapsed += 86400;
        const double remaining = 2.0 - elapsed;
        if (remaining > 0) m_host.WaitSeconds(std::min(remaining, 2.0));
    });
    step([&] { m_host.LoadMainWindow(); });
}

void SubMain::ProfileChosen(int selectedRow) {
    m_globals.Profiles.ProfileSelected = true;
    m_globals.Profiles.CurrentProfile = static_cast<std::int16_t>(selectedRow >= 0 ? selectedRow + 1 : 1);
    Main();
}
