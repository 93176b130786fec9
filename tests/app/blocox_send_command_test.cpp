#include "platform/ini_file.h"
#include "support/balcora_cli.h"
#include "support/server_root.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

// A scheduler's view of the sending: the messages on the terminal and an
// exit code that says whether anything stays pending.
TEST(BlocoXCommand, SendReportsPendingReductionsByItsExitCode) {
    ServerRoot tmp;
    ASSERT_EQ(balcora_cli(tmp.path(), {"demo"}).exit_code, 0);

    // A client that answers with whatever answer.xml holds, or not at all.
    const fs::path answer = tmp.path() / "answer.xml";
    const fs::path client = tmp.path() / "cliente.sh";
    std::ofstream(client) << "#!/bin/sh\nini=\"$(pwd)/xsginws.ini\"\nif [ -f '" << answer.string()
                          << "' ]; then printf '[Retorno]\\nStatus=Ok\\nArquivo=%s\\n' '"
                          << answer.string()
                          << "' > \"$ini\"; else printf '[Retorno]\\nStatus=Erro\\nMensagem=Fisco "
                             "fora do ar\\n' > \"$ini\"; fi\n";
    ASSERT_TRUE(platform::ini_write(tmp.root().ini_file("balcora.ini"), "Programas", "BlocoX",
                                    "sh " + client.string()));

    EXPECT_EQ(balcora_cli(tmp.path(), {"blocox", "send-z"}).exit_code, 0);
    ASSERT_EQ(
        balcora_cli(tmp.path(), {"sql",
                                 "INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, "
                                 "num_cont_red_z, num_cont_reinicio, num_coo, vl_venda_bruta, "
                                 "vl_tot_geral, dt_emissao, hr_emissao, sit_blocox) VALUES (1, "
                                 "1, '2020-03-02', 1, 1, 7, 0, 0, '2020-03-02', '22:00:00', "
                                 "'P');"})
            .exit_code,
        0);
    const auto down = balcora_cli(tmp.path(), {"blocox", "send-z"});
    EXPECT_EQ(down.exit_code, 1);
    EXPECT_NE(down.output.find("Fisco fora do ar"), std::string::npos) << down.output;
    EXPECT_NE(down.output.find("HÁ 1 ARQUIVOS"), std::string::npos) << down.output;

    std::ofstream(answer)
        << "<Resposta><SituacaoProcessamentoCodigo>0</SituacaoProcessamentoCodigo>"
           "<Recibo>0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0</Recibo></Resposta>";
    const auto sent = balcora_cli(tmp.path(), {"blocox", "send-z"});
    EXPECT_EQ(sent.exit_code, 0) << sent.output;
    EXPECT_EQ(balcora_cli(tmp.path(), {"blocox", "send-z", "--x"}).exit_code, 2);
}

