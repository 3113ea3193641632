#include "platform/windows/LocalJournalFile.h"
#include "platform/windows/Win32File.h"

#include <gtest/gtest.h>

namespace {
namespace fs = std::filesystem;

TEST(LocalJournalFile, MovesOnWhenItsFolderStopsTakingItAndIsFinishedThereOnce) {
    const fs::path root = fs::temp_directory_path() / ("journal-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(root);
    const std::vector<fs::path> folders{root / "local", root / "roaming", root / "temp"};
    auto journal = JournalInFolders::ClaimWhereWritable<LocalJournalFile>(folders, "Home", 0).File;
    ASSERT_TRUE(journal);
    std::vector<std::string> told;
    journal->OnNotice([&](const std::string& notice) { told.push_back(notice); });
    JournalState state;
    state.Profile = "Home";
    state.Session = "same";
    state.Written = 100;
    ASSERT_TRUE(journal->Write(FormatJournal(state)));
    const fs::path first = journal->File();
    // Writes refused, as by a folder whose permissions changed or a full disk; another program
    // holding the copy open keeps it from going.
    fs::create_directory(first.string() + ".tmp");
    auto held = std::make_unique<Handle>(
        CreateFileW(first.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    state.Written = 110;
    ASSERT_TRUE(journal->Write(FormatJournal(state)));
    EXPECT_EQ(journal->File().parent_path(), folders[1]);
    EXPECT_TRUE(fs::exists(first)) << "a copy held open stays";
    fs::create_directory(journal->File().string() + ".tmp");
    ASSERT_TRUE(journal->Write(FormatJournal(state)));
    EXPECT_EQ(journal->File().parent_path(), folders[2]);
    EXPECT_FALSE(fs::exists(folders[1] / first.filename()));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("keeps it in " + folders[1].string()), std::string::npos) << told[0];
    EXPECT_FALSE(JournalInFolders::ClaimWhereWritable<LocalJournalFile>(folders, "Home", 0).File)
        << "the folder it left still holds the profile";

    // An unexpected end: the next start finishes the later journal and passes over the copy left behind.
    journal.reset();
    held.reset();
    fs::remove(first.string() + ".tmp");
    auto next = JournalInFolders::ClaimWhereWritable<LocalJournalFile>(folders, "Home", 0);
    ASSERT_TRUE(next.File);
    EXPECT_FALSE(next.Notice);
    EXPECT_EQ(next.File->File().parent_path(), folders[2]);
    EXPECT_FALSE(fs::exists(first));
    ASSERT_TRUE(next.File->Remove());
    next.File.reset();
    EXPECT_FALSE(JournalInFolders::ClaimWhereWritable<LocalJournalFile>(folders, "Home", 0).File->Read())
        << "finished once";
    fs::remove_all(root);
}

} // namespace
