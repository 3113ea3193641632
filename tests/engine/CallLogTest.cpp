#include "engine/CallLog.h"
#include "settings/DateSerial.h"
#include "support/TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct FieldRow {
    const char* Behaviour;
    LogField Field;
    std::string Expected;
};

class LogFieldNotation : public testing::TestWithParam<FieldRow> {};

TEST_P(LogFieldNotation, Writes) {
    EXPECT_EQ(FormatLogField(GetParam().Field), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, LogFieldNotation,
    testing::Values(
        FieldRow{"QuoteInCommentNotEscaped", LogField::String("say \"hi\", ok"), "\"say \"hi\", ok\""},
        FieldRow{"NegativeZeroIsZero", LogField::Number(-0.0), "0"},
        FieldRow{"Date", LogField::Date(DateSerial::FromCivil(2000, 3, 15) + 0.75), "#2000-03-15#"},
        FieldRow{"Time", LogField::Time(DateSerial::FromTime(14, 5, 33.6)), "#14:05:33#"},
        FieldRow{"TimeOfAFullDate",
                 LogField::Time(DateSerial::FromCivil(2026, 1, 2) + DateSerial::FromTime(0, 0, 7)),
                 "#00:00:07#"}),
    [](const testing::TestParamInfo<FieldRow>& row) { return std::string(row.param.Behaviour); });

TEST(LogFieldNotation, NumbersReadBackExactly) {
    for (const double value : {90.5 / 60 * 0.01, 1.0 / 3, 0.1 + 0.2, -123.456, 1e15 + 0.5, 5e-324}) {
        const std::string text = FormatLogField(LogField::Number(value));
        EXPECT_EQ(text.find_first_of("eE,"), std::string::npos) << text;
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    }
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
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

TEST(AppendLogFields, RecordInTwoStepsIsTenLines) {
    TempFolder folder;
    const std::string path = (folder.Path() / "log.dat").string();
    ASSERT_TRUE(AppendLogFields(path, CallRecordFields()));
    ASSERT_TRUE(AppendLogFields(path, {LogField::String("")}));
    ASSERT_TRUE(AppendLogFields(path, CallRecordFields())) << "appends, never truncates";

    const std::string record = "\"TALLYD\"\r\n#2026-12-02#\r\n#10:00:00#\r\n#10:01:30#\r\n90.5\r\n" +
                               FormatLogField(LogField::Number(90.5 / 60 * 0.01)) +
                               "\r\n\"Default\"\r\n\"My ISP\"\r\n0\r\n\"\"\r\n";
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.substr(0, record.size()), record);
    EXPECT_EQ(text.size(), record.size() + record.size() - 4) << "second record still lacks its comment";
}

struct FailureRow {
    const char* Behaviour;
    // The path to write to, or an empty path when the case can't be set up here.
    std::filesystem::path (*Prepare)(const std::filesystem::path& folder);
};

class AppendLogFieldsFails : public testing::TestWithParam<FailureRow> {};

TEST_P(AppendLogFieldsFails, ReturnsFalseAndAddsNothing) {
    TempFolder folder;
    const std::filesystem::path path = GetParam().Prepare(folder.Path());
    if (path.empty()) GTEST_SKIP() << "can't be set up for this user";
    const bool regular = std::filesystem::is_regular_file(path);
    const std::string before = regular ? ReadAll(path) : std::string();

    EXPECT_FALSE(AppendLogFields(path.string(), CallRecordFields()));
    if (regular) {
        EXPECT_EQ(ReadAll(path), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, AppendLogFieldsFails,
    testing::Values(
        FailureRow{"ReadOnlyFile",
                   [](const std::filesystem::path& folder) {
                       if (::geteuid() == 0) return std::filesystem::path(); // root ignores modes
                       std::ofstream(folder / "log.dat") << "\"TALLYD\"\r\n";
                       std::filesystem::permissions(folder / "log.dat", std::filesystem::perms::owner_read);
                       return folder / "log.dat";
                   }},
        FailureRow{"MissingFolder",
                   [](const std::filesystem::path& folder) { return folder / "gone" / "log.dat"; }},
        FailureRow{"DiskFull",
                   [](const std::filesystem::path&) {
                       return std::filesystem::path(std::filesystem::exists("/dev/full") ? "/dev/full" : "");
                   }}),
    [](const testing::TestParamInfo<FailureRow>& row) { return std::string(row.param.Behaviour); });

struct PendingRow {
    const char* Behaviour;
    // Breaks the log in the folder and returns its path, or an empty path when that can't be done here.
    std::filesystem::path (*Break)(const std::filesystem::path& folder);
    void (*Mend)(const std::filesystem::path& folder);
    bool KeptPending; // else the log takes the record at once
};

rlimit g_sizeLimit{};

class LogKeptPending : public testing::TestWithParam<PendingRow> {
protected:
    void TearDown() override { GetParam().Mend(folder.Path()); }
    TempFolder folder;
};

TEST_P(LogKeptPending, UntilTheLogTakesItAgainInOrder) {
    const std::filesystem::path log = GetParam().Break(folder.Path());
    if (log.empty()) GTEST_SKIP() << "can't be set up for this user";
    const std::string pending = (folder.Path() / "state" / "log-pending.dat").string();
    const std::string before = std::filesystem::is_regular_file(log) ? ReadAll(log) : std::string();
    const LogAppend expected = GetParam().KeptPending ? LogAppend::Pending : LogAppend::Logged;

    EXPECT_EQ(AppendLogRecord(log.string(), pending, CallRecordFields()), expected);
    EXPECT_EQ(AppendLogRecord(log.string(), pending, {LogField::String("first")}), expected);
    if (GetParam().KeptPending) {
        EXPECT_EQ(ReadAll(pending).substr(0, 10), "\"TALLYD\"\r\n");
        if (std::filesystem::is_regular_file(log)) {
            EXPECT_EQ(ReadAll(log), before) << "nothing cut short";
        }
    }
    GetParam().Mend(folder.Path());
    EXPECT_EQ(AppendLogRecord(log.string(), pending, {LogField::String("TALLYD")}), LogAppend::Logged);

    const std::string record = "\"TALLYD\"\r\n#2026-12-02#\r\n#10:00:00#\r\n#10:01:30#\r\n90.5\r\n" +
                               FormatLogField(LogField::Number(90.5 / 60 * 0.01)) +
                               "\r\n\"Default\"\r\n\"My ISP\"\r\n0\r\n\"first\"\r\n\"TALLYD\"\r\n";
    EXPECT_EQ(ReadAll(log), before + record);
    EXPECT_FALSE(std::filesystem::exists(pending));
    if (!GetParam().KeptPending) {
        EXPECT_EQ(std::filesystem::status(log.parent_path()).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_all);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, LogKeptPending,
    testing::Values(
        PendingRow{"ReadOnlyFolder",
                   [](const std::filesystem::path& folder) {
                       if (::geteuid() == 0) return std::filesystem::path(); // root ignores modes
                       std::filesystem::create_directory(folder / "log");
                       std::filesystem::permissions(folder / "log", std::filesystem::perms::owner_read |
                                                                        std::filesystem::perms::owner_exec);
                       return folder / "log" / "log.dat";
                   },
                   [](const std::filesystem::path& folder) {
                       std::error_code ignored;
                       std::filesystem::permissions(folder / "log", std::filesystem::perms::owner_all, ignored);
                   },
                   true},
        PendingRow{"LogIsFolder",
                   [](const std::filesystem::path& folder) {
                       std::filesystem::create_directory(folder / "log.dat");
                       return folder / "log.dat";
                   },
                   [](const std::filesystem::path& folder) {
                       std::error_code ignored;
                       std::filesystem::remove(folder / "log.dat", ignored);
                   },
                   true},
        PendingRow{"MissingFolderIsMade",
                   [](const std::filesystem::path& folder) { return folder / "data" / "tallydial" / "log.dat"; },
                   [](const std::filesystem::path&) {}, false},
        PendingRow{"DiskFullMidRecord",
                   [](const std::filesystem::path& folder) {
                       // The log nearly at the size limit: the record's write stops part way.
                       std::ofstream(folder / "log.dat") << std::string(4000, 'x');
                       std::signal(SIGXFSZ, SIG_IGN);
                       ::getrlimit(RLIMIT_FSIZE, &g_sizeLimit);
                       rlimit small = g_sizeLimit;
                       small.rlim_cur = 4096;
                       ::setrlimit(RLIMIT_FSIZE, &small);
                       return folder / "log.dat";
                   },
                   [](const std::filesystem::path&) {
                       if (g_sizeLimit.rlim_max != 0) ::setrlimit(RLIMIT_FSIZE, &g_sizeLimit);
                   },
                   true}),
    [](const testing::TestParamInfo<PendingRow>& row) { return std::string(row.param.Behaviour); });

} // namespace
