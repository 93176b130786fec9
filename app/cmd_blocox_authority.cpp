#include "app/blocox_commands.h"
#include "blocox/authority_queries.h"
#include "blocox/stock_release.h"
#include "db/literals.h"
#include "db/sql_runner.h"
#include "ecf/aux_file.h"
#include "fiscal/ead_signing.h"
#include "globals/globals.h"
#include "shell/startup.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>
#include <optional>
#include <string>

namespace balcora::app {

namespace {

// Exit codes for a scheduler, the same for every command that asks the
// authority (`balcora help` and the README list them).
constexpr int kDone = 0;
constexpr int kPending = 1;       // pendencias: items pending, both books agree
constexpr int kUsage = 2;         // wrong command line
constexpr int kRefused = 3;       // the authority would not do it; pendencias: books differ
constexpr int kNoAnswer = 4;      // the authority did not answer: try again later
constexpr int kLocalFailure = 5;  // database, company, printer or file

int say(const char* command, const std::string& text, int code) {
    std::fprintf(stderr, "balcora blocox %s: %s\n", command, text.c_str());
    return code;
}

int outcome(const char* command, const blocox::Asked& a) {
    using O = blocox::Asked::Outcome;
    switch (a.outcome) {
        case O::kDone:
            return kDone;
        case O::kRefused:
            return say(command, "o Fisco nao atendeu: " + a.message, kRefused);
        case O::kNoAnswer:
            return say(command, "sem resposta do Fisco: " + a.message, kNoAnswer);
        default:
            return say(command, a.message, kLocalFailure);
    }
}

// The establishment and the authorised printer, as at the program's start.
struct Shop {
    std::int32_t id_empresa = 0;
    std::int32_t id_maqecf = 0;
    std::string ie;
};

std::optional<Shop> open_shop(CommandLine& cl, const char* command, int* code) {
    *code = kLocalFailure;
    if (!open_program_database(cl)) return std::nullopt;
    const auto company = shell::find_active_company();
    if (!company) return say(command, "nao ha empresa ativa", kLocalFailure), std::nullopt;
    glo::id_empresa = company->id;
    glo::id_empmatriz = company->head_office;
    Shop shop;
    shop.id_empresa = company->id;
    shop.ie = blocox::establishment_ie(company->id);
    if (shop.ie.empty())
        return say(command, "empresa sem inscricao estadual", kLocalFailure), std::nullopt;
    if (LEARQAUXILIAR() && !util::trim(glo::numfab).empty()) {
        const auto r = db::run_sql("SELECT id_maqecf FROM balcora.maqecf WHERE num_serie=" +
                                   TXTSQL(util::trim(glo::numfab)) + ";");
        if (r && r->rows() > 0)
            shop.id_maqecf = static_cast<std::int32_t>(util::read_integer(r->value(0, 0)).value);
    }
    return shop;
}

bool one_receipt(const CommandLine& cl, std::size_t extra, std::string* receipt) {
    if (cl.args.empty() || cl.args.size() != 1 + extra) return false;
    *receipt = util::trim(cl.args[0]);
    return !receipt->empty() && receipt->front() != '-';
}

std::string owed_text(const blocox::AuthorityPendency& p) {
    std::string what =
        p.kind == "ReducaoZ" ? "ECF " + p.ecf : "Estoque " + util::br_date(p.reference);
    what += ": " + p.description;
    for (const std::string& c : p.crzs) what += " CRZ " + c;
    for (const std::string& r : p.receipts) what += " recibo " + r;
    return what;
}

int run_pendencies(CommandLine& cl) {
    if (!cl.args.empty()) return say("pendencias", "nao recebe opcoes", kUsage);
    int code = kLocalFailure;
    const auto shop = open_shop(cl, "pendencias", &code);
    if (!shop) return code;
    std::vector<blocox::AuthorityPendency> theirs;
    const blocox::Asked a = blocox::taxpayer_pendencies(shop->ie, &theirs);
    if (!a.done()) return outcome("pendencias", a);
    const std::vector<blocox::OurItem> ours = blocox::our_items(shop->id_maqecf, shop->id_empresa);

    std::printf("Pendencias no Fisco (IE %s):\n", shop->ie.c_str());
    for (const auto& p : theirs) std::printf("  %s\n", owed_text(p).c_str());
    if (theirs.empty()) std::printf("  nenhuma\n");
    std::printf("Pendencias no Balcora:\n");
    bool ours_pending = false;
    for (const auto& o : ours) {
        if (o.state != "P" && o.state != "T") continue;
        ours_pending = true;
        std::printf("  %s: %s%s\n", blocox::item_label(o).c_str(),
                    blocox::blocox_state_text(o.state).c_str(),
                    o.receipt.empty() ? "" : (" (recibo " + o.receipt + ")").c_str());
    }
    if (!ours_pending) std::printf("  nenhuma\n");
    const std::vector<std::string> differences = blocox::pendency_differences(theirs, ours);
    std::printf("Diferencas:\n");
    for (const auto& d : differences) std::printf("  %s\n", d.c_str());
    if (differences.empty()) std::printf("  nenhuma\n");
    if (!differences.empty()) return kRefused;
    return theirs.empty() && !ours_pending ? kDone : kPending;
}

util::DayNumber parse_day(const std::string& text) {
    return text.find('/') != std::string::npos ? util::parse_br_date(text)
                                               : util::parse_iso_date(text);
}

int run_list(CommandLine& cl) {
    util::DayNumber from = 0, to = 0;
    for (std::size_t k = 0; k < cl.args.size(); k += 2) {
        if (k + 1 >= cl.args.size() || (cl.args[k] != "--de" && cl.args[k] != "--ate"))
            return say("listar", "uso: balcora blocox listar --de DATA --ate DATA", kUsage);
        (cl.args[k] == "--de" ? from : to) = parse_day(cl.args[k + 1]);
    }
    if (from <= 0 || to <= 0)
        return say("listar", "informe --de e --ate como DD/MM/AAAA ou AAAA-MM-DD", kUsage);
    if (to < from) return say("listar", "data final menor que a data inicial", kUsage);
    int code = kLocalFailure;
    const auto shop = open_shop(cl, "listar", &code);
    if (!shop) return code;
    std::vector<blocox::AuthorityFile> files;
    const blocox::Asked a = blocox::list_files(shop->ie, &files);
    if (!a.done()) return outcome("listar", a);
    // The published request names only the establishment: the period is ours.
    std::printf("%-36s  %-8s  %-20s  %-4s  %-10s  %-19s  %s\n", "Recibo", "Tipo", "ECF", "CRZ",
                "Referencia", "Recepcao", "Situacao");
    int shown = 0;
    for (const auto& f : files) {
        if (f.reference < from || f.reference > to) continue;
        ++shown;
        std::printf("%-36s  %-8s  %-20s  %-4s  %-10s  %-19s  %s\n", f.receipt.c_str(),
                    f.kind.c_str(), f.ecf.c_str(), f.crz.c_str(),
                    util::br_date(f.reference).c_str(), f.received.c_str(), f.state_text.c_str());
    }
    std::fprintf(stderr, "balcora blocox listar: %d arquivo(s) de %s a %s\n", shown,
                 util::br_date(from).c_str(), util::br_date(to).c_str());
    return kDone;
}

int run_history(CommandLine& cl) {
    std::string receipt;
    if (!one_receipt(cl, 0, &receipt))
        return say("historico", "uso: balcora blocox historico RECIBO", kUsage);
    int code = kLocalFailure;
    if (!open_shop(cl, "historico", &code)) return code;
    std::vector<blocox::AuthorityEvent> events;
    const blocox::Asked a = blocox::file_history(receipt, &events);
    if (!a.done()) return outcome("historico", a);
    std::printf("Historico do recibo %s no Fisco:\n", receipt.c_str());
    for (const auto& e : events)
        std::printf("  %s  %s%s\n", e.when.c_str(), e.description.c_str(),
                    e.reason.empty() ? "" : (" - motivo: " + e.reason).c_str());
    return kDone;
}

int run_download(CommandLine& cl) {
    std::string receipt;
    std::filesystem::path target;
    if (cl.args.size() == 3 && cl.args[1] == "--destino") target = cl.args[2];
    if (!one_receipt(cl, target.empty() ? 0 : 2, &receipt))
        return say("baixar", "uso: balcora blocox baixar RECIBO [--destino ARQUIVO]", kUsage);
    int code = kLocalFailure;
    if (!open_shop(cl, "baixar", &code)) return code;
    if (target.empty()) target = fiscal::pafecf_folder() / ("fisco-" + receipt + ".xml");
    const blocox::Asked a = blocox::download_file(receipt, target);
    if (!a.done()) return outcome("baixar", a);
    std::printf("%s\n", target.c_str());
    return kDone;
}

// After the authority confirmed, our row of that receipt follows it: a
// cancelled file is owed again, a reprocessed one awaits acceptance again.
void follow(const std::string& receipt, const char* from_states, const char* to_state) {
    for (const char* table : {"reg60m", "estoquex"})
        db::run_sql(std::string("UPDATE balcora.") + table + " SET sit_blocox='" + to_state +
                    "' WHERE rec_blocox=" + TXTSQL(receipt) + " AND sit_blocox IN (" + from_states +
                    ");");
}

int run_cancel(CommandLine& cl) {
    std::string receipt;
    const bool shaped = cl.args.size() == 3 && cl.args[1] == "--motivo";
    if (!shaped || !one_receipt(cl, 2, &receipt) || util::trim(cl.args[2]).size() < 15)
        return say("cancelar",
                   "uso: balcora blocox cancelar RECIBO --motivo TEXTO (ao menos 15 letras)",
                   kUsage);
    int code = kLocalFailure;
    if (!open_shop(cl, "cancelar", &code)) return code;
    const blocox::Asked a = blocox::cancel_file(receipt, util::trim(cl.args[2]));
    if (!a.done()) return outcome("cancelar", a);
    follow(receipt, "'T','A'", "P");
    std::printf("Recibo %s cancelado no Fisco; o arquivo volta a pendente de transmissao.\n",
                receipt.c_str());
    return kDone;
}

int run_reprocess(CommandLine& cl) {
    std::string receipt;
    std::string reason = "Reprocessamento solicitado pelo contribuinte";
    if (cl.args.size() == 3 && cl.args[1] == "--motivo") reason = util::trim(cl.args[2]);
    if (!one_receipt(cl, cl.args.size() == 3 ? 2 : 0, &receipt))
        return say("reprocessar", "uso: balcora blocox reprocessar RECIBO [--motivo TEXTO]",
                   kUsage);
    int code = kLocalFailure;
    if (!open_shop(cl, "reprocessar", &code)) return code;
    const blocox::Asked a = blocox::reprocess_file(receipt, reason);
    if (!a.done()) return outcome("reprocessar", a);
    follow(receipt, "'A'", "T");
    std::printf("Recibo %s enviado para reprocessamento no Fisco.\n", receipt.c_str());
    return kDone;
}

const BlocoxSubcommand kPendencies{
    "pendencias", "pendencias no Fisco ao lado das nossas, com as diferencas", run_pendencies};
const BlocoxSubcommand kList{"listar", "--de DATA --ate DATA  arquivos recebidos pelo Fisco",
                             run_list};
const BlocoxSubcommand kHistory{"historico", "RECIBO  historico do arquivo no Fisco", run_history};
const BlocoxSubcommand kDownload{"baixar", "RECIBO [--destino ARQUIVO]  salva o arquivo do Fisco",
                                 run_download};
const BlocoxSubcommand kCancel{"cancelar", "RECIBO --motivo TEXTO  cancela o arquivo no Fisco",
                               run_cancel};
const BlocoxSubcommand kReprocess{"reprocessar", "RECIBO [--motivo TEXTO]  pede o reprocessamento",
                                  run_reprocess};

}  // namespace

}  // namespace balcora::app
