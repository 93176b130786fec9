#include "printer_fixture.h"

#include "ui/environment.h"

namespace balcora::test {

// Two days: 07/12 with a coupon of 10,00 (CRZ 1), 08/12 with one of 25,00 (CRZ 2).
class Files : public PrinterTest {
  protected:
    void SetUp() override {
        PrinterTest::SetUp();
        ASSERT_TRUE(open_day());
        ASSERT_TRUE(coupon_of(1000));
        set_time(7, 19);
        ASSERT_TRUE(cmd(CMD_Z_REDUCTION));
        set_time(8, 9);
        ASSERT_TRUE(open_day());
        ASSERT_TRUE(coupon_of(2500, "FF"));
        set_time(8, 19);
        ASSERT_TRUE(cmd(CMD_Z_REDUCTION));
        set_time(9, 9);
    }
    std::string pafecf(const std::string& name) { return "c:\\sistemas\\balcora\\pafecf\\" + name; }
    std::filesystem::path mapped(const std::string& name) { return data_root().map(pafecf(name)); }
};

TEST_F(Files, MemoryReadingsCompleteOrSimplifiedByDateOrReduction) {
    ASSERT_TRUE(
        cmd(CMD_LMF_FILE_BY_DATE, padded_path(pafecf("lmfc.txt")) + "07/12/202608/12/2026C"));
    const std::string complete = read_file(mapped("lmfc.txt"));
    EXPECT_NE(complete.find("LEITURA DA MEMÓRIA FISCAL\r\n"), std::string::npos);
    EXPECT_NE(complete.find("CRZ: 0001  COO: 000004"), std::string::npos);
    EXPECT_NE(complete.find("CRZ: 0002  COO: 000008"), std::string::npos);
    EXPECT_EQ(value_on(complete, "F1"), "25,00\r");
    EXPECT_EQ(value_on(complete, "VENDA BRUTA"), "35,00\r");  // the period's total, last

    ASSERT_TRUE(cmd(CMD_LMF_FILE_BY_CRZ, padded_path(pafecf("lmfs.txt")) + "00020002S"));
    const std::string simplified = read_file(mapped("lmfs.txt"));
    EXPECT_EQ(simplified.find("CRZ: 0001"), std::string::npos);
    EXPECT_NE(simplified.find(" 1 (CRZ 0002 A 0002)\r\n"), std::string::npos);
    EXPECT_EQ(value_on(simplified, "VENDA BRUTA"), "25,00\r");

    const int coo = counters();
    ASSERT_TRUE(cmd(CMD_LMF_PRINT_BY_CRZ, "00010002C"));
    EXPECT_EQ(counters(), coo + 1);
    EXPECT_NE(tape().find("LEITURA DA MEMÓRIA FISCAL"), std::string::npos);

    EXPECT_FALSE(cmd(CMD_LMF_PRINT_BY_DATE, "01/11/202630/11/2026C"));
    EXPECT_NE(last_message().find("Não há Reduções Z"), std::string::npos);
    EXPECT_FALSE(cmd(CMD_LMF_PRINT_BY_CRZ, "00020001C"));
    EXPECT_FALSE(cmd(CMD_LMF_PRINT_BY_CRZ, "00010002X"));
    EXPECT_FALSE(cmd(CMD_LMF_FILE_BY_DATE, "short"));
    EXPECT_EQ(counters(), coo + 1);
}

TEST_F(Files, DownloadsCarryTheMemoriesRecordByRecord) {
    ASSERT_TRUE(cmd(CMD_DOWNLOAD_MF, padded_path(pafecf("temp.mf"))));
    const std::string mf = read_file(mapped("temp.mf"));
    EXPECT_EQ(mf.rfind("BALCORA-ECF-VIRTUAL-MF|1|BV0001|", 0), 0u);
    EXPECT_EQ(count_of(mf, "\r\nZ|"), 2);
    EXPECT_NE(mf.find("\r\nZ|2|8|1|2026-12-08|2026-12-08 19:00:00|3500|2500|5|8|"),
              std::string::npos);
    EXPECT_NE(mf.find("\r\nFIM|2\r\n"), std::string::npos);

    ASSERT_TRUE(cmd(CMD_DOWNLOAD_MFD, padded_path(pafecf("temp.mfd")) + "01/01/199031/12/2050"));
    const std::string mfd = read_file(mapped("temp.mfd"));
    EXPECT_EQ(count_of(mfd, "\r\nD|"), 8);  // every document of both days
    EXPECT_NE(mfd.find("\r\nD|3|CF|2026-12-07|10:00:00|1|0|0|0|1000|N|"), std::string::npos);
    EXPECT_NE(mfd.find("\r\nFIM|8\r\n"), std::string::npos);
}

TEST_F(Files, TheMirrorIsThePrintedTapeOfTheRange) {
    ASSERT_TRUE(cmd(CMD_MFD_MIRROR_BY_COO, padded_path(pafecf("espelhomfd.txt")) + "000007000007"));
    const std::string mirror = read_file(mapped("espelhomfd.txt"));
    EXPECT_NE(mirror.find("CCF:000002 COO:000007"), std::string::npos);
    EXPECT_EQ(mirror.find("COO:000003"), std::string::npos);
    ASSERT_TRUE(cmd(CMD_MFD_MIRROR_BY_DATE,
                    padded_path(pafecf("espelhomfd.txt")) + "07/12/202607/12/2026"));
    const std::string day = read_file(mapped("espelhomfd.txt"));
    EXPECT_NE(day.find("REDUÇÃO Z"), std::string::npos);
    EXPECT_EQ(day.find("08/12/2026 09:00:00"), std::string::npos);
    EXPECT_FALSE(
        cmd(CMD_MFD_MIRROR_BY_COO, padded_path(pafecf("espelhomfd.txt")) + "000900000999"));
}

TEST_F(Files, AtoCotepeFileGoesIntoTheFolderInItsKind) {
    const auto folder = mapped("");
    ASSERT_TRUE(cmd(CMD_COTEPE_FILE_BY_DATE,
                    padded_path("c:\\sistemas\\balcora\\pafecf") + "07/12/202607/12/2026",
                    std::string("3")));
    ASSERT_TRUE(cmd(CMD_COTEPE_FILE_BY_COO,
                    padded_path("c:\\sistemas\\balcora\\pafecf") + "00020002", std::string("1")));
    std::string rz, mfd;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("AC1704_RZ_BV0001_20261209_", 0) == 0) rz = read_file(entry.path());
        if (name.rfind("AC1704_MFD_BV0001_20261209_", 0) == 0) mfd = read_file(entry.path());
    }
    EXPECT_EQ(rz.rfind("E00|AC1704|3|RZ|BV0001|", 0), 0u);
    EXPECT_NE(rz.find("\r\nE12|1|4|1|2026-12-07|2026-12-07 19:00:00|1000|1000|1|4\r\n"),
              std::string::npos);
    EXPECT_NE(rz.find("\r\nE13|1|01T1800|1000\r\n"), std::string::npos);
    EXPECT_EQ(rz.find("E14|"), std::string::npos);
    EXPECT_NE(rz.find("E01|11.222.333/0001-81|110042490114|MERCADINHO BALCORA LTDA|"),
              std::string::npos);
    // By reductions: the second day's documents, COO 5 (its supply) to 8.
    EXPECT_NE(mfd.find("\r\nE14|7|CF|2|"), std::string::npos);
    EXPECT_EQ(mfd.find("\r\nE14|4|"), std::string::npos);
    EXPECT_NE(mfd.find("\r\nE15|8|" + std::string(19, ' ') + "REDUCAO Z\r\n"),
              std::string::npos);  // accents removed
    EXPECT_NE(mfd.find("\r\nE99|"), std::string::npos);
}

}  // namespace balcora::test
