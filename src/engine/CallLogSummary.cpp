#include "engine/CallLogSummary.h"

#include "settings/DateSerial.h"
#include "settings/PlainText.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <ostream>

void AppendMatching(const CallLogData& log, const CallFilter& filter, std::size_t first,
                    std::vector<std::uint32_t>& rows) {
    for (std::size_t i = first; i < log.Records.size(); ++i)
        if (filter.Matches(log.Records[i])) rows.push_back(static_cast<std::uint32_t>(i));
}

namespace {

// Each name's place in alphabetical order, so that sorting by a name compares two numbers.
std::vector<std::uint32_t> NameRanks(const CallLogData& log) {
    std::vector<std::uint32_t> order(log.NameCount());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return log.Name(a) < log.Name(b); });
    std::vector<std::uint32_t> rank(order.size());
    for (std::uint32_t place = 0; place < order.size(); ++place)
        rank[order[place]] = place;
    return rank;
}

template <typename Key> void SortBy(std::vector<std::uint32_t>& rows, Key key) {
    std::sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
        const auto ka = key(a);
        const auto kb = key(b);
        return ka < kb || (!(kb < ka) && a < b);
    });
}

} // namespace

void SortRows(const CallLogData& log, std::vector<std::uint32_t>& rows, CallColumn column, bool descending) {
    const auto& r = log.Records;
    const auto when = [&](std::uint32_t i) { return std::int64_t{r[i].Date} * 86400 + r[i].Start; };
    switch (column) {
    case CallColumn::Date:
        SortBy(rows, when);
        break;
    case CallColumn::Start:
        SortBy(rows, [&](std::uint32_t i) { return r[i].Start; });
        break;
    case CallColumn::End:
        SortBy(rows, [&](std::uint32_t i) { return r[i].End; });
        break;
    case CallColumn::Duration:
        SortBy(rows, [&](std::uint32_t i) { return r[i].Duration; });
        break;
    case CallColumn::Cost:
        SortBy(rows, [&](std::uint32_t i) { return r[i].Cost; });
        break;
    case CallColumn::Received:
    case CallColumn::Sent: {
        // Calls without a volume before those of none.
        const bool received = column == CallColumn::Received;
        SortBy(rows, [&](std::uint32_t i) {
            const CallBytes v = log.Volume(i);
            return std::pair(v.Known(), received ? v.Received : v.Sent);
        });
        break;
    }
    case CallColumn::Profile:
    case CallColumn::Connection: {
        const std::vector<std::uint32_t> rank = NameRanks(log);
        const bool profile = column == CallColumn::Profile;
        SortBy(rows, [&](std::uint32_t i) { return rank[profile ? r[i].Profile : r[i].Connection]; });
        break;
    }
    case CallColumn::Failed:
        SortBy(rows, [&](std::uint32_t i) { return r[i].Failed; });
        break;
    case CallColumn::Comment:
        SortBy(rows, [&](std::uint32_t i) { return log.Comment(r[i]); });
        break;
    }
    if (descending) std::reverse(rows.begin(), rows.end());
}

std::vector<std::uint32_t> NamesUsed(const CallLogData& log, bool profiles) {
    std::vector<bool> used(log.NameCount());
    for (const CallRecord& record : log.Records)
        used[profiles ? record.Profile : record.Connection] = true;
    std::vector<std::uint32_t> names;
    for (std::uint32_t i = 0; i < used.size(); ++i)
        if (used[i]) names.push_back(i);
    std::sort(names.begin(), names.end(),
              [&](std::uint32_t a, std::uint32_t b) { return log.Name(a) < log.Name(b); });
    return names;
}

std::vector<PeriodTotal> TotalsByPeriod(const CallLogData& log, const std::vector<std::uint32_t>& rows,
                                        bool byMonth) {
    // Days first: few of them, whatever the number of calls.
    std::map<std::int32_t, PeriodTotal> days;
    for (const std::uint32_t i : rows) {
        const CallRecord& record = log.Records[i];
        PeriodTotal& total = days[record.Date];
        ++total.Calls;
        total.Seconds += record.Duration;
        total.Cost += record.Cost;
        const CallBytes volume = log.Volume(i);
        total.Bytes += volume.Total();
        total.HasData = total.HasData || volume.Known();
    }
    std::vector<PeriodTotal> totals;
    for (auto& [date, day] : days) {
        const CivilDate civil = DateSerial::ToCivil(date);
        day.Year = civil.Year;
        day.Month = civil.Month;
        day.Day = byMonth ? 0 : civil.Day;
        if (byMonth && !totals.empty() && totals.back().Year == day.Year &&
            totals.back().Month == day.Month) {
            totals.back().Calls += day.Calls;
            totals.back().Seconds += day.Seconds;
            totals.back().Cost += day.Cost;
            totals.back().Bytes += day.Bytes;
            totals.back().HasData = totals.back().HasData || day.HasData;
        } else {
            totals.push_back(day);
        }
    }
    return totals;
}

