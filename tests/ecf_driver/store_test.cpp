#include "store.h"
#include "printer_fixture.h"
#include "text.h"

#include <sys/stat.h>

#include <vector>

namespace balcora::test {

namespace {

struct Copy {
    std::size_t at = 0;
    bool valid = false;
    vecf::MemoryRecord record;
};

// The two copies of a memory file, as its header places them.
std::vector<Copy> copies_of(const std::string& data) {
    std::size_t from = data.find('\t', data.find('\t') + 1) + 1;
    const std::size_t slot = std::stoull(data.substr(from, data.find('\t', from) - from));
    std::vector<Copy> out(2);
    for (std::size_t i = 0; i < 2; ++i) {
        out[i].at = vecf::kMemoryHeaderSize + i * slot;
        std::string why;
        out[i].valid =
            vecf::decode_record(std::string_view(data).substr(out[i].at, slot), out[i].record, why);
    }
    return out;
}

ino_t inode_of(const std::filesystem::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

TEST(MemoryChecksum, MatchesTheReferenceXxh64) {
    EXPECT_EQ(vecf::hex16(vecf::hash64("")), "ef46db3751d8e999");
    EXPECT_EQ(vecf::hex16(vecf::hash64("a")), "d24ec4f1a98c6e5b");
    EXPECT_EQ(vecf::hex16(vecf::hash64("abc")), "44bc2cf5ad770999");
    EXPECT_EQ(vecf::hex16(vecf::hash64("message digest")), "066ed728fceeb3be");
    EXPECT_EQ(vecf::hex16(vecf::hash64("abcdefghijklmnopqrstuvwxyz")), "cfe1f278fa89835c");
    // Past 32 bytes the four lanes are used.
    EXPECT_EQ(
        vecf::hex16(vecf::hash64("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")),
        "aaa46907d3047814");
    std::string digits;
    for (int i = 0; i < 8; ++i) digits += "1234567890";
    EXPECT_EQ(vecf::hex16(vecf::hash64(digits)), "e04a477f19ee145d");
}

TEST(MemoryRecord, ATornBlankOrDamagedCopyIsNeverTakenForAMemory) {
    // The copy before the last one, in the same slot.
    const vecf::MemoryRecord older{5, std::string(900, 'o'), 100, "D|older tail\n"};
    const vecf::MemoryRecord r{7, "BALCORA-ECF-VIRTUAL-MEMORIA\t1\nserial\tS1\n", 1234,
                               "D|7|CF|...\nlinha\n"};
    const std::string bytes = vecf::encode_record(r);
    const std::string slot_of_older = vecf::encode_record(older) + std::string(2048, '\0');
    auto in_slot = [&](std::string record) {
        return record + slot_of_older.substr(std::min(record.size(), slot_of_older.size()));
    };
    vecf::MemoryRecord back;
    std::string why;
    ASSERT_TRUE(vecf::decode_record(in_slot(bytes), back, why)) << why;
    EXPECT_EQ(back.sequence, 7u);
    EXPECT_EQ(back.memory, r.memory);
    EXPECT_EQ(back.tape_memory_synced, 1234u);
    EXPECT_EQ(back.tape_memory_tail, r.tape_memory_tail);

    // A write that stopped part way leaves the new beginning over the old rest.
    for (std::size_t cut : {std::size_t{7}, std::size_t{20}, bytes.size() / 2, bytes.size() - 1}) {
        EXPECT_FALSE(vecf::decode_record(in_slot(bytes.substr(0, cut)), back, why)) << cut;
        EXPECT_EQ(back.sequence, 7u) << "a refused copy leaves the output alone";
    }
    // Any byte changed: sequence, sizes, memory, tail, the checksum itself.
    for (std::size_t at = 0; at < bytes.size(); at += 7) {
        std::string flipped = bytes;
        flipped[at] ^= 0x04;
        EXPECT_FALSE(vecf::decode_record(in_slot(flipped), back, why)) << "byte " << at;
    }
    EXPECT_FALSE(vecf::decode_record(std::string(4096, '\0'), back, why));
    EXPECT_EQ(why, "nenhum registro");
    // Sizes past the slot (a damaged head) are refused without reading past it.
    EXPECT_FALSE(vecf::decode_record("COPIA\t8\t99999999999\t0\t0\n", back, why));
    EXPECT_EQ(why, "registro incompleto");
    EXPECT_FALSE(vecf::decode_record(bytes.substr(0, bytes.size() - 1), back, why));
}

class MemoryFile : public PrinterTest {
  protected:
    std::filesystem::path file(const char* name) { return vecf::printer_folder() / name; }
    void write(const std::filesystem::path& p, const std::string& data) {
        std::ofstream(p, std::ios::binary | std::ios::trunc) << data;
    }
    vecf::MemoryRecord committed() { return vecf::read_memory_file(file("memoria.dat")); }
};

TEST_F(MemoryFile, ACommandRewritesTheOlderCopyInPlaceAndATornCopyFallsBackToTheOther) {
    ASSERT_TRUE(open_day());
    const int coo = counters();
    const std::string tape_before = tape(), mfd_before = read_file(file("mfd.dat"));
    const std::uint64_t sequence = committed().sequence;
    const ino_t inode = inode_of(file("memoria.dat"));

    ASSERT_TRUE(cmd(CMD_X_READING));
    EXPECT_EQ(inode_of(file("memoria.dat")), inode);
    std::string data = read_file(file("memoria.dat"));
    auto copies = copies_of(data);
    ASSERT_TRUE(copies[0].valid && copies[1].valid);
    const Copy& newest = copies[(sequence + 1) % 2];
    EXPECT_EQ(newest.record.sequence, sequence + 1);
    EXPECT_EQ(copies[sequence % 2].record.sequence, sequence);

    // A power cut in the middle of that write: a sector of it never arrived.
    data.replace(newest.at + 600, 512, std::string(512, '\0'));
    write(file("memoria.dat"), data);
    vecf::reload();
    EXPECT_EQ(counters(), coo) << "the X reading never happened";
    EXPECT_EQ(tape(), tape_before);
    EXPECT_EQ(read_file(file("mfd.dat")), mfd_before);
    EXPECT_EQ(committed().sequence, sequence);

    // The next command overwrites the torn copy, never the one standing.
    ASSERT_TRUE(cmd(CMD_X_READING));
    copies = copies_of(read_file(file("memoria.dat")));
    EXPECT_TRUE(copies[0].valid && copies[1].valid);
    vecf::reload();
    EXPECT_EQ(counters(), coo + 1);
    EXPECT_EQ(count_of(tape(), "LEITURA X"), 2);
    EXPECT_TRUE(prompt_.shown().empty()) << last_message();
}

TEST_F(MemoryFile, TapeMemoryAPowerCutLostIsWrittenBackFromTheCopy) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(coupon_of(1890));
    const std::string mfd = read_file(file("mfd.dat"));
    const vecf::MemoryRecord r = committed();
    ASSERT_FALSE(r.tape_memory_tail.empty());
    EXPECT_EQ(mfd.substr(r.tape_memory_synced), r.tape_memory_tail);

    // What was never synced is gone ...
    write(file("mfd.dat"), mfd.substr(0, r.tape_memory_synced));
    vecf::reload();
    ASSERT_TRUE(cmd(CMD_READ_COUNTERS)) << last_message();
    EXPECT_EQ(read_file(file("mfd.dat")), mfd);
    // ... or the file grew but its data did not arrive.
    write(file("mfd.dat"),
          mfd.substr(0, r.tape_memory_synced) + std::string(r.tape_memory_tail.size(), '\0'));
    vecf::reload();
    ASSERT_TRUE(cmd(CMD_READ_COUNTERS)) << last_message();
    EXPECT_EQ(read_file(file("mfd.dat")), mfd);

    ASSERT_TRUE(coupon_of(500));
    EXPECT_EQ(count_of(read_file(file("mfd.dat")), "|CF|"), 2);
}

TEST_F(MemoryFile, TheCarriedTapeMemoryStaysBoundedAndLosingSyncedDataIsDamage) {
    ASSERT_TRUE(open_day());
    std::uint64_t synced = 0;
    for (int i = 0; i < 200 && synced == 0; ++i) {
        ASSERT_TRUE(cmd(CMD_X_READING));
        const vecf::MemoryRecord r = committed();
        ASSERT_LE(r.tape_memory_tail.size(), vecf::kTapeMemoryRedoLimit);
        ASSERT_EQ(r.tape_memory_synced + r.tape_memory_tail.size(),
                  read_file(file("mfd.dat")).size());
        synced = r.tape_memory_synced;
    }
    ASSERT_GT(synced, 0u) << "the tape memory was never synced";
    EXPECT_TRUE(committed().tape_memory_tail.empty());

    const std::string mfd = read_file(file("mfd.dat"));
    write(file("mfd.dat"), mfd.substr(0, synced - 1));
    vecf::reload();
    EXPECT_FALSE(cmd(CMD_READ_COUNTERS));
    EXPECT_NE(last_message().find("mfd.dat menor que o registrado"), std::string::npos);
}

TEST_F(MemoryFile, AMemoryOfThePreviousVersionLoadsAndIsConvertedOnTheNextWrite) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(coupon_of(500));
    const int coo = counters();
    const std::string tape_before = tape(), mfd_before = read_file(file("mfd.dat"));
    // The previous version kept the memory text alone, and synced every journal.
    const std::string previous = committed().memory;
    write(file("memoria.dat"), previous);
    // What one of its commands left in the journals when it was interrupted.
    std::ofstream(file("mfd.dat"), std::ios::app) << "D|99|CF|half a document";
    std::ofstream(file("bobina.txt"), std::ios::app) << "ITEM NEVER SOLD\n";
    vecf::reload();
    EXPECT_EQ(counters(), coo);
    EXPECT_EQ(tape(), tape_before);
    EXPECT_EQ(read_file(file("mfd.dat")), mfd_before);
    EXPECT_EQ(read_file(file("memoria.dat")), previous) << "reading converts nothing";

