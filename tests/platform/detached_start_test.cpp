#include "platform/detached_start.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace balcora::platform {
namespace {

namespace fs = std::filesystem;

TEST(StartDetached, AMissingProgramSaysWhyAndAPresentOneRunsOnItsOwn) {
    std::string error = start_detached({"/nonexistent/balcora-sem-programa"});
    EXPECT_NE(error.find("balcora-sem-programa"), std::string::npos) << error;

    fs::path dir = fs::temp_directory_path() / ("balcora-detached-" + std::to_string(getpid()));
    fs::create_directories(dir);
    // The program outlives the call: it writes its mark after we returned.
    EXPECT_EQ(start_detached({"sh", "-c", "sleep 0.2; pwd > marca"}, dir), "");
    EXPECT_FALSE(fs::exists(dir / "marca"));
    for (int i = 0; i < 100 && !fs::exists(dir / "marca"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string where;
    std::getline(std::ifstream(dir / "marca"), where);
    EXPECT_EQ(fs::path(where), fs::canonical(dir));
    fs::remove_all(dir);

    EXPECT_NE(start_detached({}), "");
}

TEST(SplitCommandLine, BlanksSeparateAndQuotesKeepBlanksInsideOneWord) {
    EXPECT_EQ(split_command_line("  systemctl   poweroff "),
              (std::vector<std::string>{"systemctl", "poweroff"}));
    EXPECT_EQ(split_command_line("\"/opt/nota fiscal/nfe\" -u \"\" x"),
              (std::vector<std::string>{"/opt/nota fiscal/nfe", "-u", "", "x"}));
    EXPECT_TRUE(split_command_line("   ").empty());
}

}  // namespace
}  // namespace balcora::platform
