#include "platform/linux/SingleInstance.h"
#include "platform/linux/InstallLayout.h"
#include "platform/linux/LogFolder.h"
#include "platform/linux/XdgPaths.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace {

TEST(SingleInstance, RunningCopyIsSeenUntilItEnds) {
    TempFolder folder;
    const auto marker = folder.Path() / "instance.lock";
    SingleInstance starting(marker);
    EXPECT_FALSE(starting.OtherInstanceRunning());
    EXPECT_FALSE(starting.OtherInstanceRunning()) << "the test itself leaves nothing behind";
    std::ofstream(folder.Path() / "file") << "";
    EXPECT_FALSE(SingleInstance(folder.Path() / "file" / "instance.lock").OtherInstanceRunning())
        << "a mark that can't be made refuses no start";

    auto running = std::make_unique<SingleInstance>(marker);
    running->Register();
    EXPECT_TRUE(starting.OtherInstanceRunning());

    // A restarted copy registers beside the one that is still closing.
    SingleInstance restarted(marker);
    restarted.Register();
    running.reset();
    EXPECT_TRUE(starting.OtherInstanceRunning());
}

TEST(LogFolder, ProgramFolderWhenWritableElseTheDataFolder) {
    TempFolder folder;
    EXPECT_EQ(LogFolder(folder.Path()), folder.Path());
    const auto missing = folder.Path() / "not-there";
    EXPECT_EQ(LogFolder(missing), XdgPaths::DataFolder());
    EXPECT_TRUE(std::filesystem::is_directory(XdgPaths::DataFolder()));

    // Installed: never beside the program, even where it could write.
    std::filesystem::create_directories(folder.Path() / "usr/bin");
    std::filesystem::create_directories(folder.Path() / "usr/share/tallydial");
    EXPECT_EQ(LogFolder(folder.Path() / "usr/bin"), XdgPaths::DataFolder());
}

TEST(InstallLayout, CompanionBesideTheProgramFirstThenInLibexec) {
    TempFolder folder;
    const auto bin = folder.Path() / "bin";
    const auto libexec = folder.Path() / "libexec/tallydial";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(libexec);
    const auto place = [](const std::filesystem::path& file, std::filesystem::perms perms) {
        std::ofstream(file) << "#!/bin/sh\n";
        std::filesystem::permissions(file, perms);
    };
    EXPECT_EQ(InstallLayout::CompanionProgram(bin, "logviewer"), std::filesystem::path());
    place(libexec / "logviewer", std::filesystem::perms::owner_all);
    EXPECT_EQ(InstallLayout::CompanionProgram(bin, "logviewer"), libexec / "logviewer");
    place(bin / "logviewer", std::filesystem::perms::owner_read);
    EXPECT_EQ(InstallLayout::CompanionProgram(bin, "logviewer"), libexec / "logviewer") << "not executable";
    place(bin / "logviewer", std::filesystem::perms::owner_all);
    EXPECT_EQ(InstallLayout::CompanionProgram(bin, "logviewer"), bin / "logviewer");

    // The viewer beside the program in a build tree finds the program's folder, and so its log, there.
    place(libexec / "tallydial", std::filesystem::perms::owner_all);
    EXPECT_EQ(InstallLayout::ProgramFolderOf(libexec), libexec);
}

} // namespace
