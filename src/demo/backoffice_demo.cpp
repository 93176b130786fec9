#include "demo/backoffice_demo.h"

#include "backoffice/backoffice_database.h"
#include "backoffice/backoffice_link.h"
#include "db/connection_settings.h"
#include "db/literals.h"
#include "db/pg_handles.h"
#include "db/settings.h"
#include "demo/demo_data.h"

#include <cstdio>
#include <vector>

namespace balcora {

namespace {

constexpr int kShadow = demo::kCompanyId + 9000;
constexpr int kSaoPaulo = 3550308;

std::string code_of(int id) {
    char code[16];
    std::snprintf(code, sizeof code, "%06d", id);
    return code;
}

std::vector<std::string> registers() {
    std::vector<std::string> s;
    const std::string cnpj = demo::valid_cnpj("112223330001");
    s.push_back(
        "INSERT INTO gestao.municipio (id_municipio, codigo_ibge, codigo_estadual, nome, estado, "
        "id_regiao, populacao, dt_atual) VALUES (3550308, 3550308, 1004, 'SAO PAULO', 'SP', 1, "
        "11451245, current_date - 30), (3509502, 3509502, 1005, 'CAMPINAS', 'SP', 1, 1139047, "
        "current_date)");
    s.push_back(
        "INSERT INTO kontora.empresas (id_empresa, nome, razao_social, endereco, numero, bairro, "
        "id_municipio, cnpj, inscr_estadual, inscr_municipal, email, nome_contato, cep, ativa, "
        "id_matriz, telefone, login_default, tol_notas, tol_cheques, taxa_juros) VALUES "
        "(1, 'MERCADINHO BALCORA', 'MERCADINHO BALCORA LTDA', 'RUA DAS FLORES', 120, 'CENTRO', "
        "3550308, " +
        TXTSQL(cnpj) +
        ", '110042490114', '12345678', 'contato@mercadinho.example', 'ANA SOUZA', 1001000, 1, 0, "
        "1133334444, 'caixa', 0, 0, 2.00), (9001, 'MERCADINHO BALCORA (GER)', "
        "'MERCADINHO BALCORA LTDA', 'RUA DAS FLORES', 120, 'CENTRO', 3550308, " +
        TXTSQL(cnpj) + ", '110042490114', '12345678', NULL, NULL, 1001000, 0, 1, 1133334444, " +
        "NULL, 0, 0, 2.00)");
    s.push_back(
        "INSERT INTO gestao.empresa (id_empresa, id_matriz, nome) VALUES (1, 1, 'MERCADINHO "
        "BALCORA'), (9001, 1, 'MERCADINHO BALCORA (GER)')");
    s.push_back(
        "INSERT INTO kontora.maqecf (id_maqecf, id_empresa, numero, marca, modelo, porta_com, "
        "modelo_doc_fiscal, num_serie, modelo_scanner, porta_com_scanner, situacao, dt1, "
        "horario_verao, gera_est_gerencial, num_subst_proprietario, cod_marca, cod_modelo, "
        "cod_versao, cpd_ativo) VALUES (1, 1, 1, 'BALCORA', 'ECF VIRTUAL', 1, '2D', " +
        TXTSQL(demo::kPrinterSerial) + ", 0, 0, 'F', '2026-01-05', 0, 1, 1, 99, 1, 1, '1')");
    s.push_back(
        "INSERT INTO gestao.st (id_st, id_empresa, codigo, descricao, aliq_pis, aliq_cofins) "
        "VALUES (1, 1, 1, 'TRIBUTADO ICMS 18%', 1.65, 7.60), (2, 1, 2, 'TRIBUTADO ICMS 7%', 1.65, "
        "7.60), (3, 1, 3, 'TRIBUTADO ICMS 12%', 1.65, 7.60), (4, 1, 4, 'SUBSTITUICAO "
        "TRIBUTARIA', 1.65, 7.60), (5, 1, 5, 'ISENTO', 0, 0), (6, 1, 6, 'NAO TRIBUTADO', 0, 0)");
    s.push_back(
        "INSERT INTO kontora.stecf (id_maqecf, id_st, ecf_cod_st, ecf_st, ecf_aliquota) VALUES "
        "(1, 1, '01', 'T', 18.00), (1, 2, '02', 'T', 7.00), (1, 3, '03', 'T', 12.00), "
        "(1, 4, 'FF', 'F', 0), (1, 5, 'II', 'I', 0), (1, 6, 'NN', 'N', 0)");
    for (const auto& v : demo::sellers())
        s.push_back(
            "INSERT INTO kontora.vendedor (id, id_empresa, ativo, tipo, nome, ender, bairro, "
            "id_municipio, cep, fone, e_mail, data, taxa_com, forma_pag) VALUES (" +
            std::to_string(v.id) + ", 1, 1, 1, " + TXTSQL(v.nome) +
            ", 'RUA DAS FLORES, 10', 'CENTRO', 3550308, '01001-000', '(11) 3333-0000', " +
            TXTSQL(std::string(v.login) + "@mercadinho.example") +
            ", current_date - 30, 2.00, 'F')");
    for (const auto& c : demo::customers())
        s.push_back(
            "INSERT INTO kontora.clientes (id_cliente, id_empresa, codigo, data_atual, ativo, "
            "pesso, consfinal, cgcpf, nome, razao, ender, bairr, cep, id_municipio, uf, telef, "
            "limcred, lib_cred, data) VALUES (" +
            std::to_string(c.id) + ", 1, " + std::to_string(c.id) + ", current_date - 30, 1, " +
            std::to_string(c.pessoa) + ", 1, " + TXTSQL(c.doc) + ", " +
            TXTSQL(std::string(c.nome).substr(0, 40)) + ", " + TXTSQL(c.nome) +
            ", 'RUA DAS PALMEIRAS, 45', 'CENTRO', '01001-000', 3550308, 'SP', '(11) 3333-4444', "
            "1500.00, 1, current_date - 30)");
    // A client registered in the back office today, from the neighbouring town.
    s.push_back(
        "INSERT INTO kontora.clientes (id_cliente, id_empresa, codigo, data_atual, ativo, pesso, "
        "consfinal, cgcpf, nome, razao, ender, bairr, cep, id_municipio, uf, telef, limcred, "
        "lib_cred, data) VALUES (5, 1, 5, current_date, 1, 2, 1, " +
        TXTSQL(demo::valid_cpf("123456789")) +
        ", 'LUCIA FERREIRA', 'LUCIA FERREIRA', 'AVENIDA BRASIL, 900', 'CAMBUI', '13025-000', "
        "3509502, 'SP', '(19) 3232-1010', 800.00, 1, current_date)");
    return s;
}

std::vector<std::string> products() {
    std::vector<std::string> s;
    for (const auto& p : demo::products()) {
        const std::string id = std::to_string(p.id);
        const std::string barcode = *p.prefix12 ? demo::ean13(p.prefix12) : std::string();
        s.push_back(
            "INSERT INTO kontora.produto (id, codigo, codigo_barras, nome, unida, categ, "
            "preco_venda1, preco_venda2, preco_venda3, ativo, data_atual, cod_st, cod_ncm, "
            "ex_tipi, cest) VALUES (" +
            id + ", " + TXTSQL(code_of(p.id)) + ", " + TXTSQL(barcode) + ", " +
            TXTSQL(p.descricao) + ", " + TXTSQL(p.unidade) + ", 1, " + p.preco + ", " + p.preco +
            ", " + p.preco + ", 1, current_date - 30, " + std::to_string(demo::tax_rule_of(p)) +
            ", " + std::to_string(p.ncm) + ", '', " + std::to_string(p.cest) + ")");
        s.push_back(
            "INSERT INTO gestao.ibptax (codigo, ex, tabela, descricao, aliqnac, aliqimp, "
            "estadual, municipal) SELECT " +
            TXTSQL(std::to_string(p.ncm)) +
            ", '', 0, NULL, 13.45, 15.45, 18.00, 0 WHERE NOT EXISTS (SELECT 1 FROM gestao.ibptax "
            "WHERE codigo=" +
            TXTSQL(std::to_string(p.ncm)) + " AND ex='' AND tabela=0)");
        s.push_back(
            "INSERT INTO kontora.estoque (id_empresa, id_estlocal, id_produto, qtdade, valor, "
            "data_atual) VALUES (1, 1, " +
            id + ", 100, 100 * " + p.preco + " * 0.6, current_date - 1)");
        s.push_back(
            "INSERT INTO gestao.estsaldo (id_empresa, id_estlocal, id_produto, qtdade, valor, "
            "data) VALUES (1, 1, " +
            id + ", 100, 100 * " + p.preco + " * 0.6, current_date - 1)");
    }
    // The coffee's price went up today: the changed-only update brings it in.
    s.push_back(
        "UPDATE kontora.produto SET preco_venda1=19.90, preco_venda2=19.90, preco_venda3=19.90, "
        "data_atual=current_date WHERE id=1");
    // Rice also sells by a second barcode (the bag of another supplier).
    s.push_back(
        "INSERT INTO kontora.gradeprod (id_produto, variante, codigo_barras) VALUES (2, "
        "'FORNECEDOR B', " +
        TXTSQL(demo::ean13("789600044799")) + ")");
    // A basket made of other products, new to the checkout.
    s.push_back(
        "INSERT INTO kontora.produto (id, codigo, codigo_barras, nome, unida, categ, preco_venda1, "
        "preco_venda2, preco_venda3, ativo, data_atual, cod_st, cod_ncm, ex_tipi, cest) VALUES "
        "(14, '000014', " +
        TXTSQL(demo::ean13("789000099914")) +
        ", 'CESTA BASICA PEQUENA', 'UN', 2, 59.90, 59.90, 59.90, 1, current_date, 2, 10063021, "
        "'', 0)");
    s.push_back(
        "INSERT INTO kontora.estrutura (id_estrutura, id_empresa, id_produto, versao) VALUES (1, "
        "1, "
        "14, 'ITP')");
    s.push_back(
        "INSERT INTO kontora.estruturad (id_estruturad, id_estrutura, id_produto, qtdade) VALUES "
        "(1, 1, 2, 1), (2, 1, 3, 2), (3, 1, 8, 1), (4, 1, 4, 1)");
    return s;
}

std::vector<std::string> payment_forms() {
    return {
        "INSERT INTO gestao.formapag (id_formapag, id_empresa, codigo, descr, numparc, arred, "
        "ind_formapag) VALUES (1, 1, 1, 'A VISTA', 1, 0.01, 0), (2, 1, 2, '30/60 DIAS', 2, 0.01, "
        "1), "
        "(3, 1, 3, 'CREDIARIO DA LOJA', 1, 0.01, 1)",
        "INSERT INTO gestao.prazopag (id_formapag, numparc, prazo, porpag) VALUES (1, 1, 0, 100), "
        "(2, 1, 30, 50), (2, 2, 60, 50), (3, 1, 0, 100)",
    };
}

// One order of the store and its twin in the shadow company.
std::string order(int id, int num_pv, int numero, int client, const char* total, int seller,
                  int form, const char* discount) {
    auto row = [&](int order_id, int company) {
        return "(" + std::to_string(order_id) + ", " + std::to_string(company) + ", " +
               std::to_string(num_pv) + ", " + std::to_string(numero) + ", current_date, " +
               std::to_string(client) + ", " + total + ", " + std::to_string(seller) + ", " +
               std::to_string(form) + ", " + discount + ", 0, 2, '2D', " + std::to_string(num_pv) +
               ")";
    };
    return "INSERT INTO kontora.pedidos (id_pedido, id_empresa, num_pv, numero, data, clien, "
           "total, cod_vendedor, cod_formapag, descv, acrev, situa, mod_docfiscal_vinc, "
           "numero_dia) VALUES " +
           row(id, demo::kCompanyId) + ", " + row(id + 100, kShadow);
}

std::vector<std::string> pre_sales() {
    std::vector<std::string> s;
    // 1: coffee and rice, 23.88 down in cash and two store-credit titles.
    s.push_back(order(1, 1, 1001, 1, "73.88", 1, 3, "0"));
    s.push_back(
        "INSERT INTO kontora.peditens (id_pedido, ordem, produ, qtd, pruni, descv, total, comis, "
        "vl_desconto, status) VALUES (1, 1, 2, 2, 27.49, 0, 54.98, 1.10, 0, 0), "
        "(1, 2, 1, 1, 18.90, 0, 18.90, 0.38, 0, 0)");
    s.push_back(
        "INSERT INTO kontora.recbtos (id_pedido, forma, valor, docto, bom) VALUES (1, 1, 23.88, "
        "'', NULL)");
    s.push_back(
        "INSERT INTO kontora.ctr (id_empresa, id_pedido, prefixo, numero, docto, vecto, valor, "
        "situacao) VALUES (1, 1, 'PV', '1001-1', 'PV 1001', current_date + 30, 25.00, 'A'), "
        "(1, 1, 'PV', '1001-2', 'PV 1001', current_date + 60, 25.00, 'A'), "
        "(9001, 101, 'PV', '1001-1', 'PV 1001', current_date + 30, 25.00, 'A'), "
        "(9001, 101, 'PV', '1001-2', 'PV 1001', current_date + 60, 25.00, 'A')");
    // 2: oil and beans on the 30/60-day terms of the form, nothing down.
    s.push_back(order(2, 2, 1002, 2, "40.45", 2, 2, "0"));
    s.push_back(
        "INSERT INTO kontora.peditens (id_pedido, ordem, produ, qtd, pruni, descv, total, comis, "
        "vl_desconto, status) VALUES (2, 1, 4, 3, 7.49, 0, 22.47, 0.45, 0, 0), "
        "(2, 2, 3, 2, 8.99, 0, 17.98, 0.36, 0, 0)");
    // 3: the bakery's cleaning goods with a discount on each item, paid in cash.
    s.push_back(order(3, 3, 1003, 4, "45.82", 3, 1, "3.88"));
    s.push_back(
        "INSERT INTO kontora.peditens (id_pedido, ordem, produ, qtd, pruni, descv, total, comis, "
        "vl_desconto, status) VALUES (3, 1, 9, 2, 13.90, 2.78, 25.02, 0.50, 2.78, 0), "
        "(3, 2, 10, 1, 21.90, 1.10, 20.80, 0.42, 1.10, 0)");
    s.push_back(
        "INSERT INTO kontora.recbtos (id_pedido, forma, valor, docto, bom) VALUES (3, 1, 45.82, "
        "'', NULL)");
    s.push_back("SELECT setval('kontora.pedidos_id_pedido_seq', 200)");
    // A document the back office queued for the fiscal printer.
    s.push_back(
        "INSERT INTO gestao.spoolecf (id_docto, id_empresa, titulo, linha, situacao) VALUES "
        "('ORC-1001', 1, 'ORCAMENTO 1001', 'ORCAMENTO 1001 - JOAO DA SILVA', 'L'), "
        "('ORC-1001', 1, 'ORCAMENTO 1001', '', 'L'), "
        "('ORC-1001', 1, 'ORCAMENTO 1001', '2 X ARROZ TIPO 1 5KG          54,98', 'L'), "
        "('ORC-1001', 1, 'ORCAMENTO 1001', 'VALIDO POR 5 DIAS', 'L')");
    return s;
}

}  // namespace

bool load_backoffice_demo(const std::string& conninfo, std::string* error) {
    std::string why;
    auto conn = db::PgConnection::open(conninfo, &why);
    if (!conn) {
        *error = "Não foi possível conectar ao banco da retaguarda: " + why;
        return false;
    }
    // The literals below are written as the program writes them.
    for (const char* setting :
         {"SET client_encoding = 'UTF8'", "SET standard_conforming_strings = off",
          "SET escape_string_warning = off"})
        conn->exec(setting);
    auto present = conn->exec("SELECT 1 FROM kontora.empresas WHERE id_empresa = 1");
    if (!present.ok()) {
        *error = "Banco da retaguarda sem as tabelas: " + present.error_message();
        return false;
    }
    if (present.rows() > 0) return true;
    std::vector<std::string> all{"BEGIN"};
    for (auto part : {registers(), products(), payment_forms(), pre_sales()})
        all.insert(all.end(), part.begin(), part.end());
    all.push_back("COMMIT");
    for (const auto& statement : all) {
        auto r = conn->exec(statement);
        if (!r.ok()) {
            *error = r.error_message() + "\nComando SQL: " + statement;
            conn->exec("ROLLBACK");
            return false;
        }
    }
    return true;
}

bool point_settings_at_backoffice(const backoffice::LinkSettings& link) {
    if (!backoffice::write_link_settings(link)) return false;
    const std::pair<const char*, std::string> update[] = {
        {"ip", link.type == backoffice::ConnectionType::kIp ? link.servidor : link.ip},
        {"db", link.database},
        {"user", link.usuario},
        {"senha", link.senha},
        {"porta", std::to_string(link.porta)},
        {"empresa", std::to_string(demo::kCompanyId)},
        {"num_ecf", "1"},
        {"marca", "BALCORA"},
        {"modelo", "ECF VIRTUAL"},
        {"tp_preco", "1"},
    };
    for (const auto& [key, value] : update)
        if (!GRAVAREGISTRO("balcora", "atbalcora", key, value)) return false;
    return true;
}

bool point_link_at_backoffice_demo(const platform::DataRoot& root) {
    const int port = db::read_connection_settings(root).port;
    backoffice::LinkSettings link;
    link.type = backoffice::ConnectionType::kIp;
    link.servidor = "127.0.0.1";
    link.ip = "127.0.0.1";
    link.database = std::string(backoffice::kBackofficeDatabase);
    link.usuario = std::string(db::kRoleName);
    link.senha = std::string(backoffice::kPasswordFromFile);
    link.porta = port > 0 ? port : db::kDefaultPort;
    // The demonstration has no communication program to start.
    link.ini_aut = false;
    // The coupon browse offers the pre-sales and the print spool.
    return point_settings_at_backoffice(link) &&
           GRAVAREGISTRO("balcora", "PAF-ECF", "PreVenda", "1") &&
           GRAVAREGISTRO("balcora", "PAF-ECF", "DAV", "1");
}

}  // namespace balcora
