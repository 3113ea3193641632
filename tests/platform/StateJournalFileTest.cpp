#include "platform/linux/StateJournalFile.h"
#include "platform/JournalFileName.h"
#include "support/TestSupport.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;

mode_t Mode(const std::filesystem::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(StateJournalFile, PrivateFileInAPrivateFolderHeldByOneCopy) {
    TempFolder temp;
    const auto folder = temp.Path() / "state" / "tallydial";
    ASSERT_TRUE(StateJournalFile::Claim(folder, "Home", 0)) << "the folder is made on the first claim";
    EXPECT_EQ(Mode(folder), 0700u);
    ::chmod(folder.c_str(), 0775);
    auto journal = StateJournalFile::Claim(folder, "Home", 0);
    ASSERT_TRUE(journal);
    EXPECT_EQ(Mode(folder), 0700u) << "a folder open to others is made private";
    EXPECT_FALSE(journal->Read()) << "no journal yet";
    ASSERT_TRUE(journal->Write("text\n"));
    EXPECT_EQ(journal->Read(), "text\n");
    EXPECT_EQ(Mode(journal->File()), 0600u);
    std::filesystem::create_directory(journal->File().string() + ".tmp");
    EXPECT_FALSE(journal->Write("lost\n")) << "its temporary file can't be made";
    EXPECT_EQ(journal->Read(), "text\n") << "a failed write keeps the journal that was there";

    EXPECT_FALSE(StateJournalFile::Claim(folder, "HOME", 0)) << "the profile is taken while this copy runs";
    EXPECT_TRUE(StateJournalFile::Claim(folder, "Work", 0));
    journal->Remove();
    journal.reset();
    auto next = StateJournalFile::Claim(folder, "home", 0);
    ASSERT_TRUE(next) << "a copy that has ended holds nothing";
    EXPECT_FALSE(next->Read());
}

// Where the journal goes when its folder can't take it: the first of the folders that can, or the
// one where a run before left its journal, so that a crash loses no more than with the first.
using Folders = std::vector<fs::path>; // the state, cache and runtime folders
struct StandInRow {
    const char* Name;
    int Files;                                // how many of the folders, first first, are files
    std::function<void(const Folders&)> Left; // journals a run before left
    int Used;                                 // which folder holds the claimed journal; -1 for none
    const char* Notice;                       // part of what the user hears; nullptr for nothing
    int Held = -1; // the folder whose journal a running copy holds meanwhile; -1 for none
};
class StandInFolder : public testing::TestWithParam<StandInRow> {};

void Leave(const fs::path& folder, const std::string& text) {
    StateJournalFile::Claim(folder, "Home", 0)->Write(text);
}
void LeaveSession(const fs::path& folder, double written) {
    JournalState state;
    state.Profile = "Home";
    state.Session = "same";
    state.Written = written;
    Leave(folder, FormatJournal(state));
}
void LeftInTheCache(const Folders& folders) {
    Leave(folders[1], "left\n");
}

TEST_P(StandInFolder, JournalGoesWhereItCanBeWrittenAndFound) {
    TempFolder temp;
    const Folders folders = {temp.Path() / "state", temp.Path() / "cache", temp.Path() / "runtime"};
    for (int i = 0; i < GetParam().Files; ++i)
        std::ofstream(folders[static_cast<std::size_t>(i)]) << "x";
    if (GetParam().Left) GetParam().Left(folders);
    const auto held =
        GetParam().Held < 0 ? nullptr : StateJournalFile::Claim(folders[GetParam().Held], "Home", 0);
    StateJournalFile::Claimed claimed =
        JournalInFolders::ClaimWhereWritable<StateJournalFile>(folders, "Home", 0);
    if (GetParam().Notice)
        EXPECT_NE(claimed.Notice.value_or("").find(GetParam().Notice), std::string::npos) << *claimed.Notice;
    else
        EXPECT_FALSE(claimed.Notice) << *claimed.Notice;
    ASSERT_EQ(bool(claimed.File), GetParam().Used >= 0);
    if (claimed.File) {
        EXPECT_EQ(claimed.File->File().parent_path(), folders[static_cast<std::size_t>(GetParam().Used)]);
    }
}

const StandInRow standInRows[] = {
    {"state folder usable", 0, nullptr, 0, nullptr},
    {"state folder a file", 1, nullptr, 1,
     "is not a folder; Tallydial doesn't use it. Tallydial keeps its session journal in "},
    {"state and cache folders files", 2, nullptr, 2, "state is not a folder"},
    {"no folder usable", 3, nullptr, -1, "can't keep a session journal anywhere"},
    {"state folder usable again, a journal left in the cache", 0, LeftInTheCache, 1, nullptr},
    {"a journal in both", 0,
     [](const Folders& folders) {
         Leave(folders[0], "own\n");
         LeftInTheCache(folders);
     },
     0, nullptr},
    {"the state's copy of a session that moved on into the cache", 0,
     [](const Folders& folders) {
         LeaveSession(folders[0], 100);
         LeaveSession(folders[1], 110);
     },
     1, nullptr},
    {"the one in the cache held by a running copy", 0, LeftInTheCache, 0, nullptr, 1},
    {"the profile held by a running copy", 0, nullptr, -1, nullptr, 0},
};
INSTANTIATE_TEST_SUITE_P(Folders, StandInFolder, testing::ValuesIn(standInRows), RowName());

TEST(StateJournalFile, MovesDownWhenItsFolderStopsTakingItAndSaysSoOnce) {
    TempFolder temp;
    const Folders folders = {temp.Path() / "state", temp.Path() / "cache", temp.Path() / "runtime"};
    auto journal = JournalInFolders::ClaimWhereWritable<StateJournalFile>(folders, "Home", 0).File;
    ASSERT_TRUE(journal);
    std::vector<std::string> told;
    journal->OnNotice([&](const std::string& notice) { told.push_back(notice); });
    ASSERT_TRUE(journal->Write("one\n"));
    const fs::path first = journal->File();
    // A write refused, as by a folder gone read-only or a full disk.
    fs::create_directory(first.string() + ".tmp");
    ASSERT_TRUE(journal->Write("two\n"));
    EXPECT_EQ(journal->File().parent_path(), folders[1]);
    EXPECT_EQ(journal->Read(), "two\n");
    EXPECT_FALSE(fs::exists(first)) << "a copy left behind would be counted at the next start";
    fs::create_directory(journal->File().string() + ".tmp");
    ASSERT_TRUE(journal->Write("three\n"));
    EXPECT_EQ(journal->File().parent_path(), folders[2]);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("keeps it in " + folders[1].string()), std::string::npos) << told[0];
    fs::create_directory(journal->File().string() + ".tmp");
    EXPECT_FALSE(journal->Write("four\n")) << "no folder is left";
    EXPECT_EQ(journal->Read(), "three\n");
}

TEST(StateJournalFile, EveryProfileNameMakesOneSafeFileName) {
    EXPECT_EQ(JournalFileStem("../x/y"), "%2e%2e%2fx%2fy");
    EXPECT_EQ(JournalFileStem(""), "%");
    // A long name keeps its first 80 characters and a hash of the whole.
    const std::string longer(170, 'a');
    EXPECT_EQ(JournalFileStem(longer + "\xC3\xA9").size(), 97u);
    EXPECT_NE(JournalFileStem(longer + "b"), JournalFileStem(longer + "c"));
}

} // namespace
