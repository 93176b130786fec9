#pragma once

#include "blocox/pending_warning.h"
#include "blocox/transmission.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "demo/demo_data.h"
#include "globals/globals.h"
#include "platform/ini_file.h"
#include "support/test_checkout.h"
#include "support/test_database.h"
#include "util/day_number.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace balcora::test {

// The demo shop with Z reductions to send, and a web-service client that
// answers as the test prepares it: with <dir>/answer.xml when it exists,
// else "no answer"; it hangs when <dir>/hang exists. Each run leaves the
// request it found in <dir>/request.ini.
class TransmissionFixture : public DbTest, protected TestCheckout {
  protected:
    void SetUp() override {
        ASSERT_TRUE(load_demo_data());
        glo::numfab = demo::kPrinterSerial;
        glo::id_empresa = demo::kCompanyId;
        dir_ = root_.path() / "cliente";
        std::filesystem::create_directories(dir_);
        const std::filesystem::path script = dir_ / "cliente.sh";
        const std::string d = dir_.string();
        std::ofstream(script) << "#!/bin/sh\n"
                                 "ini=\"$(pwd)/xsginws.ini\"\n"
                                 "cp \"$ini\" '"
                              << d
                              << "/request.ini'\n"
                                 "if [ -f '"
                              << d
                              << "/hang' ]; then sleep 10; fi\n"
                                 "if [ -e '"
                              << d
                              << "/answer.xml' ]; then\n"
                                 "  printf '[Retorno]\\nStatus=Ok\\nArquivo=%s\\n' '"
                              << d
                              << "/answer.xml' > \"$ini\"\n"
                                 "else\n"
                                 "  printf '[Retorno]\\nStatus=Erro\\nArquivo=null\\n"
                                 "Mensagem=Fisco fora do ar\\n' > \"$ini\"\n"
                                 "fi\n";
        ASSERT_TRUE(write_ini("Programas", "BlocoX", "sh " + script.string(), "balcora.ini"));
        prompt_.clear();
    }

    // The answer the client hands back from now on.
    void answer(const std::string& code, const std::string& message, const std::string& receipt) {
        std::ofstream(dir_ / "answer.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Resposta Versao=\"1.0\"><Recibo>"
            << receipt << "</Recibo><SituacaoProcessamentoCodigo>" << code
            << "</SituacaoProcessamentoCodigo><Mensagem>" << message << "</Mensagem></Resposta>\n";
    }
    void no_answer() { std::filesystem::remove(dir_ / "answer.xml"); }
    std::string request(const std::string& key) const {
        return platform::ini_read(dir_ / "request.ini", "Envio", key);
    }

    // A closed day's reduction with no sale: its grand total carries on
    // from the day before.
    void reduction(int crz, util::DayNumber day, const std::string& grand_total,
                   const std::string& gross = "0") {
        ASSERT_EQ(
            QUERYSQL("INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, "
                     "num_cont_red_z, num_cont_reinicio, num_coo, vl_venda_bruta, "
                     "vl_tot_geral, dt_emissao, hr_emissao, sit_blocox) VALUES (1, 1, " +
                     DTSQL(day) + ", " + std::to_string(crz) + ", 1, " + std::to_string(100 + crz) +
                     ", " + gross + ", " + grand_total + ", " + DTSQL(day) + ", '22:00:00', 'P');"),
            "1");
    }
    // n closed days before today, CRZ 1 to n, chained.
    void reductions(int n) {
        for (int k = 1; k <= n; ++k) reduction(k, today() - n - 1 + k, "1000.00");
    }

    std::string value(const std::string& select) {
        db::SqlRecord r;
        QUERYSQL(select, r);
        return std::string(r.C(1));
    }
    std::string states() {
        return value("SELECT string_agg(sit_blocox, '' ORDER BY data) FROM balcora.reg60m;");
    }
    std::string flag(const char* key) {
        return LEREGISTRO("balcora", blocox::blocking_section(), key, "0");
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& s : prompt_.shown())
            if (s.kind != "beep") out.push_back(s.title + ": " + s.text);
        return out;
    }

    std::filesystem::path dir_;
};

// 36 characters, as the authority issues them.
inline constexpr const char* kReceipt = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";

}  // namespace balcora::test
