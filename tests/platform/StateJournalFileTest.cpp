#include "platform/linux/StateJournalFile.h"
#include "platform/JournalFileName.h"
#include "platform/posix/PrivateFolder.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

TEST(StateJournalFile, EveryProfileNameMakesOneSafeFileName) {
    EXPECT_EQ(JournalFileStem("../x/y"), "%2e%2e%2fx%2fy");
    EXPECT_EQ(JournalFileStem(""), "%");
    // A long name keeps its first 80 characters and a hash of the whole.
    const std::string longer(170, 'a');
    EXPECT_EQ(JournalFileStem(longer + "\xC3\xA9").size(), 97u);
    EXPECT_NE(JournalFileStem(longer + "b"), JournalFileStem(longer + "c"));
}

TEST(PrivateFolder, AnotherUsersFolderOrAFileIsRefused) {
    TempFolder temp;
    const auto file = temp.Path() / "file";
    std::filesystem::create_directories(temp.Path());
    { std::ofstream(file) << "x"; }
    EXPECT_NE(PrivateFolderProblem(file).value_or("").find("is not a folder"), std::string::npos);
    if (::geteuid() != 0) GTEST_SKIP() << "only the administrator can give a folder to another user";
    const auto foreign = temp.Path() / "foreign";
    std::filesystem::create_directory(foreign);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_NE(PrivateFolderProblem(foreign).value_or("").find("belongs to another user"), std::string::npos);
}

} // namespace
