#include "printer_fixture.h"

#include "memory.h"

#include <sys/wait.h>
#include <unistd.h>

namespace balcora::test {

class Memory : public PrinterTest {
  protected:
    std::filesystem::path file(const char* name) { return vecf::printer_folder() / name; }
    void write(const std::filesystem::path& p, const std::string& data) {
        std::ofstream(p, std::ios::binary | std::ios::trunc) << data;
    }
};

TEST_F(Memory, AnOpenCouponSurvivesARestart) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(open_coupon());
    ASSERT_TRUE(sell(item_record("1", "A", 2000, 1000, 200, "NN", "UN")));
    vecf::reload();  // as a new process would find it
    ASSERT_TRUE(cmd(CMD_READ_COUPON_STATE));
    EXPECT_EQ(glo::cf_aberto, 1);
    ASSERT_TRUE(sell(item_record("2", "B", 3000, 1000, 300, "NN", "UN")));
    ASSERT_TRUE(cmd(CMD_START_CLOSING, closing(0, false)));
    vecf::reload();
    ASSERT_TRUE(cmd(CMD_PAYMENT, payment("Dinheiro", 500)));
    ASSERT_TRUE(cmd(CMD_CLOSE_COUPON, ""));
    EXPECT_EQ(value_on(tape(), "TOTAL R$"), "5,00");
}

TEST_F(Memory, KeepsEveryTextThroughEncodingAndRefusesADamagedCopy) {
    vecf::Memory m;
    m.serial = "S1";
    m.header.razao = "LOJA \\ DO\tJOÃO\nFILIAL";
    m.doc.kind = vecf::DocKind::coupon;
    m.doc.lines = {"", "  linha com | barra", "\\t literal"};
    vecf::Item item;
    item.description = "PÃO\\FRANCÊS";
    item.total = vecf::Money::from_units(-5);
    m.doc.items.push_back(item);
    m.day.tax["01T1800"] = vecf::Money::from_units(123456);
    m.last_coupon.vouchers.push_back({12, "CARTÃO", vecf::Money::from_units(100), true});
    const std::string text = vecf::encode(m);
    vecf::Memory back = vecf::decode(text);
    EXPECT_EQ(vecf::encode(back), text);
    EXPECT_EQ(back.header.razao, m.header.razao);
    EXPECT_EQ(back.doc.lines, m.doc.lines);
    EXPECT_EQ(back.doc.items.at(0).description, "PÃO\\FRANCÊS");

    std::string flipped = text;
    flipped[text.size() / 2] ^= 1;
    EXPECT_THROW(vecf::decode(flipped), vecf::Damaged);
    EXPECT_THROW(vecf::decode(text.substr(0, text.size() - 5)), vecf::Damaged);
    EXPECT_THROW(vecf::decode(""), vecf::Damaged);
}

TEST_F(Memory, ADamagedFileRefusesEveryCommandWithAClearMessage) {
    ASSERT_TRUE(open_day());
    std::string data = read_file(file("memoria.dat"));
    // One copy damaged falls back to the other (see the store tests); both is
    // damage.
    int copies = 0;
    for (std::size_t at = data.find("COPIA\t"); at != std::string::npos;
         at = data.find("COPIA\t", at + 1), ++copies)
        data[at + 300] ^= 0x20;
    ASSERT_EQ(copies, 2);
    write(file("memoria.dat"), data);
    vecf::reload();
    EXPECT_FALSE(cmd(CMD_READ_COUNTERS));
    EXPECT_NE(last_message().find("Memória da impressora fiscal danificada (soma de verificação "
                                  "não confere nas duas cópias da memória)"),
              std::string::npos);
    EXPECT_FALSE(cmd(CMD_CHECK_PRINTER));
}

TEST_F(Memory, AFiscalMemoryShorterThanRecordedIsDamage) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(cmd(CMD_Z_REDUCTION));
    std::string mf = read_file(file("mf.dat"));
    write(file("mf.dat"), mf.substr(0, mf.size() - 3));
    vecf::reload();
    EXPECT_FALSE(cmd(CMD_READ_COUNTERS));
    EXPECT_NE(last_message().find("mf.dat menor que o registrado"), std::string::npos);
}

TEST_F(Memory, WhatAnInterruptedCommandLeftInTheJournalsIsCutAway) {
    ASSERT_TRUE(open_day());
    const std::string tape_before = tape(), mfd_before = read_file(file("mfd.dat"));
    std::ofstream(file("mfd.dat"), std::ios::app) << "D|99|CF|half a document";
    std::ofstream(file("bobina.txt"), std::ios::app) << "ITEM NEVER SOLD\n";
    vecf::reload();
    ASSERT_TRUE(cmd(CMD_READ_COUNTERS));
    EXPECT_EQ(tape(), tape_before);
    EXPECT_EQ(read_file(file("mfd.dat")), mfd_before);
    // A paper roll cleared by hand is just continued.
    write(file("bobina.txt"), "");
    vecf::reload();
    ASSERT_TRUE(cmd(CMD_X_READING));
    EXPECT_EQ(tape().rfind("LEITURA X"), tape().find("LEITURA X"));
}

TEST_F(Memory, AnotherProcessDrivingThePrinterIsNoticed) {
    ASSERT_TRUE(open_day());
    const int coo = counters();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(cmd(CMD_X_READING) ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(counters(), coo + 1);
    ASSERT_TRUE(cmd(CMD_X_READING));
    EXPECT_EQ(counters(), coo + 2);
    EXPECT_EQ(count_of(tape(), "LEITURA X"), 3);
}

}  // namespace balcora::test
