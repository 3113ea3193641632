#include "engine/ModelLoad.h"

#include "engine/CallData.h"
#include "engine/CallFigures.h"
#include "engine/ChargeRates.h"
#include "engine/Values.h"
#include "settings/RunTimeError.h"
#include "settings/SettingsTable.h"

#include <string>

namespace {

class Loader {
public:
    Loader(Globals& globals, const Settings& settings, const Clock& clock, UserInterface& ui,
           MainWindowView& view)
        : g(globals), m_settings(settings), m_locale(settings.UserLocale()), m_clock(clock), m_ui(ui),
          m_view(view) {}

    void Run();

private:
    // One statement: a failure skips it, and only the first failure of the load is reported.
    template <typename F> void Step(F&& statement) {
        try {
            statement();
        } catch (const RunTimeError& e) {
            if (m_reported) return;
            m_reported = true;
            m_ui.MsgBox("There has been an error #" + std::to_string(e.Number) + " (" + e.Description +
                            ") while loading (frmMain). Please contact me at " + kSupportEmail,
                        MsgButtons::OK, MsgIcon::None, kProgramTitle);
        }
    }

    std::string Money(double amount) const { return FormatMoney(amount, g.CurrencyLetter, m_locale); }

    void LoadRates();

    Globals& g;
    const Settings& m_settings;
    const Locale& m_locale;
    const Clock& m_clock;
    UserInterface& m_ui;
    MainWindowView& m_view;
    bool m_reported = false;
};

const ChargeRate& RateAt(const Globals& g, std::int16_t n) {
    if (n < 0 || n >= static_cast<int>(g.Rates.size()))
        RunTimeErrors::Raise(RunTimeErrors::SubscriptOutOfRange);
    return g.Rates[static_cast<size_t>(n)];
}

void Loader::Run() {
    const Locale& loc = m_locale;
    const double today = m_clock.Today();

    Step([&] { m_view.HideMainWindow(); });
    Step([&] { ArrangeForProfiles(m_view, g.Profiles.NumOfProfiles); });
    Step([&] { m_view.SetLabel(MainLabel::lblCurrentProfile, g.Profiles.CurrentName()); });
    Step([&] { m_view.SetHelp(3, "tallyd.hlp"); });
    g.TrayEnabled = true;
    g.DayNames = {"null", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

    for (const Setting* row : kProfileSettings) {
        Step([&] { LoadSetting(*row, g, m_settings, today); });
        if (row == &kAskBeforeChanging) LoadRates();
    }

    // From now on the profile reads only its own values.
    Step([&] {
        m_settings.WriteRegistryValue(std::string(Settings::BaseKey) + g.Profiles.CurrentName(), "Base",
                                      REG_SZ, Variant(std::string()));
    });

    Step([&] { m_view.SetLabel(MainLabel::CMoney, Money(g.CumulativeMoney)); });
    Step([&] { m_view.SetLabel(MainLabel::CTime, FormatDuration(g.CumulativeTime)); });
    Step([&] { m_view.SetLabel(MainLabel::LastResetLabel, loc.FormatShortDate(g.LastReset)); });
    Step([&] { m_view.SetLabel(MainLabel::Money, Money(0)); });
    Step([&] { m_view.SetLabel(MainLabel::Time, FormatDuration(0)); });

    Step([&] { FillRateList(g, m_view); });
    Step([&] { g.CurrentRate = AutoSelectRate(g, m_clock.Now()); });
    g.LastSuggestedRate = g.CurrentRate;
    Step([&] { m_view.SetRateText(RateAt(g, g.CurrentRate).Name); });
    Step([&] { m_view.SetLabel(MainLabel::Cost, Money(RateAt(g, g.CurrentRate).Amount)); });

    if (g.AutoDetect) {
        Step([&] {
            m_view.SetStartStopEnabled(false);
            m_view.SetStartStopCaption("Auto");
            m_view.SetMenuStartStopEnabled(false);
        });
    }

    // Every run starts with the alarm armed.
    g.AlarmSounded = false;
    Step([&] { m_view.SetTrayIconVisible(true); });

    Step([&] {
        m_view.SetLabel(MainLabel::lblFreeTimeLeft,
                        g.UnlimitedTime ? std::string("Unlimited") : loc.FormatNumber(g.FreeTimeLeft));
    });
    Step([&] { m_view.SetLabel(MainLabel::LblISPCostPerHour, Money(g.CostPerHour)); });
    Step([&] { m_view.SetLabel(MainLabel::lblSessionData, FormatBytes(0, loc)); });
    Step([&] {
        m_view.SetLabel(MainLabel::lblMonthData,
                        FormatBytesOf(g.DataUsed, g.DataAllowance * kBytesPerGigabyte, loc));
    });
    g.FreeTimeRanOut = FreeTimeLeftNow(g, CallClock(g, m_clock)) == 0;

    if (!g.HideOnStart) Step([&] { m_view.ShowMainWindow(); });
    Step([&] { m_view.CloseSplash(); });
}

void Loader::LoadRates() {
    // A name or window that can't be read leaves the rate as it starts, usable; a price stays as it was.
    for (size_t i = 1; i <= 5; ++i)
        for (const RateSetting* row : kRateSettings)
            if (row != &kRateAmount) SetToDefault(*row, i, g);
    for (size_t i = 1; i <= 5; ++i)
        for (const RateSetting* row : kRateSettings)
            Step([&] { LoadSetting(*row, i, g, m_settings); });
}

} // namespace

void ArrangeForProfiles(MainWindowView& view, std::int16_t numOfProfiles) {
    if (numOfProfiles == 1)
        view.ArrangeLayout(4560, 5820, false);
    else
        view.ArrangeLayout(5520, 6720, true);
}

void LoadModel(Globals& globals, const Settings& settings, const Clock& clock, UserInterface& ui,
               MainWindowView& view) {
    Loader(globals, settings, clock, ui, view).Run();
}
