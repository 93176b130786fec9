#include "ecf/printer_driver.h"
#include "ecf/printer.h"
#include "platform/ini_file.h"
#include "support/test_database.h"

#include <dlfcn.h>
#include <libpq-fe.h>

#include <fstream>

namespace balcora::test {

namespace fs = std::filesystem;

class DriverLoading : public EnvTest {
  protected:
    ~DriverLoading() override { ecf::unload_driver(); }

    void configure(const std::string& value) {
        ASSERT_TRUE(
            platform::ini_write(root_.root().ini_file("balcora.ini"), "PDV", "Driver ECF", value));
    }
};

TEST_F(DriverLoading, AMissingLibraryIsNamedAndTheCommandFails) {
    const fs::path missing = root_.path() / "drivers" / "nenhum.so";
    configure(missing.string());
    EXPECT_FALSE(ecf::send(ecf::CMD_READ_COUNTERS));
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Erro");
    EXPECT_EQ(prompt_.shown()[0].text,
              "Driver da impressora fiscal não encontrado: " + missing.string());
    // Every later command tries again and says so again.
    EXPECT_FALSE(ecf::send(ecf::CMD_READ_COUNTERS));
    EXPECT_EQ(prompt_.shown().size(), 2u);
}

TEST_F(DriverLoading, AFileThatIsNoLibraryOrLacksTheEntryIsRefused) {
    const fs::path junk = root_.path() / "junk.so";
    std::ofstream(junk) << "not a shared object";
    std::string error;
    EXPECT_FALSE(ecf::DriverLibrary::open(junk, &error));
    EXPECT_EQ(
        error.rfind("Driver da impressora fiscal não pôde ser carregado: " + junk.string(), 0), 0u);

    // libpq is a real library without COMUNICA.
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&PQexec), &info), 0);
    EXPECT_FALSE(ecf::DriverLibrary::open(info.dli_fname, &error));
    EXPECT_EQ(error,
              std::string("Driver da impressora fiscal sem a função COMUNICA: ") + info.dli_fname);

    EXPECT_FALSE(ecf::load_driver(junk));
    ASSERT_EQ(prompt_.shown().size(), 1u);
}

TEST_F(DriverLoading, TheSettingNamesTheLibraryInThreeForms) {
    configure("/opt/ecf/libepson.so");
    EXPECT_EQ(ecf::configured_driver_path(), fs::path("/opt/ecf/libepson.so"));
    configure("c:\\sistemas\\balcora\\drivers\\libepson.so");
    EXPECT_EQ(ecf::configured_driver_path(),
              root_.path() / "sistemas" / "balcora" / "drivers" / "libepson.so");
    configure("libepson.so");
    EXPECT_EQ(ecf::configured_driver_path(), root_.root().program_dir() / "libepson.so");
}

TEST_F(DriverLoading, WithoutASettingTheVirtualPrinterIsTheDriver) {
    const fs::path path = ecf::configured_driver_path();
    EXPECT_EQ(path, ecf::default_driver_path());
    EXPECT_EQ(path.filename(), "libbalcora_virtual_ecf.so");
    EXPECT_TRUE(path.is_absolute());
}

}  // namespace balcora::test
