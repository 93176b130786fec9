#include "tef/tef_message_window.h"

#include "support/test_database.h"

#include <gtest/gtest.h>

namespace balcora::test {

// The way out of a wait only the manager can end: offered first, confirmed
// by the operator, and only then does the program end.
TEST_F(EnvTest, TheMessageWindowEndsTheProgramOnlyWhenOfferedAndConfirmed) {
    tef::MessageWindow window;
    int ended = 0;
    window.set_quit_handler([&] { ++ended; });
    window.show("Verificando transação pendente. Aguarde...");
    window.request_quit();  // not offered: no question, no quit
    EXPECT_FALSE(window.quit_requested());
    EXPECT_TRUE(prompt_.shown().empty());

    window.offer_quit(true);
    prompt_.answer(false);
    window.request_quit();
    EXPECT_FALSE(window.quit_requested());
    prompt_.answer(true);
    window.request_quit();
    EXPECT_TRUE(window.quit_requested());
    EXPECT_EQ(prompt_.shown().size(), 2u);
    EXPECT_EQ(ended, 0);
    window.end_program();
    EXPECT_EQ(ended, 1);
}

}  // namespace balcora::test
