#include "blocox/transmission.h"

#include "blocox/pending_warning.h"
#include "blocox/stock_xml.h"
#include "blocox/ws_answer.h"
#include "blocox/ws_exchange.h"
#include "blocox/z_reduction_xml.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/aux_file.h"
#include "ecf/maqecf_record.h"
#include "fiscal/ead_signing.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace balcora::blocox {

namespace {

constexpr std::string_view kReductionReceipts =
    "C:\\sistemas\\balcora\\Recibos dos Arquivos com Informações da Redução Z do PAF-ECF";
constexpr std::string_view kStockReceipts =
    "C:\\sistemas\\balcora\\Recibos dos Arquivos com Informações do Estoque Mensal do "
    "Estabelecimento";

void notice(const std::string& text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

// "07122026" and "122026".
std::string ddmmyyyy(util::DayNumber day) {
    return SUBSTITUIR(util::br_date(day), "/", "");
}
std::string mmyyyy(util::DayNumber day) {
    return ddmmyyyy(day).substr(2);
}
std::string mm_slash_yyyy(util::DayNumber day) {
    return util::br_date(day).substr(3);
}

std::filesystem::path receipt_folder(std::string_view folder) {
    return data_root().map(folder);
}

// Missing folders are made; a folder that cannot be made shows up when the
// receipt is copied into it.
void make_folder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
}

bool load_printer(MaqecfRecord& printer) {
    if (ecf::load_maqecf_by_serial(glo::numfab, printer)) return true;
    notice("Máquina ECF não encontrada do BD!|Número Fabricação: " + glo::numfab);
    return false;
}

bool company_exists(std::int32_t id_empresa) {
    if (!QUERYSQL("SELECT id_empresa FROM balcora.empresa WHERE id_empresa=" +
                  std::to_string(id_empresa) + ";")
             .empty())
        return true;
    notice("Erro ao ler empresa!");
    return false;
}

// One file on its way to the authority and the row that records it.
struct Shipment {
    std::string_view table;  // "reg60m" or "estoquex"
    std::string_view key;    // its key column
    std::int32_t id = 0;
    std::string_view action;  // the client's action
    std::filesystem::path xml;
    std::filesystem::path receipt_copy;
    std::string label;  // "Redução Z - 07/12/2026 - 12", "Estoque de 11/2026"
};

bool store_receipt(const Shipment& s, const std::string& receipt) {
    const std::string table(s.table);
    const std::string sql = "UPDATE balcora." + table +
                            " SET rec_blocox=$1, sit_blocox='T', data_blocox=$2, "
                            "hora_blocox=$3 WHERE " +
                            std::string(s.key) + "=$4";
    // The receipt is the authority's text: it travels as a parameter.
    const std::string name = "blocox_receipt_" + table;
    return db::run_pipeline({{name,
                              sql,
                              {receipt, util::iso_date(today()), util::time_text(clock().now()),
                               std::to_string(s.id)}}},
                            db::report_for_table(table))
        .has_value();
}

bool copy_receipt(const std::filesystem::path& answer, const std::filesystem::path& copy) {
    std::error_code ec;
    std::filesystem::create_directories(copy.parent_path(), ec);
    if (!ec)
        std::filesystem::copy_file(answer, copy, std::filesystem::copy_options::overwrite_existing,
                                   ec);
    if (!ec) return true;
    prompt().message(
        "Erro", "Erro (" + std::to_string(ec.value()) + ") ao criar o arquivo " + copy.string(),
        ui::Icon::kError);
    return false;
}

// A client run: the failure of the client itself is told; an answer that
// did not come (the authority out of reach) is told as such too, since the
// operator otherwise only sees the count of pending files.
std::optional<std::filesystem::path> answer_of(const ClientRequest& request, ProgressView& view) {
    const ClientResult r = run_client(request, [&view] { view.wait(); });
    if (r.answered) return r.answer;
    notice(r.failure.empty() ? std::string("Sem resposta do Fisco (WebService). O arquivo "
                                           "continua pendente.")
                             : r.failure);
    return std::nullopt;
}

// Sends the file and records the receipt; false leaves the row pending.
bool transmit(const Shipment& s, ProgressView& view) {
    view.line("Enviando ao Fisco " + s.label);
    ClientRequest request{s.action, s.xml};
    const auto answer_file = answer_of(request, view);
    view.line("Retorno do Fisco " + s.label);
    if (!answer_file) return false;
    std::string error;
    const auto answer = read_answer(*answer_file, &error);
    if (!answer) {
        notice(error);
        return false;
    }
    const SendVerdict verdict = judge_send_answer(*answer);
    if (!verdict.received) {
        prompt().message("Retorno WebService", verdict.shown, ui::Icon::kWarning);
        return false;
    }
    // The copy first: a row marked transmitted always has its receipt file.
    // Should the update fail, the next sending is answered "already
    // received" with the same receipt.
    return copy_receipt(*answer_file, s.receipt_copy) && store_receipt(s, verdict.receipt);
}

struct PendingReduction {
    std::int32_t id = 0;
    util::DayNumber data = 0;
    long long crz = 0;
    std::int64_t gross = 0;        // cents
    std::int64_t grand_total = 0;  // cents
};

std::int64_t cents(std::string_view text) {
    return util::parse_units(util::trim(text), 2, util::ExcessDecimals::kRefuse).value_or(-1);
}

std::optional<std::vector<PendingReduction>> pending_reduction_rows(std::int32_t id_maqecf) {
    std::string sql =
        "SELECT id_reg60m, data, num_cont_red_z, vl_venda_bruta, vl_tot_geral FROM "
        "balcora.reg60m WHERE  id_maqecf=" +
        std::to_string(id_maqecf);
    if (glo::dtenvredz > 0) sql += " and data>='" + util::iso_date(glo::dtenvredz) + "'";
    sql += " AND sit_blocox='P' ORDER BY data;";
    db::SqlRecord r;
    if (!db::read_rows(sql, r)) return std::nullopt;
    std::vector<PendingReduction> rows;
    for (; r.has_row(); r.next())
        rows.push_back({static_cast<std::int32_t>(text_to_integer(r.C(1))),
                        util::parse_iso_date(r.C(2)), text_to_integer(r.C(3)), cents(r.C(4)),
                        cents(r.C(5))});
    return rows;
}

// The grand total of a reduction continues the one before it.
bool chained(std::int32_t id_maqecf, const PendingReduction& z) {
    if (z.crz < 2) return true;
    db::SqlRecord r;
    if (QUERYSQL("select vl_tot_geral from balcora.reg60m where id_maqecf=" +
                     std::to_string(id_maqecf) + " and num_cont_red_z=" + std::to_string(z.crz - 1),
                 r) != "1")
        return false;
    const std::int64_t before = cents(r.C(1));
    return z.gross >= 0 && z.grand_total >= 0 && before >= 0 && z.grand_total - z.gross == before;
}

// The day from which the reductions are known to be incomplete (a closing
// that did not finish), 0 when none.
util::DayNumber incomplete_from() {
    return util::parse_br_date(util::trim(QUERYSQL(
        "SELECT valor FROM balcora.registro WHERE chave='ERRO_REDUCAO' AND nome='REDUCAO';")));
}

void show_products_without_ncm(const std::vector<std::int32_t>& ids) {
    if (ids.empty()) return;
    std::string text = "Produtos sem NCM cadastrado!";
    for (std::int32_t id : ids) {
        const std::string name = QUERYSQL(
            "SELECT descricao FROM balcora.produto WHERE id_produto=" + std::to_string(id) + ";");
        text += "|" + SONUMEROS(std::to_string(id), 6) + " " +
                util::cut_characters(util::trim_right(name), 40);
    }
    notice(text);
}

std::string crz_label(util::DayNumber day, long long crz) {
    return util::br_date(day) + " - " + std::to_string(crz);
}

}  // namespace

