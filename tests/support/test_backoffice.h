#pragma once

#include "backoffice/backoffice_link.h"
#include "db/pg_handles.h"

#include <memory>
#include <string>

namespace balcora::test {

// A fresh back-office database cloned from the test cluster's empty one
// (kontora and gestao, LATIN1), dropped at the end, with a direct connection
// for setting it up and looking into it.
class TestBackOffice {
  public:
    // With demo, filled with the demonstration shop.
    explicit TestBackOffice(bool demo = true);
    ~TestBackOffice();
    TestBackOffice(const TestBackOffice&) = delete;
    TestBackOffice& operator=(const TestBackOffice&) = delete;

    const std::string& name() const { return name_; }
    // The link to it as a shop configures one: loopback address, port, the
    // program's role and its password.
    backoffice::LinkSettings link() const;
    // Writes link() into the settings of the test's database (link and
    // master-data update).
    void point_settings() const;
    // Runs a statement directly on the back office; throws on failure.
    db::PgResult exec(const std::string& statement);
    // The first column of the first row, empty when none.
    std::string value(const std::string& query);

  private:
    std::string name_;
    std::string admin_conninfo_;
    int port_ = 0;
    std::unique_ptr<db::PgConnection> conn_;
};

}  // namespace balcora::test
