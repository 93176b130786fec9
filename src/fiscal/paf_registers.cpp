#include "fiscal/paf_registers.h"

#include "db/database.h"
#include "db/field_writer.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/aux_file.h"
#include "fiscal/ead_signing.h"
#include "fiscal/paf_register_blocks.h"
#include "globals/globals.h"
#include "log/operation_log.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace balcora::fiscal {

namespace {

void notice(const std::string& text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}
void error(const std::string& text) {
    prompt().message("Erro", text, ui::Icon::kError);
}

bool check_request(const RegistersRequest& r) {
    if (r.start <= 0 || r.end <= 0) {
        notice("Período inválido!");
        return false;
    }
    if (r.start > r.end) {
        notice("A data inicial é posterior à data final!");
        return false;
    }
    if (r.stock_option == 2 && r.products.empty()) {
        notice("Selecione ao menos um produto para o estoque parcial!");
        return false;
    }
    return true;
}

bool load_company(RegistersContext& c) {
    db::SqlRecord rec;
    QUERYSQL(
        "SELECT coalesce(razao_social,'') AS razao_social, coalesce(cnpj,'') AS cnpj, "
        "coalesce(inscr_estadual,'') AS inscr_estadual, "
        "coalesce(inscr_municipal,'') AS inscr_municipal, "
        "coalesce(to_char(nullif(dt_estoque,'" +
            std::string(kClearedDateText) +
            "'),'YYYYMMDD'),'') AS dt_estoque, "
            "coalesce(to_char(hr_estoque,'HH24MISS'),'') AS hr_estoque, " +
            db::hash_intact_column("empresa") +
            " AS intact FROM balcora.empresa WHERE id_empresa=" + std::to_string(c.id_empresa),
        rec);
    c.razao_social = util::trim(rec.text("razao_social"));
    c.cnpj = util::trim(rec.text("cnpj"));
    if (c.razao_social.empty()) {
        notice("Favor cadastrar o nome da empresa!");
        return false;
    }
    if (c.cnpj.empty()) {
        notice("Favor cadastrar o CNPJ da empresa!");
        return false;
    }
    c.inscr_estadual = util::trim(rec.text("inscr_estadual"));
    c.inscr_municipal = util::trim(rec.text("inscr_municipal"));
    if (c.inscr_estadual.empty()) notice("Favor cadastrar o Inscrição Estadual da empresa!");
    if (c.inscr_municipal.empty()) notice("Favor cadastrar o Inscrição Municipal da empresa!");
    c.dt_estoque = std::string(rec.text("dt_estoque"));
    c.hr_estoque = std::string(rec.text("hr_estoque"));
    c.company_intact = rec.flag("intact");
    return true;
}

struct Model {
    std::string cod_marca, cod_modelo, cod_versao;
};

constexpr const char* kPrinterColumns =
    "SELECT id_maqecf, coalesce(num_serie,'') AS num_serie, coalesce(marca,'') AS marca, "
    "coalesce(modelo,'') AS modelo, coalesce(mf_adicional,'') AS mf_adicional, "
    "coalesce(versao_sb,'') AS versao_sb, coalesce(num_prop_ecf::text,'') AS num_prop_ecf, "
    "coalesce(to_char(data_sb,'YYYYMMDD'),'') AS data_sb, "
    "coalesce(to_char(hora_sb,'HH24MISS'),'') AS hora_sb, "
    "lpad(coalesce(numero,0)::text,3,'0') AS numero, coalesce(cod_marca,0) AS cod_marca, "
    "coalesce(cod_modelo,0) AS cod_modelo, coalesce(cod_versao,0) AS cod_versao, ";

// The authorised printer, or the one used last when the auxiliary file names
// none that is registered.
bool load_printer(RegistersContext& c, Model& m) {
    const std::string columns = kPrinterColumns + db::hash_intact_column("maqecf") + " AS intact";
    db::SqlRecord rec;
    QUERYSQL(columns + " FROM balcora.maqecf WHERE num_serie=" + TXTSQL(glo::numfab) + ";", rec);
    if (!rec.has_row())
        QUERYSQL(columns + " FROM balcora.maqecf ORDER BY data_sit DESC NULLS LAST LIMIT 1;", rec);
    if (!rec.has_row()) {
        notice("Máquina ECF # " + glo::numfab + " inválida");
        return false;
    }
    c.id_maqecf = text_to_integer(rec.text("id_maqecf"));
    c.num_serie = rec.text("num_serie");
    c.marca = rec.text("marca");
    c.modelo = rec.text("modelo");
    c.mf_adicional = rec.text("mf_adicional");
    c.versao_sb = util::trim(rec.text("versao_sb"));
    c.num_prop_ecf = rec.text("num_prop_ecf");
    c.data_sb = rec.text("data_sb");
    c.hora_sb = rec.text("hora_sb");
    c.numero = rec.text("numero");
    m = {std::string(rec.text("cod_marca")), std::string(rec.text("cod_modelo")),
         std::string(rec.text("cod_versao"))};
    c.printer_intact = rec.flag("intact");
    if (c.versao_sb.empty()) {
        notice("Sem versão do SB! Favor executar redução \"Z\" para atualizar versão!");
        return false;
    }
    db::SqlRecord model;
    QUERYSQL("SELECT id_modecf FROM balcora.modecf WHERE cod_marca=" + m.cod_marca +
                 " AND cod_modelo=" + m.cod_modelo + " AND cod_versao=" + m.cod_versao,
             model);
    if (!model.has_row()) {
        notice("Marca/Modelo/Versão da ECF não encontrado!|Marca: " + c.marca +
               "|Modelo: " + c.modelo + "|Versão: " + m.cod_versao);
        return false;
    }
    return true;
}

bool check_products(const RegistersContext& c) {
    if (!c.partial_stock) return true;
    std::string list;
    for (std::int64_t id : c.products) list += (list.empty() ? "" : ",") + std::to_string(id);
    db::SqlRecord rec;
    if (!db::read_rows(
            "SELECT string_agg(id::text, ', ' ORDER BY id) AS missing FROM unnest(ARRAY[" + list +
                "]::bigint[]) id WHERE NOT EXISTS (SELECT 1 FROM balcora.produto p "
                "WHERE p.id_produto=id)",
            rec))
        return false;
    // The list as the message always showed it: at most 254 characters.
    const std::string_view missing = rec.text("missing", 254);
    if (missing.empty()) return true;
    notice("Produto(s) não cadastrado(s): " + std::string(missing));
    return false;
}

std::string two_digits(std::string_view n) {
    return SONUMEROS(n, 2);
}

std::string ddmmyyyy(util::DayNumber d) {
    const std::string iso = util::iso_date(d);
    return iso.substr(8, 2) + iso.substr(5, 2) + iso.substr(0, 4);
}

// The reads of one generation share one snapshot, so the blocks agree with
// each other even while sales go on; cursors need the transaction anyway.
class ReadSnapshot {
  public:
    ReadSnapshot() {
        db::PgConnection* conn = db::connection();
        if (conn && PQtransactionStatus(conn->get()) == PQTRANS_IDLE)
            own_ = db::run_sql("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY;").has_value();
    }
    ~ReadSnapshot() {
        if (own_) db::run_sql("ROLLBACK;", db::report_nothing);
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

  private:
    bool own_ = false;
};

// The payments without a COO take their coupon's, and those whose digest was
// intact get the digest of what they hold now.
void backfill_payment_coo(const RegistersContext& c) {
    if (c.coo_backfill.empty()) return;
    auto list = [](const std::vector<std::int64_t>& ids) {
        std::string out;
        for (std::int64_t id : ids) out += (out.empty() ? "" : ",") + std::to_string(id);
        return out;
    };
    std::string sql =
        "BEGIN; UPDATE balcora.cfiscalfp p SET num_coo=c.numero FROM "
        "balcora.cfiscal c WHERE c.id_cfiscal=p.id_cfiscal AND p.id_cfiscalfp IN (" +
        list(c.coo_backfill) + ");";
    if (!c.coo_backfill_rehash.empty())
        sql += " update balcora.cfiscalfp set hash=" + db::hash_expression("cfiscalfp") +
               " where id_cfiscalfp IN (" + list(c.coo_backfill_rehash) + ");";
    if (db::run_sql(sql + " COMMIT;")) return;
    db::run_sql("ROLLBACK;", db::report_nothing);
}

void log_step(const RegistersRequest& r, const char* text) {
    if (r.from_day_close) GRAVALOG("FUN", "fechadia", std::to_string(r.end), text);
}

// Every block in the file's order; `done` gathers the log line of each group
// completed (written once the read-only snapshot is over).
bool write_blocks(RegistersContext& c, std::vector<const char*>& done) {
    if (!write_u1(c) || !write_a2(c)) return false;
    done.push_back("Reg. Meio Pagamento");
    if (!write_p2(c)) return false;
    done.push_back("Reg. Tab. Produto");
    if (!write_e2(c) || !write_e3(c)) return false;
    done.push_back("Reg. Estoque");
    if (!write_r01(c) || !write_r02(c) || !write_r03(c) || !write_r04(c) || !write_r05(c) ||
        !write_r06(c) || !write_r07(c))
        return false;
    done.push_back("Reg. Movimento");
    if (!write_j1(c)) return false;
    done.push_back("Reg. NF1");
    if (!write_j2(c)) return false;
    done.push_back("Reg. NF2");
    return true;
}

// Removes the working copy unless it became the file.
class WorkingFile {
  public:
    explicit WorkingFile(std::filesystem::path p) : path_(std::move(p)) {}
    ~WorkingFile() {
        std::error_code ec;
        if (!kept_) std::filesystem::remove(path_, ec);
    }
    WorkingFile(const WorkingFile&) = delete;
    WorkingFile& operator=(const WorkingFile&) = delete;
    const std::filesystem::path& path() const { return path_; }
    void keep() { kept_ = true; }

