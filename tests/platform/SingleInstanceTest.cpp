#include "platform/linux/SingleInstance.h"
#include "platform/linux/LogFolder.h"
#include "platform/linux/XdgPaths.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(SingleInstance, RunningCopyIsSeenUntilItEnds) {
    TempFolder folder;
    const auto marker = folder.Path() / "instance.lock";
    SingleInstance starting(marker);
    EXPECT_FALSE(starting.OtherInstanceRunning());
    EXPECT_FALSE(starting.OtherInstanceRunning()) << "the test itself leaves nothing behind";

    auto running = std::make_unique<SingleInstance>(marker);
    running->Register();
    EXPECT_TRUE(starting.OtherInstanceRunning());

    // A restarted copy registers beside the one that is still closing.
    SingleInstance restarted(marker);
    restarted.Register();
    running.reset();
    EXPECT_TRUE(starting.OtherInstanceRunning());
}

TEST(SingleInstance, LivesInTheRuntimeFolder) {
    EXPECT_EQ(SingleInstance::DefaultFile(), XdgPaths::RuntimeFolder() / "instance.lock");
}

TEST(LogFolder, ProgramFolderWhenWritableElseTheDataFolder) {
    TempFolder folder;
    EXPECT_EQ(LogFolder(folder.Path()), folder.Path());
    const auto missing = folder.Path() / "not-there";
    EXPECT_EQ(LogFolder(missing), XdgPaths::DataFolder());
    EXPECT_TRUE(std::filesystem::is_directory(XdgPaths::DataFolder()));
}

} // namespace