    ASSERT_TRUE(coupon_of(700));
    EXPECT_TRUE(read_file(file("memoria.dat")).starts_with("BALCORA-ECF-VIRTUAL-COPIAS\t1\t"));
    vecf::reload();
    EXPECT_EQ(counters(), coo + 1);
    EXPECT_EQ(value_on(tape(), "TOTAL R$"), "7,00");
    EXPECT_EQ(count_of(read_file(file("mfd.dat")), "|CF|"), 2);
}

TEST_F(MemoryFile, AMemoryOutgrowingItsCopiesMovesToALargerFile) {
    ASSERT_TRUE(open_day());
    const auto small = std::filesystem::file_size(file("memoria.dat"));
    ASSERT_TRUE(cmd(CMD_OPEN_REPORT, "RG"));
    std::string block;
    for (int i = 0; i < 2500; ++i) block += "LINHA " + std::to_string(i) + " DO RELATORIO\r\n";
    ASSERT_TRUE(cmd(CMD_REPORT_LINE, block));
    const auto large = std::filesystem::file_size(file("memoria.dat"));
    EXPECT_GT(large, small);
    const ino_t inode = inode_of(file("memoria.dat"));
    ASSERT_TRUE(cmd(CMD_REPORT_LINE, "ULTIMA LINHA\r\n"));
    EXPECT_EQ(inode_of(file("memoria.dat")), inode) << "the larger file is written in place";
    EXPECT_EQ(std::filesystem::file_size(file("memoria.dat")), large);
    ASSERT_TRUE(cmd(CMD_CLOSE_REPORT));
    vecf::reload();
    ASSERT_TRUE(cmd(CMD_X_READING)) << last_message();
    EXPECT_NE(tape().find("LINHA 2499 DO RELATORIO\nULTIMA LINHA\n"), std::string::npos);
}

}  // namespace balcora::test
