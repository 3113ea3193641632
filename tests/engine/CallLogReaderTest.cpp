#include "engine/CallLogReader.h"
#include "engine/CallDataReader.h"
#include "engine/CallLogSummary.h"
#include "support/EngineHarness.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>

namespace {

// A record of ten fields, each followed by `sep`, as the program writes it.
std::string Rec(const std::string& sep, const std::string& cost = "0.015",
                const std::string& comment = "\"\"", const std::string& date = "#2026-12-02#") {
    const std::string fields[] = {"\"TALLYD\"", date,          "#10:00:00#", "#10:01:30#", "90.5",
                                  cost,         "\"Default\"", "\"My ISP\"", "0",          comment};
    std::string text;
    for (const std::string& field : fields)
        text += field + sep;
    return text;
}

// The first `n` fields of a record.
std::string Part(const std::string& sep, int n) {
    const std::string whole = Rec(sep);
    std::size_t pos = 0;
    for (int i = 0; i < n; ++i)
        pos = whole.find(sep, pos) + sep.size();
    return whole.substr(0, pos);
}

const std::string L = "\r\n";
const std::string C = ",";
// `record` with its first `from` replaced by `to`.
std::string With(std::string record, const std::string& from, const std::string& to) {
    return record.replace(record.find(from), from.size(), to);
}

const std::string kCall = "2026-12-02,10:00:00,10:01:30,90.5,0.015,\"Default\",\"My ISP\",0,";
const std::string kLateCall = "2026-12-02,10:00:00,10:01:30,90.5,1.5,\"Default\",\"My ISP\",0,\"late\"";

struct ReadRow {
    const char* Name;
    std::string Text;
    std::vector<std::string> Calls; // as CSV lines
    CallLogSkips Skips;
    bool Pending = false;
};

std::string Csv(const CallLogData& log) {
    std::vector<std::uint32_t> rows;
    AppendMatching(log, {}, 0, rows);
    std::ostringstream out;
    WriteCallsCsv(out, log, rows);
    return out.str();
}

std::string Expected(const ReadRow& row) {
    std::string text = "Date,Start,End,Duration (s),Cost,Profile,Connection,Failed,Comment,Received "
                       "(bytes),Sent (bytes)\r\n";
    for (const std::string& call : row.Calls)
        text += call + ",,\r\n"; // no volumes
    return text;
}

class CallLogParse : public testing::TestWithParam<ReadRow> {};

TEST_P(CallLogParse, ReadsWhatItCanAndSaysWhatItSkippedWholeOrWhileTheFileGrows) {
    const ReadRow& row = GetParam();
    CallLogData log;
    const std::size_t used = ParseCallLog(row.Text, true, log);
    EXPECT_EQ(Csv(log), Expected(row));
    const auto counts = [](const CallLogSkips& s) {
        return std::tuple(s.CutShort, s.BadField, s.Garbage, s.NoComment, s.FirstBadField);
    };
    EXPECT_EQ(counts(log.Skips), counts(row.Skips));
    const auto withoutComment = [](const CallRecord& r) { return !r.HasComment; };
    EXPECT_EQ(std::count_if(log.Records.begin(), log.Records.end(), withoutComment),
              static_cast<std::ptrdiff_t>(row.Skips.NoComment))
        << "shown as never written";
    EXPECT_EQ(used < row.Text.size(), row.Pending);

    // The file as it grows a few bytes at a time, as while following it, reads the same.
    for (const std::size_t step : {1, 7, 64}) {
        CallLogData grown;
        std::size_t next = 0;
        for (std::size_t end = step; end < row.Text.size() + step; end += step) {
            const std::string_view seen =
                std::string_view(row.Text).substr(0, std::min(end, row.Text.size()));
            next += ParseCallLog(seen.substr(next), false, grown);
        }
        next += ParseCallLog(std::string_view(row.Text).substr(next), true, grown);
        EXPECT_EQ(Csv(grown), Expected(row)) << "step " << step;
        EXPECT_EQ(grown.Skips.SkippedRecords(), row.Skips.SkippedRecords()) << "step " << step;
        EXPECT_EQ(grown.Skips.Garbage, row.Skips.Garbage) << "step " << step;
        EXPECT_EQ(next < row.Text.size(), row.Pending) << "step " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Logs, CallLogParse,
    testing::Values(
        ReadRow{"Empty", "", {}, {}},
        ReadRow{"FieldPerLineWithLfOnly", Rec("\n") + Rec("\n"), {kCall + "\"\"", kCall + "\"\""}, {}},
        ReadRow{"BothFormsInOneFile", Rec(C, "1.5", "\"late\"") + Rec(L), {kLateCall, kCall + "\"\""}, {}},
        ReadRow{"CommentWithQuotesAndCommasCommaSeparated",
                Rec(C, "0.015", "\"say \"hi\", ok\"") + Rec(C, "0.015", "\"a,\"\"b\""),
                {kCall + "\"say \"\"hi\"\", ok\"", kCall + "\"a,\"\"\"\"b\""},
                {}},
        ReadRow{"CallAcrossMidnight",
                With(Rec(L), "#10:00:00#\r\n#10:01:30#", "#23:59:59#\r\n#00:01:29#"),
                {"2026-12-02,23:59:59,00:01:29,90.5,0.015,\"Default\",\"My ISP\",0,\"\""},
                {}},
        ReadRow{"CommaCommentThenTextOnItsLine",
                Rec(C, "0.015", "\"ok\",junk") + L + Rec(C),
                {kCall + "\"ok\"", kCall + "\"\""},
                CallLogSkips{.Garbage = 1, .FirstBadField = ""}},
        ReadRow{"CommentThatReadsTallyd", Rec(L, "0.015", "\"TALLYD\""), {kCall + "\"TALLYD\""}, {}},
        ReadRow{"ConnectionAndProfileThatReadTallyd",
                With(With(Rec(L), "\"My ISP\"", "\"TALLYD\""), "\"Default\"", "\"TALLYD\"") + Rec(L),
                {"2026-12-02,10:00:00,10:01:30,90.5,0.015,\"TALLYD\",\"TALLYD\",0,\"\"", kCall + "\"\""},
                {}},
        ReadRow{"CostBeyondAnyCall",
                Rec(L, "1e308") + Rec(L),
                {kCall + "\"\""},
                CallLogSkips{.BadField = 1, .FirstBadField = "cost \"1e308\" is not a number"}},
        ReadRow{"GarbageBetweenRecords",
                "junk\r\n" + Rec(L) + "more junk, \"TALLY\"\r\n#x#\r\n" + Rec(L),
                {kCall + "\"\"", kCall + "\"\""},
                CallLogSkips{.Garbage = 2, .FirstBadField = ""}},
        ReadRow{"RecordCutShort",
                Part(L, 4) + Rec(L),
                {kCall + "\"\""},
                CallLogSkips{.CutShort = 1, .FirstBadField = ""}},
        ReadRow{"RecordCutInAFieldThenTheNext",
                Part(L, 4) + "90." + Rec(L),
                {kCall + "\"\""},
                CallLogSkips{.BadField = 1, .FirstBadField = "duration \"90.\"TALLYD\"\" is not a number"}},
        ReadRow{"CommentNeverWritten",
                Part(L, 9) + Rec(L),
                {kCall + "\"\"", kCall + "\"\""},
                CallLogSkips{.NoComment = 1, .FirstBadField = ""}},
        ReadRow{"TruncatedLastRecord", Rec(L) + Part(L, 3), {kCall + "\"\""}, {}, true},
        ReadRow{"CostWithDecimalComma",
                Rec(C, "0,015") + Rec(C),
                {kCall + "\"\""},
                CallLogSkips{.BadField = 1, .FirstBadField = "profile \"015\" is not quoted text"}},
        ReadRow{"DatesOffTheCalendar",
                Rec(L, "1", "\"\"", "#2026-02-30#") + Rec(L, "1", "\"\"", "#2026-13-01#") +
                    Rec(L, "1", "\"\"", "#2026-00-10#") + Rec(L, "1", "\"\"", "#2026-12-00#") +
                    Rec(L, "0.015", "\"\"", "#2027-01-01#"),
                {"2027-01-01,10:00:00,10:01:30,90.5,0.015,\"Default\",\"My ISP\",0,\"\""},
                CallLogSkips{.BadField = 4, .FirstBadField = "start date \"#2026-02-30#\" is not a date"}},
        ReadRow{
            "TimesPastTheDay",
            With(Rec(L), "10:00:00", "24:00:00") + With(Rec(L), "10:00:00", "10:60:00") +
                With(Rec(L), "10:00:00", "10:00:60") + Rec(L),
            {kCall + "\"\""},
            CallLogSkips{.BadField = 3, .FirstBadField = "start time \"#24:00:00#\" is not a time of day"}},
        ReadRow{"UnquotedComment",
                Rec(L, "0.015", "oops") + Rec(L),
                {kCall + "\"\""},
                CallLogSkips{.BadField = 1, .FirstBadField = "comment \"oops\" is not quoted text"}},
        ReadRow{"FailedDialAndAWrongFlag",
                With(Rec(L), "0\r\n\"\"", "1\r\n\"\"") + With(Rec(L), "0\r\n\"\"", "2\r\n\"\""),
                {"2026-12-02,10:00:00,10:01:30,90.5,0.015,\"Default\",\"My ISP\",1,\"\""},
                CallLogSkips{.BadField = 1, .FirstBadField = "failed flag \"2\" is not 0 or 1"}}),
    RowName());

void Append(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

TEST(ReadCallLogFile, FollowsTheFileAsItGrowsAndNoticesItShrinking) {
    TempFolder folder;
    const std::string path = (folder.Path() / "log.dat").string();
    CallLogData log;
    EXPECT_EQ(ReadCallLogFile(path, 0, log).Result, CallLogRead::Outcome::Missing);
    EXPECT_EQ(ReadCallLogFile(folder.Path().string(), 0, log).Result, CallLogRead::Outcome::Unreadable);

    Append(path, "");
    CallLogRead read = ReadCallLogFile(path, 0, log);
    EXPECT_EQ(read.Result, CallLogRead::Outcome::Read);
    EXPECT_EQ(read.Next, 0u);

    Append(path, Rec(L) + Part(L, 9));
    read = ReadCallLogFile(path, read.Next, log);
    EXPECT_EQ(log.Records.size(), 1u);
    EXPECT_EQ(read.Next, Rec(L).size());
    EXPECT_EQ(read.Pending, Part(L, 9).size()) << "the comment is still being asked for";

    Append(path, "\"done\"\r\n");
    read = ReadCallLogFile(path, read.Next, log);
    ASSERT_EQ(log.Records.size(), 2u);
    EXPECT_EQ(log.Comment(log.Records[1]), "done");
    EXPECT_EQ(read.Pending, 0u);

    std::filesystem::resize_file(path, 10);
    EXPECT_EQ(ReadCallLogFile(path, read.Next, log).Result, CallLogRead::Outcome::Shrunk);

    // A log larger than one read block: the record at the block's edge is read whole.
    std::filesystem::remove(path);
    Append(path, Repeated(Rec(L), 100000));
    CallLogData large;
    ReadCallLogFile(path, 0, large);
    EXPECT_EQ(large.Records.size(), 100000u);
    EXPECT_TRUE(large.Skips.Clean());
}

// The viewer's sorting by a column: a call at 09:00 after one at 10:00 on the same day, other names.
TEST(SortRows, ByTheColumnsOwnValues) {
    const std::string second =
        With(With(With(Rec(L), "10:00:00", "09:00:00"), "Default", "Work"), "My ISP", "Alpha");
    CallLogData log;
    ParseCallLog(Rec(L) + second, true, log);
    const auto sorted = [&](CallColumn column, bool descending) {
        std::vector<std::uint32_t> rows = {0, 1};
        SortRows(log, rows, column, descending);
        return rows;
    };
    const std::vector<std::uint32_t> firstFirst = {0, 1};
    const std::vector<std::uint32_t> secondFirst = {1, 0};
    EXPECT_EQ(sorted(CallColumn::Date, false), secondFirst);
    EXPECT_EQ(sorted(CallColumn::Connection, false), secondFirst);
    EXPECT_EQ(sorted(CallColumn::Profile, false), firstFirst);
    EXPECT_EQ(sorted(CallColumn::Profile, true), secondFirst);
}

// Volumes from the data file beside the log, onto the calls of `kDataLog`: 10:00 on My ISP, two
// the same at 11:00 (a redial within the second), a call on a connection named with quotes and
// commas, and a failed dial at 12:00.
const std::string kDataLog =
    Rec(L) + With(Rec(L), "#10:00:00#", "#11:00:00#") + With(Rec(L), "#10:00:00#", "#11:00:00#") +
    With(With(Rec(L), "#10:00:00#", "#11:30:00#"), "\"My ISP\"", "\"say \"hi\", ok\"") +
    With(With(Rec(L), "#10:00:00#", "#12:00:00#"), "0\r\n\"\"", "1\r\n\"\"");

struct DataRow {
    const char* Name;
    std::string Text;
    std::vector<std::string> Volumes; // per call of kDataLog: "received/sent", or "" when not counted
    std::size_t Malformed = 0;
    std::size_t Waiting = 0;
};

std::vector<std::string> Volumes(const CallLogData& log) {
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < log.Records.size(); ++i) {
        const CallBytes v = log.Volume(i);
        shown.push_back(v.Known() ? std::to_string(v.Received) + "/" + std::to_string(v.Sent) : "");
    }
    return shown;
}

class CallDataParse : public testing::TestWithParam<DataRow> {};

// Read whole when the viewer opens, and line by line while it follows the file: the same volumes.
TEST_P(CallDataParse, JoinsEachLineOntoItsCall) {
    const DataRow& row = GetParam();
    for (const bool following : {false, true}) {
        CallLogData log;
        ParseCallLog(kDataLog, true, log);
        CallDataJoin join;
        bool changed = false;
        std::size_t used = 0;
        if (following) {
            for (std::size_t end = 1; end <= row.Text.size(); ++end)
                used += join.Parse(std::string_view(row.Text).substr(used, end - used), log,
                                   CallDataJoin::Search::Latest, changed);
        } else {
            used = join.Parse(row.Text, log, CallDataJoin::Search::Along, changed);
            join.Join(log, 0);
        }
        EXPECT_EQ(Volumes(log), row.Volumes) << (following ? "following" : "whole");
        EXPECT_EQ(join.Malformed(), row.Malformed) << (following ? "following" : "whole");
        EXPECT_EQ(join.Waiting(), row.Waiting) << (following ? "following" : "whole");
        EXPECT_EQ(used, row.Text.rfind('\n') + 1) << "all but a line not ended yet";
        if (following) {
            EXPECT_EQ(changed, row.Volumes != std::vector<std::string>(row.Volumes.size()))
                << "the viewer redraws on it";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CallDataParse,
    testing::Values(
        DataRow{"None", "", {"", "", "", "", ""}},
        DataRow{"OneCallAndZeroBytesIsNotNone",
                "#2026-12-02#,#10:00:00#,\"My ISP\",150000000,2500000\r\n#2026-12-02#,#11:00:00#,\"My "
                "ISP\",0,0\r\n",
                {"150000000/2500000", "0/0", "", "", ""}},
        DataRow{"ConnectionWithQuotesAndCommas",
                "#2026-12-02#,#11:30:00#,\"say \"hi\", ok\",1000000000000,7\r\n",
                {"", "", "", "1000000000000/7", ""}},
        DataRow{"LineFeedsAlone", "#2026-12-02#,#11:00:00#,\"My ISP\",5,6\n\n", {"", "5/6", "", "", ""}},
        DataRow{"LinesOutOfTheLogsOrder",
                "#2026-12-02#,#11:00:00#,\"My ISP\",2,2\r\n#2026-12-02#,#10:00:00#,\"My ISP\",1,1\r\n",
                {"1/1", "2/2", "", "", ""}},
        DataRow{"LaterLineCounts",
                "#2026-12-02#,#10:00:00#,\"My ISP\",1,1\r\n#2026-12-02#,#10:00:00#,\"My ISP\",2,3\r\n",
                {"2/3", "", "", "", ""}},
        DataRow{"NoCallYetWaits",
                "#2026-12-03#,#10:00:00#,\"My ISP\",1,1\r\n#2026-12-02#,#10:00:00#,\"Other\",1,1\r\n"
                "#2026-12-02#,#12:00:00#,\"My ISP\",1,1\r\n",
                {"", "", "", "", ""},
                0,
                3},
        DataRow{"Malformed",
                "#2026-12-02#,#10:00:00#,My ISP,1,2\r\n"      // connection unquoted
                "#2026-12-02#,#10:00:00#,\"My ISP\",1\r\n"    // no sent
                "#2026-12-02#,#10:00:00#,\"My ISP\",-1,2\r\n" // a sign
                "#2026-12-02#,#10:00:00#,\"My ISP\",1,2x\r\n"
                "#2026-12-02#,#10:00:00#,\"My ISP\",1000000000001,2\r\n" // beyond a terabyte
                "#2026-02-30#,#10:00:00#,\"My ISP\",1,2\r\n"
                "#2026-12-02#,#10:00#,\"My ISP\",1,2\r\n"
                "#2026-12-02#,#11:00:00#,\"My ISP\",4,5\r\n",
                {"", "4/5", "", "", ""},
                7},
        DataRow{"TwoCallsInOneSecondEachTheirOwn",
                "#2026-12-02#,#11:00:00#,\"My ISP\",1,2\r\n#2026-12-02#,#11:00:00#,\"My ISP\",3,4\r\n",
                {"", "1/2", "3/4", "", ""}},
        DataRow{"LastLineNotEndedYet",
                "#2026-12-02#,#10:00:00#,\"My ISP\",1,2\r\n#2026-12-02#,#11:00:00#,\"My",
                {"1/2", "", "", "", ""}}),
    RowName());

// 3.6 GB in the 9 days gone of December after 9 GB in November, against an allowance that lasts the
// month and one used up; where one runs out within the month, and of which profile, the viewer's test pins.
TEST(GlanceAtAllowance, CountsTheMonthOnlyAndNoDayWhenItLastsTheMonthOrIsUsedUp) {
    CallLogData log;
    ParseCallLog(Rec(L, "0.015", "\"\"", "#2026-11-30#") + Rec(L), true, log);
    CallDataJoin join;
    bool changed = false;
    join.Parse("#2026-11-30#,#10:00:00#,\"My ISP\",9000000000,0\r\n"
               "#2026-12-02#,#10:00:00#,\"My ISP\",3000000000,600000000\r\n",
               log, CallDataJoin::Search::Latest, changed);
    const MonthGlance glance = GlanceAtMonth(log, DateSerial::FromCivil(2026, 12, 10));
    EXPECT_EQ(glance.ProfileBytes, 3600000000u);
    EXPECT_EQ(GlanceAtAllowance(glance, 40e9).RunsOut, std::nullopt);
    const AllowanceGlance usedUp = GlanceAtAllowance(glance, 3e9);
    EXPECT_EQ(usedUp.Left, 0u);
    EXPECT_EQ(usedUp.RunsOut, std::nullopt);
}

// The allowance as the options store it, read without writing anything.
TEST(StoredDataAllowance, ReadsTheProfilesOwnValueOrItsBases) {
    StoreHarness h;
    h.Store("Default\\ISP Charges", "DataAllowance", "20");
    h.Store("Mobile\\ISP Charges", "DataAllowance", "1.5");
    h.Store("Copy", "Base", "Mobile");
    h.Store("Off\\ISP Charges", "DataAllowance", "0");
    EXPECT_EQ(StoredDataAllowance(*h.store, "Default"), 20e9);
    EXPECT_EQ(StoredDataAllowance(*h.store, "Mobile"), 1.5e9);
    EXPECT_EQ(StoredDataAllowance(*h.store, "Copy"), 1.5e9);
    EXPECT_EQ(StoredDataAllowance(*h.store, "Off"), 0);
    EXPECT_EQ(StoredDataAllowance(*h.store, "Absent"), 0);
    EXPECT_FALSE(h.store->KeyExists(HKEY_LOCAL_MACHINE, std::string(Settings::BaseKey) + "Absent"));
}

TEST(DescribeSkips, SaysHowManyAndWhy) {
    EXPECT_EQ(DescribeSkips({}, 0), "");
    EXPECT_EQ(DescribeSkips(CallLogSkips{.CutShort = 2,
                                         .BadField = 1,
                                         .Garbage = 1,
                                         .NoComment = 1,
                                         .FirstBadField = "cost \"x\" is not a number"},
                            12),
              "3 records skipped: 2 cut short, 1 with a wrong field (first: cost \"x\" is not a number); "
              "1 stretch of unreadable text passed over; 1 call shown without its comment, which was never "
              "written; the last record is not complete yet");
}

} // namespace
