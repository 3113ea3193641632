#include "engine/CallLog.h"
#include "settings/DateSerial.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
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

} // namespace
