#include "platform/data_root.h"

#include <gtest/gtest.h>

namespace balcora::test {

TEST(DataRoot, MapsTheWindowsDriveAndRelativeNamesUnderTheRoot) {
    platform::DataRoot root("/srv/loja");
    EXPECT_EQ(root.map("c:\\sistemas\\balcora\\pafecf"), "/srv/loja/sistemas/balcora/pafecf");
    EXPECT_EQ(root.map("C:\\tef_dial\\req\\"), "/srv/loja/tef_dial/req");
    EXPECT_EQ(root.map("c:/sistemas/email.txt"), "/srv/loja/sistemas/email.txt");
    // Relative names resolve from the program folder, as from the working directory.
    EXPECT_EQ(root.map("balcora1.sql"), "/srv/loja/sistemas/balcora/pgms/balcora1.sql");
    EXPECT_EQ(root.map("..\\backup"), "/srv/loja/sistemas/balcora/backup");
    EXPECT_EQ(root.map("..\\figuras\\"), "/srv/loja/sistemas/balcora/figuras");
    // Folder names keep their spelling and case.
    EXPECT_EQ(root.map("c:\\Sistemas\\Rel"), "/srv/loja/Sistemas/Rel");
}

TEST(DataRoot, BareIniNamesLiveInTheIniFolder) {
    platform::DataRoot root("/srv/loja");
    EXPECT_EQ(root.ini_file("balcora.ini"), "/srv/loja/windows/balcora.ini");
    EXPECT_EQ(root.ini_file("c:\\sistemas\\balcora\\pgms\\balcora.cfg"),
              "/srv/loja/sistemas/balcora/pgms/balcora.cfg");
    EXPECT_EQ(root.program_dir(), "/srv/loja/sistemas/balcora/pgms");
}

}  // namespace balcora::test