  private:
    std::filesystem::path path_;
    bool kept_ = false;
};

}  // namespace

RegistersResult generate_paf_registers(const RegistersRequest& request) {
    RegistersResult result;
    if (!check_request(request)) return result;

    // A command-line run has not been through the start-up that sets them.
    if (db::hash_expression("cfiscal").empty()) DEFINEHASH();

    RegistersContext c;
    c.id_empresa = glo::id_empresa;
    c.start = request.start;
    c.end = request.end;
    c.partial_stock = request.stock_option == 2;
    c.products = request.products;
    if (!load_company(c)) return result;
    LEARQAUXILIAR();
    Model model;
    if (!load_printer(c, model) || !check_products(c)) return result;

    const std::filesystem::path final_name =
        pafecf_folder() / (two_digits(model.cod_marca) + two_digits(model.cod_modelo) +
                           two_digits(model.cod_versao) + SONUMEROS(c.num_serie, 14) +
                           ddmmyyyy(request.from_day_close ? request.end : today()) + ".txt");
    result.file = final_name.string();
    // Written and signed under a working name beside the final one, so a
    // file under the final name is always whole and signed.
    WorkingFile work(final_name.string() + ".tmp");
    db::set_output_file_name(work.path().string());
    if (int code = db::create_output_file()) {
        error("Erro (" + std::to_string(code) + ") ao criar o arquivo " + final_name.string());
        return result;
    }

    log_step(request, "Inicia Registro PAF");
    bool written = false;
    std::vector<const char*> done;
    {
        db::OutputFileCloser closer;
        ReadSnapshot snapshot;
        c.developer_intact = db::verify_registro_hash();
        written = write_blocks(c, done);
        written = db::close_output_file() == 0 && written && !db::output_file_failed();
    }
    for (const char* step : done) log_step(request, step);
    if (!written) return result;

    if (!ASSINATURAEAD(work.path().string(), 0)) {
        error("Erro na assinatura do arquivo: " + final_name.string());
        return result;
    }
    std::error_code ec;
    std::filesystem::rename(work.path(), final_name, ec);
    if (ec) {
        error("Erro (" + std::to_string(ec.value()) + ") ao renomear o arquivo " +
              work.path().string() + " para " + final_name.string());
        return result;
    }
    work.keep();
    backfill_payment_coo(c);
    log_step(request, "Finaliza Registro PAF");
    result.ok = true;
    return result;
}

}  // namespace balcora::fiscal
