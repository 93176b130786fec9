#pragma once

#include "backoffice/backoffice_database.h"
#include "backoffice/backoffice_link.h"
#include "db/pg_handles.h"
#include "db/role_password.h"
#include "db/settings.h"
#include "platform/data_root.h"
#include "sale/sale_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace balcora::test {

// The demo shop with its day open and the virtual printer, beside a back
// office of its own: a LATIN1 database of the test cluster holding the
// back-office schema, reached by the link over the loopback address.
class BackOfficeFixture : public SaleFixture {
  protected:
    void SetUp() override {
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const std::string base = template_conninfo();
        std::string error;
        admin_ = db::PgConnection::open(base + " dbname=postgres", &error);
        ASSERT_TRUE(admin_) << error;
        bo_name_ = "bo_" + db_.name();
        ASSERT_TRUE(admin_
                        ->exec("CREATE DATABASE " + bo_name_ +
                               " ENCODING 'LATIN1' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE "
                               "template0")
                        .ok());
        bo_ = db::PgConnection::open(base + " dbname=" + bo_name_, &error);
        ASSERT_TRUE(bo_) << error;
        bo("SET client_encoding = 'UTF8'");
        bo("SET standard_conforming_strings = off");
        bo(std::string(backoffice::backoffice_schema_sql()));

        // The cluster's root holds the role's password: the link logs in
        // by address, as it does to a real back office.
        const std::string host = field(base, "host");
        const platform::DataRoot cluster(std::filesystem::path(host).parent_path());
        backoffice::LinkSettings link;
        link.servidor = "127.0.0.1";
        link.database = bo_name_;
        link.usuario = "balcora";
        link.senha = db::read_role_password(cluster);
        link.porta = std::stoi(field(base, "port"));
        ASSERT_TRUE(backoffice::write_link_settings(link));
    }
    void TearDown() override {
        backoffice::close_link();
        bo_.reset();
        if (admin_) admin_->exec("DROP DATABASE IF EXISTS " + bo_name_ + " WITH (FORCE)");
        SaleFixture::TearDown();
    }

    // A statement on the back office, directly.
    void bo(const std::string& sql) {
        auto r = bo_->exec(sql);
        ASSERT_TRUE(r.ok()) << r.error_message() << "\n" << sql;
    }
    std::string bo_value(const std::string& sql) {
        auto r = bo_->exec(sql);
        if (!r.ok() || r.rows() == 0) return "<none>";
        return r.is_null(0, 0) ? "<null>" : std::string(r.value(0, 0));
    }

  private:
    static std::string field(const std::string& conninfo, const std::string& key) {
        const auto at = conninfo.find(key + "=");
        if (at == std::string::npos) return {};
        const auto start = at + key.size() + 1;
        return conninfo.substr(start, conninfo.find(' ', start) - start);
    }

    std::unique_ptr<db::PgConnection> admin_;
    std::unique_ptr<db::PgConnection> bo_;
    std::string bo_name_;
};

}  // namespace balcora::test
