#include "credentials/role_password.h"
#include "support/temp_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

unsigned mode_of(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777;
}

std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The password replaces the one before it whole, in libpq's own format for the
// loopback names alone, readable by this account only.
TEST(RolePassword, ReplacedWholeInAFileOnlyThisAccountReads) {
    TempRoot tmp;
    std::string error;
    EXPECT_EQ(db::read_role_password(tmp.root()), "");
    ASSERT_TRUE(db::write_role_password(tmp.root(), "0123abcd", &error)) << error;
    ASSERT_TRUE(db::write_role_password(tmp.root(), "4567ef89", &error)) << error;
    EXPECT_EQ(db::read_role_password(tmp.root()), "4567ef89");

    const fs::path file = db::role_password_file(tmp.root());
    const std::string text = contents(file);
    EXPECT_NE(text.find("\nlocalhost:*:*:balcora:4567ef89\n127.0.0.1:*:*:balcora:4567ef89\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("0123abcd"), std::string::npos);
    EXPECT_EQ(mode_of(file), 0600u);
    EXPECT_EQ(mode_of(file.parent_path()), 0700u);
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
}

// A link planted where the private folder goes would send the password to a
// folder someone else reads: refused, with the reason, and nothing written there.
TEST(RolePassword, RefusesALinkInPlaceOfItsFolder) {
    TempRoot tmp;
    const fs::path elsewhere = tmp.path() / "aberta";
    fs::create_directories(elsewhere);
    fs::create_directory_symlink(elsewhere, db::role_password_file(tmp.root()).parent_path());
    std::string error;
    EXPECT_FALSE(db::write_role_password(tmp.root(), "0123abcd", &error));
    EXPECT_NE(error.find("não é uma pasta deste usuário"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

}  // namespace
}  // namespace balcora::test
