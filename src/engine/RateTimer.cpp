#include "engine/RateTimer.h"

#include "engine/CallData.h"
#include "engine/CallFigures.h"
#include "engine/ChargeRates.h"
#include "engine/Values.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"

#include <string>

namespace {

std::string TitleFigure(Engine& e) {
    Globals& g = e.G;
    const double now = CallClock(g, e.Time);
    const bool total = g.TaskBarFrom == 2;
    if (g.TaskBarDisplay == 2)
        return FormatMoney(total ? TotalMoney(g, now) : SessionMoney(g, now), g.CurrencyLetter,
                           e.UserLocale());
    return FormatDuration(total ? TotalTime(g, now) : SessionTime(g, now));
}

void UpdateTitleAndTip(Engine& e) {
    const std::string title = e.G.InCall ? TitleFigure(e) + " - " + kProgramTitle : kProgramTitle;
    // Setting an unchanged title would make the window flicker.
    if (e.View.WindowTitle() != title) e.View.SetWindowTitle(title);

    const ProfileList& profiles = e.G.Profiles;
    std::string tip = title;
    if (profiles.NumOfProfiles != 0) {
        try {
            tip += " - " + profiles.CurrentName();
        } catch (const RunTimeError&) {
            // Without a valid profile the tip still shows the figures.
        }
    }
    // A line that counts no bytes adds nothing to the tip.
    const double data = SessionData(e);
    if (data > 0) tip += " - " + FormatBytes(data, e.UserLocale());
    e.View.SetTrayTip(tip);
}

void SwitchAutomatically(Engine& e) {
    Globals& g = e.G;
    const std::int16_t a = AutoSelectRate(g, e.Time.Now());
    if (a == g.CurrentRate || a == g.LastSuggestedRate) return;
    // Set before asking, so the open question isn't asked again.
    g.LastSuggestedRate = a;
    if (g.AskBeforeChanging) {
        const std::string question = "The time is now: " + e.UserLocale().FormatTime(e.Time.Now()) +
                                     ". Do you want to change to the \"" +
                                     std::string(Trim(g.Rates[static_cast<size_t>(a)].Name)) +
                                     "\" charge rate?";
        if (e.Ui.MsgBox(question, MsgButtons::YesNo, MsgIcon::None, kProgramTitle) != MsgResult::Yes) return;
    }
    // The clock is read again: the answer may have come much later.
    SetCurrentRate(e, AutoSelectRate(g, e.Time.Now()));
}

} // namespace

void Timer2_Timer(Engine& e) {
    UpdateTitleAndTip(e);
    SwitchAutomatically(e);
}
