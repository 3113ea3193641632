#pragma once

#include "settings/Globals.h"
#include "settings/Settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

// Every value of a profile, spelt once: its section and name, how the load reads it, the text form
// its writers store, its default and the model's member that holds it. The load, the options' OK,
// the exit and the other writers all go through these rows, so a value is always stored under the
// name it is read by.

// How the load reads a value and what it makes of it before it reaches the member.
enum class Reader {
    Number,      // the stored number (`GetProfileNumber`)
    Text,        // the stored text (`GetProfileSetting`)
    TrimmedText, // the stored text without blanks around it
    Date,        // the stored number, taken as a date of the years 100 to 9999
};

// The text a writer stores a value in.
enum class TextForm {
    PlainInteger, // "25", "-1"; a boolean -1 or 0
    Padded,       // " 2", " .5", "-1.25"
    Point,        // "0.75", whatever the locale
    WordBoolean,  // "True", "False"
    DayNumber,    // "36526"
    Text,         // the string itself
};

// What the load stores for an absent value and hands on as if it had been read.
struct Default {
    enum class Kind { Whole, Boolean, Number, Text, Today };
    Kind Of = Kind::Whole;
    double Number = 0;
    const char* Text = "";

    static constexpr Default Whole(std::int16_t n) { return {Kind::Whole, double(n), ""}; }
    static constexpr Default Boolean(bool b) { return {Kind::Boolean, b ? 1.0 : 0.0, ""}; }
    static constexpr Default Real(double x) { return {Kind::Number, x, ""}; }
    static constexpr Default Words(const char* text) { return {Kind::Text, 0, text}; }
    static constexpr Default Today() { return {Kind::Today, 0, ""}; }

    Variant Value(double today) const;
};

using ModelMember = std::variant<bool Globals::*, std::int16_t Globals::*, double Globals::*,
                                 std::string Globals::*, AlarmType Globals::*, DetectMode Globals::*>;

struct Setting {
    const char* Section;
    const char* Name;
    Reader Read;
    TextForm Form;
    Default Fallback;
    ModelMember Member;
};

// A value that each of the five charge rates has: its name is followed by the rate's number (Name1).
using RateMember = std::variant<double ChargeRate::*, std::string ChargeRate::*>;

struct RateSetting {
    const char* Section;
    const char* Name;
    Reader Read;
    TextForm Form;
    std::array<Default, 5> Fallbacks; // rates 1 ... 5
    RateMember Member;
};

// The values of the base key, with their defaults.
struct BaseSetting {
    const char* Name; // "ProfileName" is followed by the profile's number
    const char* Fallback;
};
inline constexpr BaseSetting kNumOfProfiles{"NumOfProfiles", "1"};
inline constexpr BaseSetting kProfileName{"ProfileName", "Default"};

// clang-format off
inline constexpr Setting kCumulativeLastReset{"CumulativeTotal", "LastReset", Reader::Date, TextForm::DayNumber, Default::Today(), &Globals::LastReset};
inline constexpr Setting kCumulativeTime{"CumulativeTotal", "Time", Reader::Number, TextForm::Padded, Default::Whole(0), &Globals::CumulativeTime};
inline constexpr Setting kCumulativeMoney{"CumulativeTotal", "Money", Reader::Number, TextForm::Point, Default::Whole(0), &Globals::CumulativeMoney};

inline constexpr Setting kMinCharge{"Charges", "MinCharge", Reader::Number, TextForm::Point, Default::Whole(0), &Globals::MinCharge};
inline constexpr Setting kFailCharge{"Charges", "FailCharge", Reader::Number, TextForm::Point, Default::Whole(0), &Globals::FailCharge};
inline constexpr Setting kAskBeforeChanging{"Charges", "AskBeforeChanging", Reader::Number, TextForm::PlainInteger, Default::Whole(1), &Globals::AskBeforeChanging};

