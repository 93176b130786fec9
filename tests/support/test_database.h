#pragma once

#include "platform/clock.h"
#include "support/scripted_prompt.h"
#include "support/temp_root.h"
#include "ui/environment.h"

#include <gtest/gtest.h>

#include <string>

namespace balcora::test {

// Connection text of the throwaway cluster's database that holds the schema
// (written by the CTest fixture); empty when the fixture did not run.
std::string template_conninfo();

// A fresh database cloned from the schema-bearing one, installed as the
// process connection with the program's session settings, dropped at the end.
class TestDatabase {
  public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const std::string& name() const { return name_; }
    // libpq connection text of this database.
    const std::string& conninfo() const { return conninfo_; }
    // The program's connection string form of this database, as a printer
    // driver reads it from glo::string_conexao.
    std::string connection_string() const;

  private:
    std::string name_;
    std::string conninfo_;
    std::string admin_conninfo_;
};

// Screens leave state in the globals: back to a fresh start, keeping the
// connection text of the test's database.
void reset_globals_keeping_connection();

// The usual frame of a test that touches the database: a temporary data root,
// a pinned clock (2026-12-07 10:00:00), a scripted prompt, a screen port
// where nothing is provided until the test does, and a fresh database.
class DbTest : public ::testing::Test {
  protected:
    DbTest();

    ScriptedPrompt prompt_;
    TempRoot root_;
    platform::FixedClock clock_{{2026, 12, 7, 10, 0, 0}};
    ui::ScreenPort screens_;
    ui::ServicePort service_port_;
    ScopedEnvironment env_;
    TestDatabase db_;
};

// A test that needs the injected services but no database.
class EnvTest : public ::testing::Test {
  protected:
    EnvTest();

    ScriptedPrompt prompt_;
    TempRoot root_;
    platform::FixedClock clock_{{2026, 12, 7, 10, 0, 0}};
    ui::ScreenPort screens_;
    ui::ServicePort service_port_;
    ScopedEnvironment env_;
};

}  // namespace balcora::test
