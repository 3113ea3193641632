#include "engine/RateTimer.h"

#include "engine/CallFigures.h"
#include "engine/Tick.h"
#include "engine/Values.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace {

class RateTimerTest : public testing::Test, public EngineHarness {};

// During a call of 120 s at 0.01 a minute, on top of a banked session of 60 s and 0.50 and of totals
// of 3600 s and 2.00.
struct TitleRow {
    const char* Name;
    std::int16_t Display;
    std::int16_t From;
    const char* Title;
    double SessionBytes = 0;
    const char* TipData = ""; // after the profile
};
class RateTimerTitle : public RateTimerTest, public testing::WithParamInterface<TitleRow> {};

TEST_P(RateTimerTitle, ShowsTheChosenFigureDuringACall) {
    g.TaskBarDisplay = GetParam().Display;
    g.TaskBarFrom = GetParam().From;
    g.CumulativeTime = 3600;
    g.CumulativeMoney = 2;
    g.SessionTimeBanked = 60;
    g.SessionMoneyBanked = 0.5;
    g.SessionDataBanked = GetParam().SessionBytes;
    StartCall(engine);
    clock.Advance(120);
    Timer2_Timer(engine);
    EXPECT_EQ(view.Title, GetParam().Title);
    EXPECT_EQ(view.TrayTip, std::string(GetParam().Title) + " - Default" + GetParam().TipData);
    EndCall(engine, false, false);
    Timer2_Timer(engine);
    EXPECT_EQ(view.Title, "Tallydial");
    EXPECT_EQ(view.TrayTip, std::string("Tallydial - Default") + GetParam().TipData);
}

const TitleRow titleRows[] = {
    {"MoneyOfTheTotal", 2, 2, "\u00A302.52 - Tallydial"},
    {"MoneyOfTheSession", 2, 1, "\u00A300.52 - Tallydial"},
    {"TimeOfTheTotal", 1, 2, "01:03:00 - Tallydial"},
    {"TimeOfTheSession", 1, 1, "00:03:00 - Tallydial"},
    {"TheSessionsDataInTheTip", 1, 1, "00:03:00 - Tallydial", 150e6, " - 150 MB"},
};
INSTANTIATE_TEST_SUITE_P(Figures, RateTimerTitle, testing::ValuesIn(titleRows), RowName());

// At six on a Wednesday the evening rate is proposed once, whatever the answer.
class RateTimerQuestion : public RateTimerTest, public testing::WithParamInterface<MsgResult> {};

TEST_P(RateTimerQuestion, AsksOnceWithTheTimeAndTheTrimmedName) {
    const bool yes = GetParam() == MsgResult::Yes;
    g.Rates[2].Name = "  Evening ";
    clock.Set(2026, 12, 2, 18, 0, 0);
    ui.Answers = {GetParam()};
    for (int i = 0; i < 5; ++i) {
        Timer2_Timer(engine);
        clock.Advance(2);
    }
    ASSERT_EQ(ui.Messages.size(), 1u);
    EXPECT_EQ(ui.Messages[0].Prompt,
              "The time is now: 18:00:00. Do you want to change to the \"Evening\" charge rate?");
    EXPECT_EQ(ui.Messages[0].Buttons, MsgButtons::YesNo);
    EXPECT_EQ(ui.Messages[0].Title, "Tallydial");
    EXPECT_EQ(g.CurrentRate, yes ? 2 : 1);
    EXPECT_EQ(view.Rate, yes ? "  Evening " : "Daytime");
}

INSTANTIATE_TEST_SUITE_P(Answers, RateTimerQuestion, testing::Values(MsgResult::Yes, MsgResult::No),
                         [](const auto& row) { return row.param == MsgResult::Yes ? "Yes" : "No"; });

TEST_F(RateTimerTest, SwitchesSilentlyWhenNotAskingAndKeepsTheCallSoFar) {
    g.AskBeforeChanging = false;
    g.Rates[1].Amount = 0.02;
    g.Rates[2].Amount = 0.05;
    clock.Set(2026, 12, 2, 17, 59, 30);
    StartCall(engine);
    clock.Advance(30);
    Timer2_Timer(engine);
    EXPECT_TRUE(ui.Messages.empty());
    ASSERT_EQ(g.CurrentRate, 2);
    EXPECT_NEAR(CallCost(g, CallClock(g, clock)), 0.01, 1e-12);
    clock.Advance(60);
    EXPECT_NEAR(CallCost(g, CallClock(g, clock)), 0.06, 1e-12);
    EXPECT_NEAR(CallTime(g, CallClock(g, clock)), 90, 1e-9);
}

} // namespace
