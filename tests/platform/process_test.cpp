#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace balcora::platform {
namespace {

namespace fs = std::filesystem;

TEST(RunProgram, CapturesOutputOfBothStreamsAndTheExitCode) {
    auto r = run_program({"sh", "-c", "echo saida; echo erro >&2; exit 3"});
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.output, "saida\nerro\n");
}

TEST(RunProgram, WordsReachTheProgramExactlyWithoutAShellInBetween) {
    auto r = run_program({"printf", "%s|", "a b", "it's", "$HOME", "`id`", "*"});
    ASSERT_TRUE(r.ok()) << r.output;
    EXPECT_EQ(r.output, "a b|it's|$HOME|`id`|*|");
}

TEST(RunProgram, AMissingProgramDidNotStartAndSaysWhy) {
    auto r = run_program({"/nonexistent/balcora-no-such-program"});
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.exit_code, -1);
    EXPECT_NE(r.output.find("balcora-no-such-program"), std::string::npos) << r.output;
}

TEST(RunProgram, EnvironmentAndFolderCanBeGivenAndStdinIsEmpty) {
    ProcessOptions o;
    o.env.emplace_back("BALCORA_PROBE", "valor com espaço");
    o.working_dir = "/";
    auto r = run_program({"sh", "-c", "printf '%s|' \"$BALCORA_PROBE\" \"$(pwd)\"; cat"}, o);
    ASSERT_TRUE(r.ok()) << r.output;
    EXPECT_EQ(r.output, "valor com espaço|/|");
}

TEST(RunProgram, RootRunsProgramsAsAnotherUser) {
    if (geteuid() != 0) GTEST_SKIP() << "switching users needs root";
    ProcessOptions o;
    o.user = "postgres";
    auto r = run_program({"sh", "-c", "id -un; echo $HOME; pwd"}, o);
    ASSERT_TRUE(r.ok()) << r.output;
    EXPECT_EQ(r.output.substr(0, r.output.find('\n')), "postgres");
    // Root's working folder may be closed to that user.
    EXPECT_NE(r.output.find("\n/\n"), std::string::npos) << r.output;
    o.user = "balcora-no-such-user";
    EXPECT_FALSE(run_program({"true"}, o).started);
}

TEST(UserCanAccess, IsJudgedAsThatUser) {
    if (geteuid() != 0) {
        EXPECT_TRUE(user_can_access("", "/tmp", X_OK));
        GTEST_SKIP() << "asking about another user needs root";
    }
    char tmpl[] = "/tmp/balcora-access-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    chmod(dir.c_str(), 0700);
    EXPECT_FALSE(user_can_access("postgres", dir, X_OK));
    EXPECT_TRUE(user_can_access("", dir, X_OK));
    chmod(dir.c_str(), 0711);
    EXPECT_TRUE(user_can_access("postgres", dir, X_OK));
    EXPECT_FALSE(user_can_access("postgres", dir, W_OK));
    fs::remove_all(dir);
}

TEST(TailLines, KeepsTheLastLinesWithoutTheFinalNewline) {
    EXPECT_EQ(tail_lines("a\nb\nc\n", 2), "b\nc");
    EXPECT_EQ(tail_lines("a\nb\nc", 5), "a\nb\nc");
    EXPECT_EQ(tail_lines("", 3), "");
    EXPECT_EQ(tail_lines("only", 1), "only");
}

}  // namespace
}  // namespace balcora::platform
