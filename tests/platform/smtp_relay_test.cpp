#include "platform/smtp_mail.h"

#include <gtest/gtest.h>

namespace balcora::test {
namespace {

// A relay's password goes without TLS only to this machine, judged by where
// its name leads: a name that merely starts with "127." may lead anywhere.
TEST(SmtpRelay, OnlyANameThatLeadsToLoopbackMayTakeAPasswordInClear) {
    for (const char* local : {"localhost", "127.0.0.1", "127.1.2.3", "::1", "[::1]"})
        EXPECT_TRUE(platform::resolves_to_loopback_only(local)) << local;
    for (const char* away :
         {"127.0.0.1.invalid", "127.relay.invalid", "192.0.2.1", "::ffff:192.0.2.1", ""})
        EXPECT_FALSE(platform::resolves_to_loopback_only(away)) << away;
}

}  // namespace
}  // namespace balcora::test
