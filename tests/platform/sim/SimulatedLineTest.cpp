#include "platform/sim/SimulatedLine.h"
#include "connection/DUNStuff.h"
#include "platform/sim/LineCommand.h"
#include "support/FakeDialUpService.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

struct LineFixture : testing::Test {
    TempFolder folder;
    std::filesystem::path file = folder.Path() / "line";
    SimulatedLine tool{file};    // what tallydial-line sees
    SimulatedLine program{file}; // what the tick reads, with its own cache
    std::string out;
    std::string err;

    int Run(std::vector<std::string> arguments) {
        std::ostringstream o;
        std::ostringstream e;
        const int status = RunLineCommand(arguments, tool, o, e);
        out = o.str();
        err = e.str();
        return status;
    }
    std::string Status() {
        EXPECT_EQ(Run({"status"}), kLineDone);
        return out;
    }
    std::vector<DialUpConnection> List() {
        std::vector<DialUpConnection> connections;
        EXPECT_TRUE(program.EnumConnections(connections));
        return connections;
    }
};

TEST_F(LineFixture, ToolDrivesWhatTheProgramSees) {
    EXPECT_EQ(Reading(program), "") << "no file, no connection";
    EXPECT_EQ(Run({"hangup"}), kLineDone);
    EXPECT_FALSE(std::filesystem::exists(file)) << "a change of nothing creates no file";

    ASSERT_EQ(Run({"dial", "My", "ISP"}), kLineDone) << err;
    const std::uint64_t handle = List()[0].Handle;
    EXPECT_EQ(Reading(program), "My ISP") << "dialling is not established";
    ASSERT_EQ(Run({"connect"}), kLineDone) << err;
    EXPECT_EQ(Reading(program), "My ISP (established)");
    EXPECT_EQ(List()[0].Handle, handle) << "handle stable across changes";

    ASSERT_EQ(Run({"dial", "Work"}), kLineDone);
    ASSERT_EQ(Run({"dial", "Spare"}), kLineDone);
    ASSERT_EQ(Run({"connect", "Spare"}), kLineDone);
    ASSERT_EQ(Run({"connect", "Other"}), kLineDone) << "a name not listed comes up at once";
    EXPECT_EQ(Status(), "My ISP: connected\nWork: dialling\nSpare: connected\nOther: connected\n");

    ASSERT_EQ(Run({"hangup", "My ISP"}), kLineDone);
    EXPECT_EQ(Reading(program), "Work, Spare, Other (established)");
    ASSERT_EQ(Run({"hangup"}), kLineDone);
    EXPECT_EQ(Status(), "idle\n");
    EXPECT_EQ(Reading(program), "");

    // A quick replacement of the same size, which the file system may give the first file's inode.
    ASSERT_EQ(Run({"dial", "A"}), kLineDone);
    ASSERT_EQ(Reading(program), "A");
    const auto before = std::filesystem::last_write_time(file);
    ASSERT_EQ(Run({"hangup"}), kLineDone);
    ASSERT_EQ(Run({"dial", "B"}), kLineDone);
    EXPECT_GT(std::filesystem::last_write_time(file), before) << "readers notice changes by the file's time";
    EXPECT_EQ(Reading(program), "B");
}

struct RefusalRow {
    const char* Name;
    std::vector<std::string> Arguments;
    int Status;
    std::string Message;
};

class LineRefusals : public LineFixture, public testing::WithParamInterface<RefusalRow> {};

TEST_P(LineRefusals, SayWhyAndLeaveTheLineAlone) {
    ASSERT_EQ(Run({"connect", "Live"}), kLineDone);
    const std::string before = ReadText(file);
    EXPECT_EQ(Run(GetParam().Arguments), GetParam().Status);
    EXPECT_NE(err.find(GetParam().Message), std::string::npos) << err;
    EXPECT_EQ(ReadText(file), before);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, LineRefusals,
    testing::Values(
        RefusalRow{"NoCommand", {}, kLineUsage, "usage:"},
        RefusalRow{"UnknownCommand", {"redial"}, kLineUsage, "unknown command \"redial\""},
        RefusalRow{"DialWithoutName", {"dial"}, kLineUsage, "usage:"},
        RefusalRow{"NameWithLineBreak", {"dial", "a\nb"}, kLineUsage, "line break"},
        RefusalRow{"DialWhileConnected", {"dial", "Live"}, kLineRefused, "\"Live\" is already connected"},
        RefusalRow{"ConnectWithNoneDialling", {"connect"}, kLineRefused, "no connection is dialling"},
        RefusalRow{"HangUpUnknown", {"hangup", "Away"}, kLineRefused, "no connection named"},
        RefusalRow{"TrafficWithoutBothCounts", {"traffic", "Live", "5"}, kLineUsage, "usage:"},
        RefusalRow{"TrafficBelowZero", {"traffic", "Live", "-1", "0"}, kLineUsage, "whole numbers"},
        RefusalRow{"TrafficBeyond64Bits",
                   {"traffic", "Live", "1", "18446744073709551616"},
                   kLineUsage,
                   "whole numbers"},
        RefusalRow{"TrafficOfUnknown", {"traffic", "Away", "1", "2"}, kLineRefused, "no connection named"}),
    RowName());

