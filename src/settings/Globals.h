#pragma once

#include "settings/ProfileList.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The alarm's kind, by its stored number; any other number is no alarm either.
enum class AlarmType : std::int16_t {
    Money = 1,
    Time = 2,
    None = 3,
};

// How a connection is recognised, by its stored number; any other number counts as WhenConnected.
enum class DetectMode : std::int16_t {
    WhenDialling = 1,  // the call starts with the dialling, and a failed dial is timed
    WhenConnected = 2, // the call starts once the connection is established
    Compatibility = 3, // the list or the flag, and no failed dials
};

// One charge rate: a price per minute and the window of days and hours in which it applies.
struct ChargeRate {
    std::string Name;
    double Amount = 0;  // per minute
    double FromDay = 0; // 1 Monday ... 7 Sunday
    double ToDay = 0;
    double BeforeHour = 0;
    double AfterHour = 0;
};

// What the call clock remembers between readings, so that a running call advances with the
// monotonic clock and never jumps when the wall clock is changed.
struct CallClockState {
    bool Anchored = false;
    double LastValue = 0;     // last reading, call-clock seconds
    double LastMonotonic = 0; // Clock::MonotonicSeconds() at that reading
};

// The profile's settings, the totals and the engine's running state: one set for the whole
// program, created by the application and passed by reference. Money in currency units,
// durations in seconds, dates as date serials. Everything starts at zero, false or empty: a
// setting whose load fails keeps that value, and the load supplies the defaults.
struct Globals {
    // Profile list.
    ProfileList Profiles;

    // Charge rates; Rates[0] stays empty.
    std::array<ChargeRate, 6> Rates{};
    std::int16_t CurrentRate = 0;
    std::int16_t LastSuggestedRate = 0;
    bool AskBeforeChanging = false;
    double MinCharge = 0;
    double FailCharge = 0;
    std::array<std::string, 8> DayNames{};

    // Alarms.
    AlarmType AlarmKind{};
    double AlarmMoney = 0;
    double AlarmTime = 0;
    std::int16_t AlarmTotal = 0; // 1 cumulative total, 2 this session
    bool AlarmSounded = false;
    bool ISPAlarm = false;
    bool AutoDisconnect = false;
    std::int16_t AutoDisconnectTime = 0;
    std::string AlarmMessage;

    // Log, detection and display.
    bool LogEnabled = false;
    bool LogComments = false;
    bool LogFails = false;
    std::string LogFilePath;
    // Records the log couldn't take wait here, whole, until it can.
    std::string LogPendingPath;
    bool LogRecordDiverted = false; // the last record's fields went to the pending file or were lost
    std::string LogUnwritten;       // what neither the log nor the pending file took: goes with the next
    bool LogTroubleShown = false;   // "Unable to open log file" is said once a run
    std::string LogDataUnwritten;   // the same for the lines of the data file beside the log
    bool AutoDetect = false;
    DetectMode ConnectionDetectMode{};
    bool HideOnStart = false;
    bool HideOnLogon = false;
    std::string CurrencyLetter;
    std::int16_t TaskBarDisplay = 0; // 1 time, 2 money
    std::int16_t TaskBarFrom = 0;    // 1 session, 2 cumulative

    // The provider's free-time allowance.
    bool UnlimitedTime = false;
    double FreeTimePerMonth = 0;
    double CostPerHour = 0;
    std::int16_t ResetDay = 0;
    double FreeTimeLeft = 0; // at the start of the session
    std::int16_t LastResetMonth = 0;
    bool FreeTimeRanOut = false;

    // The provider's data allowance, renewed with the free time.
    double DataAllowance = 0;     // decimal gigabytes a month; 0 none
    double DataUsed = 0;          // bytes this month before this session
    std::int16_t DataWarning = 0; // percent of the allowance that warns; 0 never
    std::int16_t DataHangUp = 0;  // 1: the countdown hangs up once the allowance is used up
    bool DataWarned = false;      // the warning was shown this month

    // Totals up to the start of this session.
    double CumulativeTime = 0;
    double CumulativeMoney = 0;
    double LastReset = 0;

    // The running call and session.
    bool InCall = false;
    bool Dialling = false;
    double SegmentStart = 0; // call-clock seconds
    double CallTimeBanked = 0;
    double CallCostBanked = 0;
    double CallStartDate = 0;
    double CallStartTime = 0; // time of day
    std::string ConnectionName;
    double SessionTimeBanked = 0;
    double SessionMoneyBanked = 0;
    double SessionDataBanked = 0; // bytes of the session's ended calls
    // The session's bytes before the allowance was renewed during it: last month's, not this one's.
    double SessionDataBeforeRenewal = 0;
    // The data countdown was shown during the running call.
    bool DataHangUpShown = false;
    // Call clock at which the line was first seen down while a window held the tick; below 0: not seen.
    double LineSeenDownAt = -1;
    // Call clock and wall clock at which a line was first seen up while a window held the tick, so
    // that its call is timed from then; below 0: not seen.
    double LineSeenUpAt = -1;
    double LineSeenUpWall = 0;
    // The UTC instant of a profile switch that ended a running call in the last profile: the first
    // call of this run goes on from then, so the time in the chooser counts. Below 0: none.
    double SwitchedAtUtc = -1;
    // The line's counters at that switch, as the last run read them: that call's bytes go on from
    // them, with no gap. Unknown when the last run had no reading.
    bool SwitchedCountersKnown = false;
    std::uint64_t SwitchedReceived = 0;
    std::uint64_t SwitchedSent = 0;

    // The call clock.
    double ClockBaseDate = 0;
    CallClockState CallClockAnchor;

    // The main window.
    bool TrayEnabled = false;
    bool ProfileSwitchPending = false;

    // The options dialog's working copy of the profile list (index 0 unused, like ProfileNames),
    // from its opening to its OK or Cancel, and the rate that the auto-select editor edits.
    std::vector<std::string> EditProfileNames{std::string()};
    std::int16_t EditProfileCount = 0;
    std::int16_t EditRateNumber = 0;
};
