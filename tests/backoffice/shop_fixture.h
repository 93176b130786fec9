#pragma once

#include "backoffice/pre_sale_fixture.h"
#include "db/database.h"
#include "db/session.h"
#include "support/database_copy.h"

#include <string>
#include <vector>

namespace balcora::test {

// Several checkouts of one shop beside one back office: each checkout's
// database is a copy of the demo shop's, made before any of them sells, and
// the process connection moves to the checkout being worked.
class ShopCheckoutsFixture : public BackOfficeFixture {
  protected:
    void TearDown() override {
        backoffice::close_link();
        use(db_.name());
        for (const auto& name : copies_) admin("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
        BackOfficeFixture::TearDown();
    }

    // A copy of the shop's database as it is now, whose printer has the
    // given number in its register.
    std::string add_checkout(int printer_number) {
        const std::string name = db_.name() + "_c" + std::to_string(printer_number);
        backoffice::close_link();
        // The printer driver keeps a connection of its own to the database.
        ecf::unload_driver();
        db::close_connection();
        EXPECT_TRUE(admin("CREATE DATABASE " + name + " TEMPLATE " + db_.name()));
        copies_.push_back(name);
        use(name);
#ifdef BALCORA_VIRTUAL_ECF_PATH
        EXPECT_TRUE(ecf::load_driver(BALCORA_VIRTUAL_ECF_PATH));
#endif
        EXPECT_EQ(QUERYSQL("UPDATE balcora.maqecf SET numero=" + std::to_string(printer_number) +
                           " WHERE num_serie='" + std::string(demo::kPrinterSerial) + "';"),
                  "1");
        return name;
    }

    // The process connection (and the connection text a printer driver
    // reads) now on that database.
    void use(const std::string& name) {
        backoffice::close_link();
        ASSERT_TRUE(use_database_copy(db_, name));
    }

    bool admin(const std::string& sql) {
        std::string error;
        auto conn = db::PgConnection::open(db_.conninfo() + " dbname=postgres", &error);
        if (!conn) return false;
        auto r = conn->exec(sql);
        if (!r.ok()) ADD_FAILURE() << r.error_message();
        return r.ok();
    }

    std::vector<std::string> copies_;
};

}  // namespace balcora::test
