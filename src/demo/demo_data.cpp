#include "demo/demo_data.h"

#include "access/access_control.h"
#include "db/fiscal_write.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "ecf/aux_file.h"
#include "globals/globals.h"
#include "platform/file_digest.h"
#include "ui/environment.h"
#include "util/documents.h"
#include "util/ean.h"

#include <string>
#include <vector>

namespace balcora {

namespace demo {

std::string ean13(const std::string& twelve) {
    return twelve + std::to_string(CALC_DV(twelve));
}

std::string valid_cpf(const std::string& nine) {
    return util::format_cpf(nine + util::cpf_check_digits(nine).value_or("00"));
}

std::string valid_cnpj(const std::string& twelve) {
    return util::format_cnpj(twelve + util::cnpj_check_digits(twelve).value_or("00"));
}

const std::vector<Product>& products() {
    static const std::vector<Product> p = {
        {1, "789100031550", "CAFE TORRADO E MOIDO 500G", "UN", 0, "18.90", "T", "18.00", "01",
         9012100, 0},
        {2, "789600044700", "ARROZ TIPO 1 5KG", "UN", 0, "27.49", "T", "7.00", "02", 10063021, 0},
        {3, "789102001042", "FEIJAO CARIOCA 1KG", "UN", 0, "8.99", "T", "7.00", "02", 7133319, 0},
        {4, "789400098014", "OLEO DE SOJA 900ML", "UN", 0, "7.49", "T", "12.00", "03", 15079011, 0},
        {5, "789409410002", "REFRIGERANTE COLA 2L", "UN", 0, "9.99", "F", "0.00", "FF", 22021000,
         301100},
        {6, "789100010002", "CERVEJA LATA 350ML", "UN", 0, "3.79", "F", "0.00", "FF", 22030000,
         302100},
        {7, "789300001123", "LEITE UHT INTEGRAL 1L", "UN", 0, "5.29", "I", "0.00", "II", 4012010,
         0},
        {8, "789620001508", "ACUCAR REFINADO 1KG", "UN", 0, "4.79", "T", "7.00", "02", 17019900, 0},
        {9, "789110001201", "SABAO EM PO 1KG", "UN", 0, "13.90", "T", "18.00", "01", 34022000,
         1100100},
        {10, "789201021302", "PAPEL HIGIENICO 12 ROLOS", "UN", 0, "21.90", "T", "18.00", "01",
         48181000, 0},
        {11, "", "BANANA PRATA KG", "KG", 1, "6.98", "I", "0.00", "II", 8039000, 0},
        {12, "", "QUEIJO MUSSARELA KG", "KG", 1, "49.90", "T", "7.00", "02", 4061010, 0},
        {13, "789000055512", "PILHA ALCALINA AA C/2", "UN", 0, "12.50", "N", "0.00", "NN", 85061019,
         0},
    };
    return p;
}

int tax_rule_of(const Product& p) {
    std::string code = p.cod_st;
    if (code == "01") return 1;
    if (code == "02") return 2;
    if (code == "03") return 3;
    if (code == "FF") return 4;
    if (code == "II") return 5;
    return 6;
}

const std::vector<Customer>& customers() {
    static const std::vector<Customer> c = {
        {1, "JOAO DA SILVA", valid_cpf("529982247"), 2},
        {2, "MARIA APARECIDA SANTOS", valid_cpf("111444777"), 2},
        {3, "JOSE D'AVILA PEREIRA", valid_cpf("390533447"), 2},
        {4, "PADARIA PAO DOURADO LTDA", valid_cnpj("045997418000"), 1},
    };
    return c;
}

const std::vector<Seller>& sellers() {
    static const std::vector<Seller> v = {{1, "CARLOS VENDEDOR", "carlos"},
                                          {2, "FERNANDA LIMA", "fernanda"},
                                          {3, "RAFAEL COSTA", "rafael"}};
    return v;
}

}  // namespace demo

namespace {

// Runs each statement; the first failure (already shown) stops the load.
bool run_all(const std::vector<std::string>& statements) {
    for (const auto& s : statements)
        if (!db::execute(s)) return false;
    return true;
}

std::string if_missing(const std::string& table, const std::string& condition) {
    return " WHERE NOT EXISTS (SELECT 1 FROM balcora." + table + " WHERE " + condition + ")";
}

bool load_company_and_printer() {
    const std::string cnpj = demo::valid_cnpj("112223330001");
    return run_all({
               "INSERT INTO balcora.municipio (id_municipio, codigo_ibge, nome, estado) SELECT "
               "3550308, "
               "3550308, 'SAO PAULO', 'SP'" +
                   if_missing("municipio", "id_municipio=3550308"),
               "INSERT INTO balcora.empresa (id_empresa, nome, razao_social, endereco, numero, "
               "bairro, "
               "id_municipio, cnpj, inscr_estadual, inscr_municipal, email, nome_contato, cep, "
               "ativa, "
               "id_matriz, dt_estoque, hr_estoque, telefone) SELECT 1, 'MERCADINHO BALCORA', "
               "'MERCADINHO BALCORA LTDA', 'RUA DAS FLORES', 120, 'CENTRO', 3550308, " +
                   TXTSQL(cnpj) +
                   ", '110042490114', '12345678', 'contato@mercadinho.example', "
                   "'ANA SOUZA', 1001000, 1, 0, current_date, localtime(0), 1133334444" +
                   if_missing("empresa", "id_empresa=1"),
               "INSERT INTO balcora.modecf (cod_marca, cod_modelo, cod_versao, marca, modelo, "
               "versao, "
               "homologada, mfd, cv0909) SELECT 99, 1, 1, 'BALCORA', 'ECF VIRTUAL', '01.00.00', 1, "
               "1, 1" +
                   if_missing("modecf", "cod_marca=99 AND cod_modelo=1 AND cod_versao=1"),
               "INSERT INTO balcora.maqecf (id_maqecf, id_empresa, numero, marca, modelo, "
               "porta_com, "
               "modelo_doc_fiscal, num_serie, modelo_scanner, porta_com_scanner, situacao, dt1, "
               "horario_verao, gera_est_gerencial, num_prop_ecf, cod_marca, cod_modelo, "
               "cod_versao, "
               "versao_sb, data_sb, hora_sb, mf_adicional, num_cred_ecf) SELECT 1, 1, 1, "
               "'BALCORA', 'ECF VIRTUAL', 1, "
               "'2D', " +
                   TXTSQL(demo::kPrinterSerial) +
                   ", 0, 0, 'F', '2026-01-05', 0, 1, 1, 99, 1, 1, "
                   // An accreditation number: the Bloco X stock files and queries need one.
                   "'01.00.00', '2026-01-05', '08:00:00', '', 1" +
                   if_missing("maqecf", "num_serie=" + TXTSQL(demo::kPrinterSerial)),
           }) &&
           db::store_hash("empresa", demo::kCompanyId);
}

bool load_tax_rules() {
    return run_all({
        "INSERT INTO gestao.st (id_st, id_empresa, codigo, descricao, tp_operacao, ativa, "
        "ecf_cod_st, ecf_st, ecf_aliquota, aliq_pis, aliq_cofins) SELECT * FROM (VALUES "
        "(1, 1, 1, 'TRIBUTADO ICMS 18%', 'S', 1, '01', 'T', 18.00, 1.65, 7.60), "
        "(2, 1, 2, 'TRIBUTADO ICMS 7%', 'S', 1, '02', 'T', 7.00, 1.65, 7.60), "
        "(3, 1, 3, 'TRIBUTADO ICMS 12%', 'S', 1, '03', 'T', 12.00, 1.65, 7.60), "
        "(4, 1, 4, 'SUBSTITUICAO TRIBUTARIA', 'S', 1, 'FF', 'F', 0, 1.65, 7.60), "
        "(5, 1, 5, 'ISENTO', 'S', 1, 'II', 'I', 0, 0, 0), "
        "(6, 1, 6, 'NAO TRIBUTADO', 'S', 1, 'NN', 'N', 0, 0, 0)) AS v "
        "WHERE NOT EXISTS (SELECT 1 FROM gestao.st)",
        "INSERT INTO gestao.sticms (id_st, uf, cst_icms, aliq_icms) SELECT id_st, 'SP', "
        "CASE ecf_st WHEN 'T' THEN 0 WHEN 'F' THEN 60 WHEN 'I' THEN 40 ELSE 41 END, ecf_aliquota "
        "FROM gestao.st s WHERE NOT EXISTS (SELECT 1 FROM gestao.sticms i WHERE i.id_st=s.id_st)",
    });
}

bool load_products() {
    for (const auto& p : demo::products()) {
        const std::string id = std::to_string(p.id);
        const std::string barcode = *p.prefix12 ? demo::ean13(p.prefix12) : std::string();
        char code[16];
        std::snprintf(code, sizeof code, "%06d", p.id);
        bool ok = db::execute(
            "INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, descricao, unidade, "
            "vendido_peso, iat, ippt, preco_venda1, preco_venda2, preco_venda3, ecf_st, "
            "ecf_aliquota, ecf_cod_st, qtd_estoque, vl_estoque, dt_estoque, ativo, data, refer, "
            "cod_st, taxa_comissao, cod_ncm, cest, origem, aliq_pis, aliq_cofins, aliq_federal, "
            "aliq_estadual, aliq_municipal) SELECT " +
            id + ", " + TXTSQL(code) + ", " + TXTSQL(barcode) + ", " + TXTSQL(p.descricao) + ", " +
            TXTSQL(p.unidade) + ", " + std::to_string(p.vendido_peso) + ", 'A', 'T', " + p.preco +
            ", " + p.preco + ", " + p.preco + ", " + TXTSQL(p.ecf_st) + ", " + p.aliquota + ", " +
            TXTSQL(p.cod_st) + ", 100, 0, current_date, 1, current_date, " +
            TXTSQL(std::string("REF-") + code) + ", " + std::to_string(demo::tax_rule_of(p)) +
            ", 1.50, " + std::to_string(p.ncm) + ", " + std::to_string(p.cest) +
            ", 0, 1.65, 7.60, 13.45, 18.00, 0" + if_missing("produto", "id_produto=" + id));
        if (!ok || !db::store_hash("produto", p.id)) return false;
    }
    // A six-pack of the soft drink sells six units per scan; alternative codes
    // are kept as 14 zero-filled digits.
    return db::execute("INSERT INTO balcora.codbarra (codigo, id_produto, fator) SELECT " +
                       TXTSQL("0" + demo::ean13("789409410099")) + ", 5, 6" +
                       if_missing("codbarra", "id_produto=5"));
}

bool load_people() {
    std::vector<std::string> s;
    for (const auto& c : demo::customers())
        s.push_back(
            "INSERT INTO balcora.cliente (id_cliente, ativo, pesso, consfinal, cgcpf, nome, "
            "razao, ender, bairr, cep, id_municipio, uf, telef, limcred, lib_cred, data) "
            "SELECT " +
            std::to_string(c.id) + ", 1, " + std::to_string(c.pessoa) + ", 1, " + TXTSQL(c.doc) +
            ", " + TXTSQL(std::string(c.nome).substr(0, 40)) + ", " + TXTSQL(c.nome) +
            ", 'RUA DAS PALMEIRAS, 45', 'CENTRO', '01001-000', "
            "3550308, 'SP', '(11) 3333-4444', 1500.00, 1, current_date" +
            if_missing("cliente", "id_cliente=" + std::to_string(c.id)));
    s.push_back(
        "SELECT setval('balcora.cliente_id_cliente_seq', GREATEST((SELECT max(id_cliente) "
        "FROM balcora.cliente), 1))");
    for (const auto& v : demo::sellers()) {
        const std::string id = std::to_string(v.id);
        s.push_back(
            "INSERT INTO balcora.vendedor (id_vendedor, ativo, tipo, nome, login, taxa_com, "
            "forma_pag, id_empresa, codigo, data) SELECT " +
            id + ", 1, 1, " + TXTSQL(v.nome) + ", " + TXTSQL(v.login) + ", 2.00, 'F', 1, " + id +
            ", current_date" + if_missing("vendedor", "id_vendedor=" + id));
    }
    return run_all(s);
}

bool load_developer_identification() {
    const char* keys[][2] = {
        {"cnpj", "98765432000198"},
        {"ie", "110042490114"},
        {"im", "98765"},
        {"razao", "BALCORA SISTEMAS DE AUTOMACAO COMERCIAL LTDA"},
        {"endereco", "AVENIDA PAULISTA, 1000"},
        {"municipio", "SAO PAULO"},
        {"uf", "SP"},
        {"fone", "1130000000"},
        {"contato", "SUPORTE BALCORA"},
        {"nomesoft", "Balcora PDV"},
        {"versaosoft", "1.0"},
        {"er-paf-ecf", "02.06"},
        {"laudo", "BAL0012026"},
        {"laudo-data", "05/01/2026"},
        {"num_credenciamento", "000001"},
    };
    for (auto& k : keys)
        if (LEREGISTRO("balcora", "Desenvolvedor PAF-ECF", k[0], "\x01") == "\x01" &&
            !GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", k[0], k[1]))
            return false;
    // The demo shop has no back office: its communication program is not
    // started, so the first start does not stop on a missing program.
    if (LEREGISTRO("balcora", "PAF-ECF", "IniAutRetaguarda", "\x01") == "\x01" &&
        !GRAVAREGISTRO("balcora", "PAF-ECF", "IniAutRetaguarda", "0"))
        return false;
    return true;
}

bool write_aux_file() {
    glo::numfab = demo::kPrinterSerial;
    glo::vlgt = {};
    glo::md5exe = platform::md5_of_file(platform::own_executable());
    glo::pafsn = 0;
    return ecf::install_aux_file();
}

}  // namespace

bool load_demo_data() {
    DEFINEHASH();
    {
        db::Transaction tx;
        if (!tx.begun() || !load_company_and_printer() || !load_tax_rules() || !load_products() ||
            !load_people() || !load_developer_identification() || !access::ensure_demo_operator() ||
            !tx.commit())
            return false;
    }
    if (!ecf::aux_file_path().empty() && std::filesystem::exists(ecf::aux_file_path())) return true;
    return write_aux_file();
}

bool load_demo_inventories() {
    const std::string today = DTSQL(balcora::today());
    const std::string periods =
        "(SELECT DISTINCT m::date AS periodo, (m + interval '1 month' - interval '1 day')::date "
        "AS dia FROM (VALUES (date_trunc('year', " +
        today +
        "::date) - interval '1 month'), "
        "(date_trunc('month', " +
        today + "::date) - interval '1 month')) AS v(m)) AS d";
    db::Transaction tx;
    return tx.begun() &&
           run_all({
               "INSERT INTO balcora.estinventario (id_empresa, data, id_produto, qtdade, valor, "
               "qt_tot_aquisicao, vl_tot_aquisicao, vl_tot_icmsdebforne, vl_bc_calcicmsst, "
               "vl_tot_icmsst) SELECT 1, d.dia, p.id_produto, p.qtd_estoque, c.valor, "
               "p.qtd_estoque, "
               "c.valor, round(c.valor * p.ecf_aliquota / 100, 2), 0, 0 FROM " +
                   periods +
                   " CROSS JOIN balcora.produto p CROSS JOIN LATERAL (SELECT round(p.qtd_estoque * "
                   "p.preco_venda1 * 0.6, 2) AS valor) c WHERE NOT EXISTS (SELECT 1 FROM "
                   "balcora.estinventario i WHERE i.id_empresa=1 AND i.data=d.dia) ORDER BY d.dia, "
                   "p.id_produto",
               "INSERT INTO balcora.estoquex (id_empresa, periodo, sit_blocox, lib_env) SELECT 1, "
               "d.periodo, 'P', 'S' FROM " +
                   periods +
                   " WHERE NOT EXISTS (SELECT 1 FROM balcora.estoquex x WHERE x.id_empresa=1 AND "
                   "x.periodo=d.periodo)",
           }) &&
           tx.commit();
}

}  // namespace balcora
