#include "ui/screen_port.h"

#include <gtest/gtest.h>

namespace balcora::test {

namespace {

struct Form {
    int shown = 0;
};
struct OtherForm {
    int shown = 0;
};

}  // namespace

TEST(ScreenPort, ViewsAnswerTheirOwnControllerTypeAndProceduresTheirNameOnly) {
    ui::ScreenPort port;
    Form form;
    EXPECT_FALSE(port.show(form));
    port.provide_view<Form>([](Form& f) { ++f.shown; });
    EXPECT_TRUE(port.has_view<Form>());
    EXPECT_TRUE(port.show(form));
    EXPECT_EQ(form.shown, 1);
    OtherForm other;
    EXPECT_FALSE(port.show(other));  // another type is not served by Form's view
    EXPECT_EQ(other.shown, 0);
    port.provide_view<Form>({});
    EXPECT_FALSE(port.show(form));

    EXPECT_FALSE(port.run("FINALIZACUPOM"));
    port.provide("FINALIZACUPOM", [](const ui::ScreenPort::Arguments& a) {
        return a == ui::ScreenPort::Arguments{"Desc"} ? 7 : -1;
    });
    EXPECT_TRUE(port.available("FINALIZACUPOM"));
    EXPECT_FALSE(port.available("FINALIZA"));
    EXPECT_EQ(port.run("FINALIZACUPOM", {"Desc"}), 7);
    // A procedure may withdraw itself while it runs.
    port.provide("SPOOLECF", [&port](const ui::ScreenPort::Arguments&) {
        port.provide("SPOOLECF", {});
        return 1;
    });
    EXPECT_EQ(port.run("SPOOLECF"), 1);
    EXPECT_FALSE(port.available("SPOOLECF"));
}

}  // namespace balcora::test