inline constexpr RateSetting kRateName{"Charges", "Name", Reader::Text, TextForm::Text, {Default::Words("Daytime"), Default::Words("Evening"), Default::Words("Weekend"), Default::Words("Rate 4"), Default::Words("Rate 5")}, &ChargeRate::Name};
inline constexpr RateSetting kRateAmount{"Charges", "Amount", Reader::Number, TextForm::Point, {Default::Real(0.01), Default::Real(0.02), Default::Real(0.03), Default::Real(0.04), Default::Real(0.05)}, &ChargeRate::Amount};
inline constexpr RateSetting kRateFromDay{"Charges", "FromDay", Reader::Number, TextForm::Point, {Default::Real(1), Default::Real(1), Default::Real(6), Default::Real(1), Default::Real(1)}, &ChargeRate::FromDay};
inline constexpr RateSetting kRateToDay{"Charges", "ToDay", Reader::Number, TextForm::Point, {Default::Real(5), Default::Real(5), Default::Real(7), Default::Real(7), Default::Real(7)}, &ChargeRate::ToDay};
inline constexpr RateSetting kRateBeforeHour{"Charges", "BeforeHour", Reader::Number, TextForm::Point, {Default::Real(18), Default::Real(8), Default::Real(0), Default::Real(0), Default::Real(0)}, &ChargeRate::BeforeHour};
inline constexpr RateSetting kRateAfterHour{"Charges", "AfterHour", Reader::Number, TextForm::Point, {Default::Real(8), Default::Real(18), Default::Real(0), Default::Real(0), Default::Real(0)}, &ChargeRate::AfterHour};

inline constexpr Setting kAlarmKind{"Alarm", "Alarm", Reader::Number, TextForm::Padded, Default::Whole(3), &Globals::AlarmKind};
inline constexpr Setting kAlarmMoney{"Alarm", "Money", Reader::Number, TextForm::Point, Default::Whole(0), &Globals::AlarmMoney};
inline constexpr Setting kAlarmTime{"Alarm", "Time", Reader::Number, TextForm::Padded, Default::Whole(0), &Globals::AlarmTime};
inline constexpr Setting kISPAlarm{"Alarm", "ISPAlarm", Reader::Text, TextForm::WordBoolean, Default::Words("False"), &Globals::ISPAlarm};
inline constexpr Setting kAutoDisconnect{"Alarm", "AutoDisconnect", Reader::Text, TextForm::PlainInteger, Default::Whole(0), &Globals::AutoDisconnect};
inline constexpr Setting kAutoDisconnectTime{"Alarm", "AutoDisconnectTime", Reader::Text, TextForm::PlainInteger, Default::Whole(25), &Globals::AutoDisconnectTime};
inline constexpr Setting kAlarmTotal{"Alarm", "Total", Reader::Number, TextForm::Padded, Default::Whole(1), &Globals::AlarmTotal};
inline constexpr Setting kAlarmSounded{"Alarm", "AlarmSounded", Reader::TrimmedText, TextForm::WordBoolean, Default::Words("False"), &Globals::AlarmSounded};

inline constexpr Setting kLogEnabled{"Log", "Enabled", Reader::Number, TextForm::PlainInteger, Default::Boolean(true), &Globals::LogEnabled};
inline constexpr Setting kLogComments{"Log", "Comments", Reader::Number, TextForm::PlainInteger, Default::Boolean(false), &Globals::LogComments};
inline constexpr Setting kLogFails{"Log", "LogFails", Reader::Number, TextForm::PlainInteger, Default::Boolean(true), &Globals::LogFails};

inline constexpr Setting kLastChargeRate{"Misc", "LastChargeRate", Reader::Number, TextForm::Padded, Default::Whole(1), &Globals::CurrentRate};
inline constexpr Setting kAutoDetect{"Misc", "Auto", Reader::Number, TextForm::PlainInteger, Default::Whole(-1), &Globals::AutoDetect};
inline constexpr Setting kConnectionDetectMode{"Misc", "ConnectionDetectMode", Reader::Number, TextForm::Padded, Default::Whole(2), &Globals::ConnectionDetectMode};
inline constexpr Setting kHideOnStart{"Misc", "HideOnStart", Reader::Number, TextForm::PlainInteger, Default::Whole(0), &Globals::HideOnStart};
inline constexpr Setting kHideOnLogon{"Misc", "HideOnLogon", Reader::Number, TextForm::PlainInteger, Default::Whole(0), &Globals::HideOnLogon};

inline constexpr Setting kCurrencyLetter{"Country", "Double", Reader::Text, TextForm::Text, Default::Words("\xC2\xA3"), &Globals::CurrencyLetter};

inline constexpr Setting kTaskBarDisplay{"TaskBar", "Display", Reader::Number, TextForm::PlainInteger, Default::Whole(2), &Globals::TaskBarDisplay};
inline constexpr Setting kTaskBarFrom{"TaskBar", "From", Reader::Number, TextForm::PlainInteger, Default::Whole(2), &Globals::TaskBarFrom};