// The demo shop as `balcora demo` leaves it, against our authority started as
// the demo starts it (on a free port, with the demo's own certificates): a
// closed day's reduction and the released stock travel with the commands a
// scheduler runs and come back accepted.
TEST(BlocoXCommand, TheDemoShopsReductionAndStockComeBackAccepted) {
    ServerRoot tmp;
    const auto demo = balcora_cli(tmp.path(), {"demo"});
    ASSERT_EQ(demo.exit_code, 0) << demo.output;

    const fs::path certs = tmp.path() / "sistemas" / "balcora" / "certificados";
    const fs::path books = tmp.path() / "autoridade-blocox";
    const fs::path rules = tmp.path() / "regras.ini";
    std::ofstream(rules) << "[Autoridade]\nModo=aceitar\nAtrasoProcessamento=0\n";
    struct Authority {
        pid_t pid = fork();
        ~Authority() {
            if (pid <= 0) return;
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    } authority;
    if (authority.pid == 0) {
        execl(BALCORA_BLOCOX_AUTHORITY_PATH, BALCORA_BLOCOX_AUTHORITY_PATH, "--root", books.c_str(),
              "--cert", (certs / "autoridade.pem").c_str(), "--key",
              (certs / "autoridade-chave.pem").c_str(), "--port", "0", "--assinante",
              (certs / "estabelecimento.pem").c_str(), "--regras", rules.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // A guard against an authority that never starts, not a measurement.
    for (int i = 0; i < 1500 && !fs::exists(books / "porta"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    int port = 0;
    std::ifstream(books / "porta") >> port;
    ASSERT_GT(port, 0);
    ASSERT_TRUE(platform::ini_write(tmp.path() / "sistemas" / "balcora" / "pgms" / "xsginws.ini",
                                    "Config", "EnderecoFisco",
                                    "https://127.0.0.1:" + std::to_string(port) + "/blocox"));
    ASSERT_TRUE(platform::ini_write(tmp.root().ini_file("balcora.ini"), "Programas", "BlocoX",
                                    BALCORA_BLOCOX_CLIENT_PATH));

    // Yesterday's reduction as the day close records it.
    ASSERT_EQ(balcora_cli(tmp.path(),
                          {"sql",
                           "INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, "
                           "num_cont_red_z, num_cont_reinicio, num_coo, vl_venda_bruta, "
                           "vl_tot_geral, dt_emissao, hr_emissao, sit_blocox) VALUES (1, 1, "
                           "current_date - 1, 1, 1, 7, 0, 0, current_date - 1, '22:00:00', 'P');"})
                  .exit_code,
              0);
    auto states = [&](const char* table) {
        return last_line(
            balcora_cli(tmp.path(), {"sql", std::string("SELECT string_agg(sit_blocox, '') FROM "
                                                        "balcora.") +
                                                table})
                .output);
    };
    struct Round {
        const char* send;
        const char* query;
        const char* table;
        const char* accepted;
    };
    for (const Round& r : {Round{"send-z", "query-z", "reg60m", "A"},
                           Round{"send-stock", "query-stock", "estoquex", "AA"}}) {
        const auto sent = balcora_cli(tmp.path(), {"blocox", r.send});
        EXPECT_EQ(sent.exit_code, 0) << sent.output;
        // The authority processes a file just after its receipt.
        for (int i = 0; i < 20 && balcora_cli(tmp.path(), {"blocox", r.query}).exit_code != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(states(r.table), r.accepted) << r.table;
    }

    // The technician's questions to the authority, with the exit codes a
    // scheduler reads.
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "blocox");
        return balcora_cli(tmp.path(), args);
    };
    const auto clear = run({"pendencias"});
    EXPECT_EQ(clear.exit_code, 0) << clear.output;
    const std::string receipt =
        last_line(balcora_cli(tmp.path(), {"sql", "SELECT rec_blocox FROM balcora.reg60m"}).output);
    ASSERT_EQ(receipt.size(), 36u);
    const auto listed = run({"listar", "--de", "2000-01-01", "--ate", "2100-12-31"});
    EXPECT_EQ(listed.exit_code, 0) << listed.output;
    EXPECT_NE(listed.output.find(receipt), std::string::npos) << listed.output;
    const fs::path copy = tmp.path() / "copia.xml";
    EXPECT_EQ(run({"baixar", receipt, "--destino", copy.string()}).exit_code, 0);
    std::stringstream held;
    held << std::ifstream(copy).rdbuf();
    EXPECT_NE(held.str().find("<CRZ>0001</CRZ>"), std::string::npos) << held.str();

    EXPECT_EQ(run({"reprocessar", receipt}).exit_code, 0);
    EXPECT_EQ(states("reg60m"), "T");
    EXPECT_EQ(run({"cancelar", receipt, "--motivo", "curto"}).exit_code, 2);
    const auto cancelled = run({"cancelar", receipt, "--motivo", "Reducao Z enviada com erro"});
    EXPECT_EQ(cancelled.exit_code, 0) << cancelled.output;
    EXPECT_EQ(states("reg60m"), "P");
    const auto history = run({"historico", receipt});
    EXPECT_NE(history.output.find("Reducao Z enviada com erro"), std::string::npos)
        << history.output;
    // Owed on both sides, and both books agree.
    const auto owed = run({"pendencias"});
    EXPECT_EQ(owed.exit_code, 1) << owed.output;
    EXPECT_NE(owed.output.find(receipt), std::string::npos) << owed.output;
    EXPECT_EQ(run({"historico", "00000000-0000-4000-8000-000000000000"}).exit_code, 3);
}

}  // namespace
}  // namespace balcora::test