void BlocoXRun::show(const std::string& text) {
    if (view_) view_->line(util::cut_characters(text, kLineWidth));
}

void BlocoXRun::execute(ProgressView& view) {
    view_ = &view;
    view.open(kCaption);
    if (action_ == kSendReductions)
        send_reductions();
    else if (action_ == kSendStock)
        send_stock();
    else if (action_ == kQueryReductions)
        query(true);
    else if (action_ == kQueryStock)
        query(false);
    else
        notice("Ação desconhecida: " + action_);
    view.close();
    view_ = nullptr;
}

void BlocoXRun::send_reductions() {
    LEARQAUXILIAR();
    MaqecfRecord printer;
    if (!load_printer(printer)) return;
    ran_ = true;
    const std::filesystem::path receipts = receipt_folder(kReductionReceipts);
    make_folder(receipts);

    std::vector<std::int32_t> without_ncm;
    bool all_sent = false;
    const auto rows = company_exists(printer.id_empresa) ? pending_reduction_rows(printer.id_maqecf)
                                                         : std::nullopt;
    const util::DayNumber incomplete = rows ? incomplete_from() : 0;
    for (const PendingReduction& z : rows.value_or(std::vector<PendingReduction>{})) {
        if (incomplete > 0 && z.data >= incomplete) {
            notice("Reg60m com pendencia!");
            all_sent = false;
            break;
        }
        show("Processando Redução Z - " + crz_label(z.data, z.crz));
        if (z.crz == 0) {
            // Today's day is not closed yet: nothing to say.
            if (z.data < today()) {
                notice("Redução Z movimento dia (" + util::br_date(z.data) +
                       ") sem registro REG60M completo!");
                all_sent = false;
            }
            break;
        }
        if (!chained(printer.id_maqecf, z)) {
            notice("Registro 60M incompleto, Favor usar a rotina Recupera REG60M!");
            all_sent = false;
            break;
        }
        const ZReductionXml file = generate_z_reduction_xml(z.id);
        if (!file.ok || !file.products_without_ncm.empty()) {
            without_ncm = file.products_without_ncm;
            all_sent = false;
            break;
        }
        Shipment s{"reg60m",
                   "id_reg60m",
                   z.id,
                   kClientSendReduction,
                   file.path,
                   receipts / ("reducaoz" + ddmmyyyy(z.data) + "-recibo.xml"),
                   "Redução Z - " + crz_label(z.data, z.crz)};
        all_sent = transmit(s, *view_);
        if (!all_sent) break;
    }

    const long long n = pending_reductions(printer.id_maqecf);
    if (all_sent) {
        GRAVAREGISTRO("balcora", "PAF-ECF", kMailReductionKey, "0");
        notice(
            "Arquivo com Informações da Redução Z do PAF-ECF transmitido com sucesso.|Pasta "
            "Recibo: " +
            receipts.string());
    } else if (n > 0) {
        prompt().beep();
        GRAVAREGISTRO("balcora", "PAF-ECF", kMailReductionKey, "1");
        prompt().message(kPendingTitle, reduction_pending_warning(n), ui::Icon::kWarning);
    }
    write_reduction_block(today(), n);
    left_ = n;
    show_products_without_ncm(without_ncm);
}

