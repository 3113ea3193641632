#include "engine/CallLog.h"
#include "settings/DateSerial.h"
#include "support/TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

TEST(LogFieldNotation, NumbersReadBackExactlyAndTimesDropTheirFraction) {
    for (const double value : {90.5 / 60 * 0.01, 1.0 / 3, 0.1 + 0.2, -123.456, 1e15 + 0.5, 5e-324}) {
        const std::string text = FormatLogField(LogField::Number(value));
        EXPECT_EQ(text.find_first_of("eE,"), std::string::npos) << text;
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text << " reads back exactly";
    }
    EXPECT_EQ(FormatLogField(LogField::Number(-0.0)), "0");
    EXPECT_EQ(FormatLogField(LogField::Time(DateSerial::FromTime(14, 5, 33.6))), "#14:05:33#");
}

std::vector<LogField> CallRecordFields() {
    return {LogField::String("TALLYD"),
            LogField::Date(DateSerial::FromCivil(2026, 12, 2)),
            LogField::Time(DateSerial::FromTime(10, 0, 0)),
            LogField::Time(DateSerial::FromTime(10, 1, 30)),
            LogField::Number(90.5),
            LogField::Number(90.5 / 60 * 0.01),
            LogField::String("Default"),
            LogField::String("My ISP"),
            LogField::WholeNumber(0)};
}

const std::string kCallRecord = "\"TALLYD\"\r\n#2026-12-02#\r\n#10:00:00#\r\n#10:01:30#\r\n90.5\r\n"
                                "0.015083333333333334\r\n\"Default\"\r\n\"My ISP\"\r\n0\r\n";

// A move cut short after its append, before the pending file was removed; a record cut before its
// comment; a pending "file" that is a folder.
TEST(PendingMove, PutsEachRecordInOnceAndNeverAborts) {
    TempFolder folder;
    const std::string log = (folder.Path() / "log.dat").string();
    const std::string pending = (folder.Path() / "log-pending.dat").string();
    std::ofstream(log, std::ios::binary) << kCallRecord << "\"\"\r\n" << kCallRecord << "\"\"\r\n";
    std::ofstream(pending, std::ios::binary) << kCallRecord << "\"\"\r\n";
    EXPECT_TRUE(MovePendingIntoLog(log, pending));
    EXPECT_EQ(ReadText(log).size(), 2 * (kCallRecord.size() + 4)) << "already in: not again";
    EXPECT_FALSE(std::filesystem::exists(pending));

    EXPECT_TRUE(RecordCutAtEnd(kCallRecord));
    EXPECT_TRUE(RecordCutAtEnd(kCallRecord + "\"\"\r\n" + kCallRecord));
    EXPECT_FALSE(RecordCutAtEnd(kCallRecord + "\"\"\r\n"));
    EXPECT_FALSE(RecordCutAtEnd(kCallRecord.substr(10)));
    EXPECT_FALSE(RecordCutAtEnd("\"TALLYX\"\r\n" + kCallRecord.substr(10))) << "not our marker";

    std::filesystem::create_directories(pending + "/inside");
    EXPECT_TRUE(MovePendingIntoLog(log, pending));
    EXPECT_EQ(AppendLogRecord(log, pending, {LogField::String("x")}), LogAppend::Logged);

    // Neither the log nor the pending file takes it: it goes first with the next record.
    const std::string nowhere = (folder.Path() / "nowhere").string();
    std::filesystem::create_directories(nowhere + "/inside");
    std::string unwritten;
    EXPECT_EQ(AppendLogRecord(nowhere, pending, {LogField::String("y")}, unwritten), LogAppend::Lost);
    EXPECT_EQ(AppendLogRecord(log, pending, {LogField::String("z")}, unwritten), LogAppend::Logged);
    EXPECT_EQ(unwritten, "");
    EXPECT_EQ(ReadText(log).substr(ReadText(log).size() - 15), "\"x\"\r\n\"y\"\r\n\"z\"\r\n");
}

struct PendingRow {
    const char* Name;
    const char* Log; // below the folder
    void (*Break)(const std::filesystem::path& log);
    void (*Mend)(const std::filesystem::path& log);
    bool KeptPending; // else the log takes the record at once
};

rlimit g_sizeLimit{};

class LogKeptPending : public testing::TestWithParam<PendingRow> {
protected:
    void TearDown() override { GetParam().Mend(log); }
    TempFolder folder;
    std::filesystem::path log = folder.Path() / GetParam().Log;
};

TEST_P(LogKeptPending, UntilTheLogTakesItAgainInOrder) {
    GetParam().Break(log);
    const std::string pending = (folder.Path() / "state" / "log-pending.dat").string();
    const std::string before = std::filesystem::is_regular_file(log) ? ReadText(log) : std::string();
    const LogAppend expected = GetParam().KeptPending ? LogAppend::Pending : LogAppend::Logged;

    EXPECT_EQ(AppendLogRecord(log.string(), pending, CallRecordFields()), expected);
    EXPECT_EQ(AppendLogRecord(log.string(), pending, {LogField::String("first")}), expected);
    if (GetParam().KeptPending) {
        EXPECT_EQ(ReadText(pending).substr(0, 10), "\"TALLYD\"\r\n");
        if (std::filesystem::is_regular_file(log)) {
            EXPECT_EQ(ReadText(log), before) << "nothing cut short";
        }
    }
    GetParam().Mend(log);
    EXPECT_EQ(AppendLogRecord(log.string(), pending, {LogField::String("TALLYD")}), LogAppend::Logged);

    EXPECT_EQ(ReadText(log), before + kCallRecord + "\"first\"\r\n\"TALLYD\"\r\n");
    EXPECT_FALSE(std::filesystem::exists(pending));
    if (!GetParam().KeptPending) {
        EXPECT_EQ(std::filesystem::status(log.parent_path()).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_all);
    }
}

namespace fs = std::filesystem;
// The log nearly at the size limit: the record's write stops part way.
void NearlyFull(const fs::path& log) {
    std::ofstream(log) << std::string(4000, 'x');
    std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &g_sizeLimit);
    rlimit small = g_sizeLimit;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
}
void Nothing(const fs::path&) {}

const PendingRow pendingRows[] = {
    {"LogIsFolder", "log.dat", [](const fs::path& log) { fs::create_directory(log); },
     [](const fs::path& log) { fs::remove(log); }, true},
    {"MissingFolderIsMade", "data/tallydial/log.dat", Nothing, Nothing, false},
    {"DiskFullMidRecord", "log.dat", NearlyFull,
     [](const fs::path&) {
         if (g_sizeLimit.rlim_max != 0) ::setrlimit(RLIMIT_FSIZE, &g_sizeLimit);
     },
     true},
};
INSTANTIATE_TEST_SUITE_P(Failures, LogKeptPending, testing::ValuesIn(pendingRows), RowName());

} // namespace
