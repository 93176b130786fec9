#include "db/connection_settings.h"
#include "db/embedded_server.h"
#include "platform/ini_file.h"
#include "support/balcora_cli.h"
#include "support/loopback_port.h"
#include "support/temp_root.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

// A scheduler's view of the sending: the messages on the terminal and an
// exit code that says whether anything stays pending.
TEST(BlocoXCommand, SendReportsPendingReductionsByItsExitCode) {
    TempRoot tmp;
    fs::permissions(tmp.path(), fs::perms(0755));  // as root, postgres keeps its data here
    ASSERT_TRUE(platform::ini_write(tmp.root().ini_file(db::kSettingsFile), "Configuracao", "Porta",
                                    std::to_string(unused_loopback_port())));
    struct StopsServer {
        const platform::DataRoot& root;
        ~StopsServer() {
            std::string ignored;
            db::EmbeddedServer(root, 0).stop(&ignored);
        }
    } stops{tmp.root()};
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

}  // namespace
}  // namespace balcora::test