void BlocoXRun::send_stock() {
    LEARQAUXILIAR();
    MaqecfRecord printer;
    if (!load_printer(printer)) return;
    ran_ = true;
    const std::filesystem::path receipts = receipt_folder(kStockReceipts);
    make_folder(receipts);

    const TransmitStockPeriod send = [&](const StockPeriod& period,
                                         const std::filesystem::path& xml) {
        Shipment s{"estoquex",
                   "id_estoquex",
                   period.id_estoquex,
                   kClientSendStock,
                   xml,
                   receipts / ("estoque" + mmyyyy(period.periodo) + "-recibo.xml"),
                   "Estoque de " + period_label(period)};
        return transmit(s, *view_);
    };
    const StockRun run =
        run_stock_periods(printer, send, [this](const std::string& line) { show(line); });

    const long long n = pending_stock_periods(printer.id_empresa);
    if (run.last_transmitted) {
        GRAVAREGISTRO("balcora", "PAF-ECF", kMailStockKey, "0");
        notice(
            "Arquivo com Informações do Estoque Mensal do Estabelecimento transmitido com "
            "sucesso.|Pasta Recibo: " +
            receipts.string());
    } else if (n > 0) {
        prompt().beep();
        GRAVAREGISTRO("balcora", "PAF-ECF", kMailStockKey, "1");
        prompt().message(kPendingTitle, stock_pending_warning(n), ui::Icon::kWarning);
    }
    write_stock_block(n);
    left_ = n;
    if (!run.errors.empty()) offer_stock_error_report(run.errors);
}

