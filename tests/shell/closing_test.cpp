#include "shell/closing.h"
#include "db/settings.h"
#include "globals/globals.h"
#include "shell/recording_runner.h"
#include "support/test_checkout.h"
#include "support/test_database.h"

namespace balcora::test {

class Closing : public EnvTest, protected TestCheckout {
  protected:
    RecordingRunner runner_;
};

TEST_F(Closing, TheOperatorConfirmsUnlessTheComputerIsBeingSwitchedOff) {
    prompt_.answer(false);
    EXPECT_FALSE(shell::confirm_close(checkout_));
    prompt_.answer(true);
    EXPECT_TRUE(shell::confirm_close(checkout_));
    ASSERT_EQ(prompt_.shown().size(), 2u);
    EXPECT_EQ(prompt_.shown()[0].kind, "confirm");
    EXPECT_EQ(prompt_.shown()[0].title, "Confirme");
    EXPECT_EQ(prompt_.shown()[0].text, "Confirma fechar Balcora?");

    checkout_.flag_desligar = 1;
    prompt_.clear();
    EXPECT_TRUE(shell::confirm_close(checkout_));
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(Closing, ShutDownCheckDoesNothingUnlessTheOperatorAskedForIt) {
    EXPECT_FALSE(shell::shutdown_check(checkout_, runner_));
    EXPECT_TRUE(runner_.ran.empty());
}

TEST_F(Closing, ShutDownRunsTheConfiguredCommandAndTheAlternativeWhenItFails) {
    checkout_.flag_desligar = 1;
    write_ini("Programas", "Desligar", "/usr/local/bin/desliga --agora", "balcora.ini");
    EXPECT_TRUE(shell::shutdown_check(checkout_, runner_));
    EXPECT_EQ(runner_.ran, std::vector<std::string>{"/usr/local/bin/desliga --agora"});

    runner_.ran.clear();
    runner_.failing.insert("/usr/local/bin/desliga --agora");
    EXPECT_TRUE(shell::shutdown_check(checkout_, runner_));
    EXPECT_EQ(runner_.ran,
              (std::vector<std::string>{"/usr/local/bin/desliga --agora", "shutdown -h now"}));
    EXPECT_TRUE(prompt_.shown().empty());

    runner_.ran.clear();
    runner_.missing.insert("shutdown -h now");
    EXPECT_TRUE(shell::shutdown_check(checkout_, runner_));  // the frame still closes
    EXPECT_EQ(prompt_.count_containing("Não foi possível desligar o computador"), 1);
}

TEST_F(Closing, TheFrameSizeIsKeptInTheGlobals) {
    shell::record_frame_size(1280, 720);
    EXPECT_EQ(glo::appxsize, 1280);
    EXPECT_EQ(glo::appysize, 720);
}

}  // namespace balcora::test
