#pragma once

#include "sale/sale_fixture.h"
#include "support/test_backoffice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace balcora::test {

// The demo shop with its day open and the virtual printer, beside an empty
// back office of its own that the link settings point at.
class BackOfficeFixture : public SaleFixture {
  protected:
    void SetUp() override {
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        back_office_ = std::make_unique<TestBackOffice>(demo_back_office());
        back_office_->point_settings();
    }
    void TearDown() override {
        backoffice::close_link();
        back_office_.reset();
        SaleFixture::TearDown();
    }

    // An empty back office, or the demonstration shop's.
    virtual bool demo_back_office() const { return false; }

    // A statement on the back office, directly.
    void bo(const std::string& sql) { back_office_->exec(sql); }
    std::string bo_value(const std::string& sql) { return back_office_->value(sql); }

    std::unique_ptr<TestBackOffice> back_office_;
};

}  // namespace balcora::test