inline constexpr Setting kUnlimitedTime{"ISP Charges", "UnlimitedTime", Reader::Text, TextForm::WordBoolean, Default::Words("-1"), &Globals::UnlimitedTime};
inline constexpr Setting kFreeTimePerMonth{"ISP Charges", "FreeTimePerMonth", Reader::Text, TextForm::Padded, Default::Whole(0), &Globals::FreeTimePerMonth};
inline constexpr Setting kCostPerHour{"ISP Charges", "CostPerHour", Reader::Number, TextForm::Padded, Default::Whole(0), &Globals::CostPerHour};
inline constexpr Setting kResetDay{"ISP Charges", "ResetDay", Reader::Number, TextForm::Padded, Default::Whole(1), &Globals::ResetDay};
inline constexpr Setting kFreeTimeLeft{"ISP Charges", "FreeTimeLeft", Reader::Number, TextForm::Padded, Default::Whole(0), &Globals::FreeTimeLeft};
inline constexpr Setting kLastResetMonth{"ISP Charges", "LastReset", Reader::Number, TextForm::Padded, Default::Whole(0), &Globals::LastResetMonth};

// Data by volume: values of our own, read with their defaults where an older store has none.
inline constexpr Setting kDataAllowance{"ISP Charges", "DataAllowance", Reader::Number, TextForm::Point, Default::Whole(0), &Globals::DataAllowance};
inline constexpr Setting kDataUsed{"ISP Charges", "DataUsed", Reader::Number, TextForm::PlainInteger, Default::Whole(0), &Globals::DataUsed};
inline constexpr Setting kDataWarning{"Alarm", "DataWarning", Reader::Number, TextForm::PlainInteger, Default::Whole(80), &Globals::DataWarning};
inline constexpr Setting kDataHangUp{"Alarm", "DataHangUp", Reader::Number, TextForm::PlainInteger, Default::Whole(0), &Globals::DataHangUp};
inline constexpr Setting kDataWarned{"Alarm", "DataWarned", Reader::TrimmedText, TextForm::WordBoolean, Default::Words("False"), &Globals::DataWarned};
// clang-format on

// The profile's values in the order the load reads them; the rates' values come after the
// charges' (kRateSettings, rate by rate).
inline constexpr std::array<const Setting*, 36> kProfileSettings = {
    &kCumulativeLastReset, &kCumulativeTime,     &kCumulativeMoney, &kMinCharge,      &kFailCharge,
    &kAskBeforeChanging,   &kAlarmKind,          &kAlarmMoney,      &kAlarmTime,      &kISPAlarm,
    &kAutoDisconnect,      &kAutoDisconnectTime, &kAlarmTotal,      &kAlarmSounded,   &kLogEnabled,
    &kLogComments,         &kLogFails,           &kLastChargeRate,  &kAutoDetect,     &kConnectionDetectMode,
    &kHideOnStart,         &kHideOnLogon,        &kCurrencyLetter,  &kTaskBarDisplay, &kTaskBarFrom,
    &kUnlimitedTime,       &kFreeTimePerMonth,   &kCostPerHour,     &kResetDay,       &kFreeTimeLeft,
    &kLastResetMonth,      &kDataAllowance,      &kDataUsed,        &kDataWarning,    &kDataHangUp,
    &kDataWarned};
inline constexpr std::array<const RateSetting*, 6> kRateSettings = {
    &kRateName, &kRateAmount, &kRateFromDay, &kRateToDay, &kRateBeforeHour, &kRateAfterHour};

// Money and time beyond this are no figures of a tariff or a total.
inline constexpr double kLargestAmount = 1e12;
// Whether a profile's value of that section and name holds money or time: the totals, the charges,
// the alarms' limits and the provider's hours.
bool HoldsAmount(std::string_view section, std::string_view name);
// Whether it holds a volume of data: the allowance and the month's bytes, from 0 to kLargestAmount.
bool HoldsVolume(std::string_view section, std::string_view name);

// Reads the value into its member, creating it with its default when it is absent. Raises what the
// store or the conversion raises; the member then keeps its value.
void LoadSetting(const Setting& row, Globals& g, const Settings& settings, double today);
void LoadSetting(const RateSetting& row, std::size_t rate, Globals& g, const Settings& settings);
// The member set to the row's default, as it would be after a first load.
void SetToDefault(const RateSetting& row, std::size_t rate, Globals& g);

// The member's value in the row's text form, and storing it under the row's name.
std::string StoredText(const Setting& row, const Globals& g);
void SaveSetting(const Setting& row, const Globals& g, const Settings& settings);
void SaveSetting(const RateSetting& row, std::size_t rate, const Globals& g, const Settings& settings);