TEST_F(LineFixture, CountersAreReadBackAsSetAndStartAtZeroWithEachDial) {
    ASSERT_EQ(Run({"connect", "My", "ISP"}), kLineDone);
    const std::uint64_t handle = List()[0].Handle;
    EXPECT_EQ(TrafficReading(program, handle), "0 in, 0 out");
    ASSERT_EQ(Run({"traffic", "My", "ISP", "150000000", "2000000"}), kLineDone) << err;
    EXPECT_EQ(TrafficReading(program, handle), "150000000 in, 2000000 out");
    EXPECT_EQ(Status(), "My ISP: connected, 150000000 received, 2000000 sent\n");
    ASSERT_EQ(Run({"traffic", "My", "ISP", "18446744073709551615", "7"}), kLineDone) << "any 64-bit count";
    EXPECT_EQ(TrafficReading(program, handle), "18446744073709551615 in, 7 out");
    ASSERT_EQ(Run({"traffic", "My", "ISP", "3", "0"}), kLineDone) << "lower, as after a reset";
    EXPECT_EQ(TrafficReading(program, handle), "3 in, 0 out");
    ASSERT_EQ(List()[0].Handle, handle);
    ASSERT_EQ(Run({"traffic", "My", "ISP", "4", "0"}), kLineDone);
    EXPECT_EQ(TrafficReading(program, handle), "3 in, 0 out") << "as the file was when it listed the handle";
    EXPECT_EQ(TrafficReading(program, handle), "4 in, 0 out");

    ASSERT_EQ(Run({"hangup"}), kLineDone);
    EXPECT_EQ(TrafficReading(program, handle), "unreadable") << "no longer listed";
    ASSERT_EQ(Run({"dial", "My", "ISP"}), kLineDone);
    EXPECT_EQ(TrafficReading(program, List()[0].Handle), "0 in, 0 out") << "a new dial counts from zero";
}

TEST_F(LineFixture, ProgramHangUpRemovesFromFileDiallingIncluded) {
    ASSERT_EQ(Run({"connect", "Home"}), kLineDone);
    ASSERT_EQ(Run({"dial", "Work"}), kLineDone);
    const std::uint64_t home = List()[0].Handle;
    HangUpAll(program);
    EXPECT_EQ(Status(), "idle\n");
    EXPECT_FALSE(program.HangUp(home)) << "already gone";

    ASSERT_EQ(Run({"dial", "Home"}), kLineDone);
    EXPECT_GT(List()[0].Handle, home) << "a stale handle can't reach a newer connection";

    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, (std::vector<std::string>{"line"})) << "no temporary file left behind";
}

TEST_F(LineFixture, GarbageLinesAreIgnored) {
    std::ofstream(file, std::ios::binary) << "next 2\n"
                                             "hello there\n"
                                             "traffic 3 10 20\n"
                                             "3 connected Home\r\n"
                                             "traffic 6 1 2 3\n"
                                             "traffic 6 -1 2\n"
                                             "traffic 99 1 2\n"
                                             "3 dialling Duplicate handle\n"
                                             "0 dialling Zero handle\n"
                                             "4 ringing Unknown state\n"
                                             "5 dialling \n"
                                             "6 dialling  Two spaces\n"
                                             "\xff\x01 binary\n"
                                             "8 connec"; // cut short
    EXPECT_EQ(Reading(program), "Home,  Two spaces (established)");
    EXPECT_EQ(List()[0].Handle, 3u);
    EXPECT_EQ(TrafficReading(program, 3), "10 in, 20 out") << "a traffic line may come before its connection";
    EXPECT_EQ(TrafficReading(program, 6), "0 in, 0 out") << "a line without counters has counted nothing";

    ASSERT_EQ(Run({"dial", "New"}), kLineDone);
    EXPECT_EQ(List().back().Handle, 7u) << "next handle above every listed one";
}

TEST_F(LineFixture, UsersOwnLinkToTheFolderIsFollowed) {
    std::filesystem::create_directory_symlink(folder.Path(), folder.Path() / "linked");
    SimulatedLine linked{folder.Path() / "linked" / "line"};
    ASSERT_EQ(Run({"dial", "Home"}), kLineDone);
    EXPECT_EQ(Reading(linked), "Home");
}

// A line file that can't be read fails instead of idling; so does one in a folder of another user, whose
// connections don't count.
TEST_F(LineFixture, UnreadableFileOrAFolderOfAnotherUserFails) {
    std::filesystem::create_directory(file);
    EXPECT_EQ(Reading(program), "unreadable");
    EXPECT_EQ(Run({"status"}), kLineFileFailed);
    EXPECT_EQ(Run({"dial", "A"}), kLineFileFailed);
    if (::geteuid() != 0) GTEST_SKIP() << "only the administrator can give a folder to another user";
    std::filesystem::remove(file);
    ASSERT_EQ(Run({"connect", "Fake"}), kLineDone);
    ASSERT_EQ(::chown(folder.Path().c_str(), 65534, 65534), 0);
    SimulatedLine fresh{file};
    EXPECT_EQ(Reading(fresh), "unreadable");
    EXPECT_EQ(Run({"dial", "A"}), kLineFileFailed);
    EXPECT_NE(err.find("belongs to another user"), std::string::npos) << err;
}

} // namespace