MonthGlance GlanceAtMonth(const CallLogData& log, double now) {
    MonthGlance glance;
    const CivilDate today = DateSerial::ToCivil(now);
    glance.Year = today.Year;
    glance.Month = today.Month;
    const double first = DateSerial::FromCivil(today.Year, today.Month, 1);
    const int days = DateSerial::DaysInMonth(today.Year, today.Month);
    std::int64_t latest = INT64_MIN;
    for (std::size_t i = 0; i < log.Records.size(); ++i) {
        const CallRecord& record = log.Records[i];
        if (record.Date < first || record.Date >= first + days) continue;
        ++glance.Calls;
        glance.Cost += record.Cost;
        glance.Seconds += record.Duration;
        const CallBytes volume = log.Volume(i);
        if (volume.Known()) {
            glance.Received += volume.Received;
            glance.Sent += volume.Sent;
            glance.HasData = true;
        }
        const std::int64_t when = std::int64_t{record.Date} * 86400 + record.Start;
        if (when >= latest) {
            latest = when;
            glance.Profile = record.Profile;
        }
    }
    for (std::size_t i = 0; glance.HasData && i < log.Volumes.size(); ++i) {
        const CallRecord& record = log.Records[i];
        if (record.Profile == glance.Profile && record.Date >= first && record.Date < first + days)
            glance.ProfileBytes += log.Volumes[i].Total();
    }
    // At least a day has passed, so that the first hour's calls aren't taken for a month's pace.
    const double elapsed = std::max(1.0, now - first);
    const double scale = std::max(1.0, days / elapsed);
    glance.ProjectedCost = glance.Cost * scale;
    glance.ProjectedSeconds = glance.Seconds * scale;
    glance.First = first;
    glance.Elapsed = elapsed;
    glance.Days = days;
    return glance;
}

AllowanceGlance GlanceAtAllowance(const MonthGlance& glance, double allowanceBytes) {
    AllowanceGlance allowance;
    const auto used = static_cast<double>(glance.ProfileBytes);
    if (used >= allowanceBytes) return allowance;
    allowance.Left = static_cast<std::uint64_t>(allowanceBytes - used);
    if (used == 0) return allowance;
    const double runsOut = std::floor(glance.First + allowanceBytes / (used / glance.Elapsed));
    if (runsOut < glance.First + glance.Days) allowance.RunsOut = static_cast<std::int32_t>(runsOut);
    return allowance;
}

namespace {

void AppendTime(std::string& out, std::int32_t seconds) {
    out += Padded(seconds / 3600, 2) + ':' + Padded(seconds / 60 % 60, 2) + ':' + Padded(seconds % 60, 2);
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

void WriteCallsCsv(std::ostream& out, const CallLogData& log, const std::vector<std::uint32_t>& rows) {
    std::string text = "Date,Start,End,Duration (s),Cost,Profile,Connection,Failed,Comment,Received "
                       "(bytes),Sent (bytes)\r\n";
    for (const std::uint32_t i : rows) {
        const CallRecord& r = log.Records[i];
        const CivilDate date = DateSerial::ToCivil(r.Date);
        text += Padded(date.Year, 4) + '-' + Padded(date.Month, 2) + '-' + Padded(date.Day, 2) + ',';
        AppendTime(text, r.Start);
        text += ',';
        AppendTime(text, r.End);
        text += ',';
        text += ExactNumberText(r.Duration) + ',' + ExactNumberText(r.Cost) + ',';
        AppendQuoted(text, log.Name(r.Profile));
        text += ',';
        AppendQuoted(text, log.Name(r.Connection));
        text += r.Failed ? ",1," : ",0,";
        AppendQuoted(text, log.Comment(r));
        // The columns of earlier exports keep their places.
        const CallBytes volume = log.Volume(i);
        text +=
            volume.Known() ? ',' + std::to_string(volume.Received) + ',' + std::to_string(volume.Sent) : ",,";
        text += "\r\n";
        if (text.size() > (std::size_t{1} << 20)) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

namespace {
std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}
} // namespace

std::string DescribeSkips(const CallLogSkips& skips, std::uint64_t pendingBytes) {
    std::vector<std::string> parts;
    if (skips.SkippedRecords() > 0) {
        std::string why;
        if (skips.CutShort > 0) why = Count(skips.CutShort, "cut short", "cut short");
        if (skips.BadField > 0)
            why += (why.empty() ? "" : ", ") +
                   Count(skips.BadField, "with a wrong field", "with a wrong field") +
                   " (first: " + skips.FirstBadField + ")";
        parts.push_back(Count(skips.SkippedRecords(), "record skipped", "records skipped") + ": " + why);
    }
    if (skips.Garbage > 0)
        parts.push_back(Count(skips.Garbage, "stretch of unreadable text passed over",
                              "stretches of unreadable text passed over"));
    if (skips.NoComment > 0)
        parts.push_back(Count(skips.NoComment, "call shown without its comment, which was never written",
                              "calls shown without their comments, which were never written"));
    if (pendingBytes > 0) parts.emplace_back("the last record is not complete yet");
    std::string sentence;
    for (const std::string& part : parts)
        sentence += (sentence.empty() ? "" : "; ") + part;
    return sentence;
}
