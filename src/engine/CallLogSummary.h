#pragma once

#include "engine/CallLogReader.h"

#include <climits>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// What the log viewer does with the calls read: choose, order, add up, export.

enum class CallColumn {
    Date,
    Start,
    End,
    Duration,
    Cost,
    Received,
    Sent,
    Profile,
    Connection,
    Failed,
    Comment
};
constexpr int kCallColumns = 11;

struct CallFilter {
    static constexpr std::uint32_t kAny = UINT32_MAX;
    std::uint32_t Profile = kAny;    // a name index, or any
    std::uint32_t Connection = kAny; // a name index, or any
    std::int32_t FromDate = INT32_MIN;
    std::int32_t ToDate = INT32_MAX; // inclusive

    bool Matches(const CallRecord& record) const {
        return (Profile == kAny || record.Profile == Profile) &&
               (Connection == kAny || record.Connection == Connection) && record.Date >= FromDate &&
               record.Date <= ToDate;
    }
};

// Appends the indices of the records from `first` on that the filter lets through.
void AppendMatching(const CallLogData& log, const CallFilter& filter, std::size_t first,
                    std::vector<std::uint32_t>& rows);

// Orders record indices by a column; equal values keep the order of the log.
void SortRows(const CallLogData& log, std::vector<std::uint32_t>& rows, CallColumn column, bool descending);

// The name indices used as profiles (or as connections), in alphabetical order of the names.
std::vector<std::uint32_t> NamesUsed(const CallLogData& log, bool profiles);

struct PeriodTotal {
    int Year = 0;
    int Month = 0;
    int Day = 0; // 0 in a month's total
    std::size_t Calls = 0;
    double Seconds = 0;
    double Cost = 0;
    std::uint64_t Bytes = 0; // received and sent, of the calls with a volume
    bool HasData = false;    // some call had a volume
};

// Totals of the given records per day (`byMonth` false) or per month, in date order.
std::vector<PeriodTotal> TotalsByPeriod(const CallLogData& log, const std::vector<std::uint32_t>& rows,
                                        bool byMonth);

struct MonthGlance {
    int Year = 0;
    int Month = 0;
    std::size_t Calls = 0;
    double Cost = 0;
    double Seconds = 0;
    // The whole month's figures if the rest of it goes on at the pace so far.
    double ProjectedCost = 0;
    double ProjectedSeconds = 0;
    // The month's bytes, of the calls with a volume.
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;
    bool HasData = false;
    // The profile of the month's latest call, whose allowance the month is measured against, and
    // the bytes of its calls; no profile without a call.
    std::optional<std::uint32_t> Profile;
    std::uint64_t ProfileBytes = 0;
    // The first day of the month and the days gone, at least one, as date serials.
    double First = 0;
    double Elapsed = 1;
    int Days = 30;
};

// The calendar month of `now` (a date serial) over every record of the log.
MonthGlance GlanceAtMonth(const CallLogData& log, double now);

struct AllowanceGlance {
    std::uint64_t Left = 0;
    // The day (a date serial) on which the allowance runs out at the month's pace, when that is
    // within the month and there is a pace; none once it is used up.
    std::optional<std::int32_t> RunsOut;
};

// The month's profile's allowance of `allowanceBytes` against its calls so far.
AllowanceGlance GlanceAtAllowance(const MonthGlance& glance, double allowanceBytes);

// The records as CSV: a heading line, ISO dates, times of day, seconds and amounts with a point,
// texts in quotes with quotes doubled, then the bytes received and sent, empty when not counted.
// Lines end with CR LF.
void WriteCallsCsv(std::ostream& out, const CallLogData& log, const std::vector<std::uint32_t>& rows);

// What was passed over and why, in a sentence for the status bar; empty when nothing was.
std::string DescribeSkips(const CallLogSkips& skips, std::uint64_t pendingBytes);
