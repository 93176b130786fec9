#include "platform/folder_watch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace balcora::platform {
namespace {

namespace fs = std::filesystem;

// A waiter for another program's answer wakes at the file's arrival, written
// in place or renamed in, and each arrival wakes it once.
TEST(FolderWatch, WakesOnAFileWrittenOrRenamedInAndNotAgainAfterwards) {
    const fs::path dir = fs::temp_directory_path() / ("balcora-watch-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "outra");
    FolderWatch watch;
    ASSERT_TRUE(watch.watch(dir));
    EXPECT_FALSE(watch.wait(0));

    std::ofstream(dir / "IntPos.Sts") << "000-000 = ATV\n";
    EXPECT_TRUE(watch.wait(60000));
    EXPECT_FALSE(watch.wait(0)) << "the events of one file were not all consumed";

    std::ofstream(dir / "outra" / "IntPos.001") << "999-999 = 0\n";
    EXPECT_FALSE(watch.wait(0)) << "a file of another folder woke the waiter";
    ASSERT_EQ(std::rename((dir / "outra" / "IntPos.001").c_str(), (dir / "IntPos.001").c_str()), 0);
    EXPECT_TRUE(watch.wait(60000));

    FolderWatch missing;
    EXPECT_FALSE(missing.watch(dir / "ausente"));
    EXPECT_FALSE(missing.active());
    EXPECT_FALSE(missing.wait(1));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace balcora::platform