void BlocoXRun::query(bool reductions) {
    MaqecfRecord printer;
    if (!load_printer(printer)) return;
    if (printer.num_cred_ecf == 0) {
        notice("Máquina ECF sem Número de Credenciamento!|Número Fabricação: " + glo::numfab);
        return;
    }
    if (!company_exists(printer.id_empresa)) return;
    ran_ = true;

    const std::string table = reductions ? "reg60m" : "estoquex";
    const std::string key = reductions ? "id_reg60m" : "id_estoquex";
    const std::string owner = reductions ? "id_maqecf=" + std::to_string(printer.id_maqecf)
                                         : "id_empresa=" + std::to_string(printer.id_empresa);
    const std::string transmitted =
        "FROM balcora." + table + " WHERE " + owner + " AND sit_blocox='T'";
    db::SqlRecord r;
    if (!db::read_rows("SELECT " + key + ", " + (reductions ? "data" : "periodo") +
                           ", rec_blocox, " + (reductions ? "num_cont_red_z" : "0") + " " +
                           transmitted + " ORDER BY " + (reductions ? "data" : "periodo") + ";",
                       r))
        return;
    const std::filesystem::path folder = fiscal::pafecf_folder();
    for (; r.has_row(); r.next()) {
        const std::string id(r.C(1));
        const util::DayNumber day = util::parse_iso_date(r.C(2));
        show(reductions ? "Consulta Redução Z - " + crz_label(day, text_to_integer(r.C(4)))
                        : "Consulta Estoque " + mm_slash_yyyy(day));
        const std::filesystem::path request =
            folder / (reductions ? "consultareducaoz" + ddmmyyyy(day) + ".xml"
                                 : "consultaestoque" + mmyyyy(day) + ".xml");
        std::string error;
        if (!write_query_request(request, util::trim(r.C(3)), &error)) {
            prompt().message("Erro", error, ui::Icon::kError);
            break;
        }
        const ClientResult answer_run =
            run_client({kClientQuery, request, util::trim(r.C(3))}, [this] { view_->wait(); });
        if (!answer_run.answered) {
            if (!answer_run.failure.empty()) notice(answer_run.failure);
            break;
        }
        const auto answer = read_answer(answer_run.answer, &error);
        if (!answer) {
            notice(error);
            break;
        }
        if (answer->code == "1") {
            if (!db::run_sql(
                    "UPDATE balcora." + table + " SET sit_blocox='A' WHERE " + key + "=" + id + ";",
                    db::report_for_table(table)))
                break;
        } else if (answer->code != "0") {
            const std::string shown = shown_message(answer->message);
            prompt().message("Retorno WebService",
                             shown.empty() ? "Retorno do Fisco com situação " +
                                                 shown_message(answer->code) + " sem mensagem."
                                           : shown,
                             ui::Icon::kWarning);
        }
    }
    left_ = text_to_integer(QUERYSQL("SELECT count(*) " + transmitted + ";"));
}

}  // namespace balcora::blocox

namespace balcora {

namespace {

// The run without a window: the messages tell the operator what happened.
class NoWindow final : public blocox::ProgressView {
  public:
    void open(const std::string&) override {}
    void line(const std::string&) override {}
    void close() override {}
};

}  // namespace

int BLOCOX(std::string_view acao) {
    if (glo::dtenvredz > 0 && today() < glo::dtenvredz) {
        // Bloco X does not apply yet: no notice is due.
        GRAVAREGISTRO("balcora", "PAF-ECF", blocox::kMailReductionKey, "0");
        GRAVAREGISTRO("balcora", "PAF-ECF", blocox::kMailStockKey, "0");
        return 0;
    }
    blocox::BlocoXRun run{std::string(acao)};
    if (!screens().show(run)) {
        NoWindow none;
        run.execute(none);
    }
    return run.ran() && run.left() == 0 ? 0 : 1;
}

}  // namespace balcora
