#include "engine/ModelLoad.h"

#include "engine/CallFigures.h"
#include "engine/ChargeRates.h"
#include "engine/Values.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"

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

    Variant Text(const std::string& section, const std::string& name, const Variant& fallback) const {
        return m_settings.GetProfileSetting(section, name, fallback);
    }
    Variant Number(const std::string& section, const std::string& name, const Variant& fallback) const {
        return m_settings.GetProfileNumber(section, name, fallback);
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

constexpr std::int16_t Whole(std::int16_t value) {
    return value;
}

// A date holds 1 January 100 to 31 December 9999; anything beyond overflows.
double AsDate(const Variant& value, const Locale& locale) {
    const double serial = value.ToDate(locale);
    if (!(serial >= -657434 && serial < 2958466)) RunTimeErrors::Raise(RunTimeErrors::Overflow);
    return serial;
}

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

    Step([&] {
        g.LastReset = AsDate(Number("CumulativeTotal", "LastReset", Variant(DateValue{today})), loc);
    });
    Step([&] { g.CumulativeTime = Number("CumulativeTotal", "Time", Whole(0)).ToDouble(loc); });
    Step([&] { g.CumulativeMoney = Number("CumulativeTotal", "Money", Whole(0)).ToDouble(loc); });

    Step([&] { g.MinCharge = Number("Charges", "MinCharge", Whole(0)).ToDouble(loc); });
    Step([&] { g.FailCharge = Number("Charges", "FailCharge", Whole(0)).ToDouble(loc); });
    Step([&] { g.AskBeforeChanging = Number("Charges", "AskBeforeChanging", Whole(1)).ToBool(loc); });

    LoadRates();

    Step([&] { g.AlarmKind = Number("Alarm", "Alarm", Whole(3)).ToInt16(loc); });
    Step([&] { g.AlarmMoney = Number("Alarm", "Money", Whole(0)).ToDouble(loc); });
    Step([&] { g.AlarmTime = Number("Alarm", "time", Whole(0)).ToDouble(loc); });
    Step([&] { g.ISPAlarm = Text("Alarm", "ISPAlarm", "False").ToBool(loc); });
    Step([&] { g.AutoDisconnect = Text("Alarm", "AutoDisconnect", Whole(0)).ToBool(loc); });
    Step([&] { g.AutoDisconnectTime = Text("Alarm", "AutoDisconnectTime", Whole(25)).ToInt16(loc); });
    Step([&] { g.AlarmTotal = Number("Alarm", "Total", Whole(1)).ToInt16(loc); });
    Step([&] {
        g.AlarmSounded =
            Variant(std::string(Trim(Text("Alarm", "AlarmSounded", "False").ToText(loc)))).ToBool(loc);
    });

    Step([&] { g.LogEnabled = Number("Log", "Enabled", true).ToBool(loc); });
    Step([&] { g.LogComments = Number("Log", "Comments", false).ToBool(loc); });
    Step([&] { g.LogFails = Number("log", "LogFails", true).ToBool(loc); });

    Step([&] { g.CurrentRate = Number("Misc", "LastChargeRate", Whole(1)).ToInt16(loc); });
    Step([&] { g.AutoDetect = Number("Misc", "Auto", Whole(-1)).ToBool(loc); });
    Step([&] { g.ConnectionDetectMode = Number("Misc", "ConnectionDetectMode", Whole(2)).ToInt16(loc); });
    Step([&] { g.HideOnStart = Number("Misc", "HideOnStart", Whole(0)).ToBool(loc); });
    Step([&] { g.HideOnLogon = Number("Misc", "HideOnLogon", Whole(0)).ToBool(loc); });

    Step([&] { g.CurrencyLetter = Text("Country", "Double", "\xC2\xA3").ToText(loc); });

    Step([&] { g.TaskBarDisplay = Number("TaskBar", "Display", Whole(2)).ToInt16(loc); });
    Step([&] { g.TaskBarFrom = Number("TaskBar", "From", Whole(2)).ToInt16(loc); });

    Step([&] { g.UnlimitedTime = Text("ISP Charges", "UnlimitedTime", "-1").ToBool(loc); });
    Step([&] { g.FreeTimePerMonth = Text("ISP Charges", "FreeTimePerMonth", Whole(0)).ToDouble(loc); });
    Step([&] { g.CostPerHour = Number("ISP Charges", "CostPerHour", Whole(0)).ToDouble(loc); });
    Step([&] { g.ResetDay = Number("ISP Charges", "ResetDay", Whole(1)).ToInt16(loc); });
    Step([&] { g.FreeTimeLeft = Number("ISP Charges", "FreeTimeLeft", Whole(0)).ToDouble(loc); });
    Step([&] { g.LastResetMonth = Number("ISP Charges", "LastReset", Whole(0)).ToInt16(loc); });

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
    g.FreeTimeRanOut = FreeTimeLeftNow(g, CallClock(g, m_clock)) == 0;

    if (!g.HideOnStart) Step([&] { m_view.ShowMainWindow(); });
    Step([&] { m_view.CloseSplash(); });
}

void Loader::LoadRates() {
    static const char* const names[] = {"", "Daytime", "Evening", "Weekend", "Rate 4", "Rate 5"};
    static const double windows[][4] = {{0, 0, 0, 0}, {1, 5, 18, 8}, {1, 5, 8, 18},
                                        {6, 7, 0, 0}, {1, 7, 0, 0},  {1, 7, 0, 0}};
    for (size_t i = 1; i <= 5; ++i) {
        ChargeRate& r = g.Rates[i];
        r.Name = names[i];
        r.FromDay = windows[i][0];
        r.ToDay = windows[i][1];
        r.BeforeHour = windows[i][2];
        r.AfterHour = windows[i][3];
    }
    const Locale& loc = m_locale;
    for (size_t i = 1; i <= 5; ++i) {
        ChargeRate& r = g.Rates[i];
        const std::string n = std::to_string(i);
        Step([&] { r.Name = Text("Charges", "Name" + n, r.Name).ToText(loc); });
        Step([&] {
            r.Amount = Number("Charges", "Amount" + n, static_cast<double>(i) / 10 / 10).ToDouble(loc);
        });
        Step([&] { r.FromDay = Number("Charges", "FromDay" + n, r.FromDay).ToDouble(loc); });
        Step([&] { r.ToDay = Number("Charges", "ToDay" + n, r.ToDay).ToDouble(loc); });
        Step([&] { r.BeforeHour = Number("Charges", "BeforeHour" + n, r.BeforeHour).ToDouble(loc); });
        Step([&] { r.AfterHour = Number("Charges", "AfterHour" + n, r.AfterHour).ToDouble(loc); });
    }
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
