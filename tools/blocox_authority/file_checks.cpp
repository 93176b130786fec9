#include "file_checks.h"

#include "xml_security.h"

#include <cctype>
#include <cstdio>
#include <functional>
#include <vector>

namespace blocox {

namespace {

using Check = std::function<bool(const std::string&)>;

// One element of a sequence: a leaf with a check of its value, or a group
// with the sequence of its children.
struct Rule {
    const char* name;
    Check value;                 // leaves
    std::vector<Rule> children;  // groups
    bool optional = false;
    bool repeated = false;
};

Rule leaf(const char* name, Check check, bool optional = false) {
    return {name, std::move(check), {}, optional, false};
}
Rule group(const char* name, std::vector<Rule> children, bool repeated = false) {
    return {name, nullptr, std::move(children), false, repeated};
}

bool all_digits(const std::string& v) {
    if (v.empty()) return false;
    for (char c : v)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

Check digits(size_t n) {
    return [n](const std::string& v) { return v.size() == n && all_digits(v); };
}
Check digits_up_to(size_t n, bool empty_allowed) {
    return [=](const std::string& v) {
        return (v.empty() && empty_allowed) || (v.size() <= n && all_digits(v));
    };
}
Check any_text() {
    return [](const std::string& v) { return v.size() <= 500; };
}
Check filled() {
    return [](const std::string& v) { return !v.empty() && v.size() <= 500; };
}
Check one_of(std::vector<std::string> values) {
    return [values](const std::string& v) {
        for (const auto& allowed : values)
            if (v == allowed) return true;
        return false;
    };
}

// Decimal comma, no grouping, exactly `places` decimals, minus when negative.
Check decimal(size_t places) {
    return [places](const std::string& v) {
        std::string s = !v.empty() && v[0] == '-' ? v.substr(1) : v;
        auto comma = s.find(',');
        if (comma == std::string::npos || comma == 0) return false;
        return all_digits(s.substr(0, comma)) && s.size() - comma - 1 == places &&
               all_digits(s.substr(comma + 1));
    };
}

bool valid_day(const std::string& v) {
    int y, m, d;
    char tail;
    if (v.size() != 10 || v[4] != '-' || v[7] != '-') return false;
    if (std::sscanf(v.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return false;
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1 || d > days[m - 1]) return false;
    return m != 2 || d < 29 || (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0));
}

Check day() {
    return valid_day;
}

Check day_and_time() {
    return [](const std::string& v) {
        int h, mi, s;
        char tail;
        return v.size() == 19 && v[10] == 'T' && valid_day(v.substr(0, 10)) && v[13] == ':' &&
               v[16] == ':' &&
               std::sscanf(v.c_str() + 11, "%2d:%2d:%2d%c", &h, &mi, &s, &tail) == 3 && h < 24 &&
               mi < 60 && s < 60 && all_digits(v.substr(11, 2) + v.substr(14, 2) + v.substr(17));
    };
}

Check state_registration() {
    return [](const std::string& v) {
        if (v.empty() || v.size() > 14) return false;
        for (char c : v)
            if (!std::isalnum(static_cast<unsigned char>(c))) return false;
        return true;
    };
}

// A rate in five characters, right-aligned: " 7,00", "18,00"; empty when the
// product is not taxed by rate.
Check rate() {
    return [](const std::string& v) {
        if (v.empty()) return true;
        if (v.size() != 5) return false;
        std::string s = v[0] == ' ' ? v.substr(1) : v;
        return decimal(2)(s);
    };
}

std::vector<Rule> head() {
    return {group("Estabelecimento", {leaf("Ie", state_registration())}),
            group("PafEcf", {leaf("NumeroCredenciamento", filled())})};
}

Rule z_reduction() {
    Rule product =
        group("Produto",
              {leaf("Descricao", any_text()), leaf("CodigoGTIN", any_text()),
               leaf("CodigoCEST", digits_up_to(7, true)),
               leaf("CodigoNCMSH", digits_up_to(8, false), true), leaf("CodigoProprio", any_text()),
               leaf("Quantidade", decimal(3)), leaf("Unidade", any_text()),
               leaf("ValorDesconto", decimal(2)), leaf("ValorAcrescimo", decimal(2)),
               leaf("ValorCancelamento", decimal(2)), leaf("ValorTotalLiquido", decimal(2))},
              true);
    product.optional = true;
    Rule totalizer = group(
        "TotalizadorParcial",
        {leaf("Nome", filled()), leaf("Valor", decimal(2)), group("ProdutosServicos", {product})},
        true);
    std::vector<Rule> message = head();
    message.push_back(group(
        "Ecf",
        {leaf("NumeroFabricacao", filled()),
         group("DadosReducaoZ",
               {leaf("DataReferencia", day()), leaf("DataHoraEmissao", day_and_time()),
                leaf("CRZ", digits(4)),
                leaf("COO", [](const std::string& v) { return digits(6)(v) || digits(9)(v); }),
                leaf("CRO", digits(3)), leaf("VendaBrutaDiaria", digits(14)),
                leaf("GT", digits(18)), group("TotalizadoresParciais", {totalizer})})}));
    return group("ReducaoZ", {group("Mensagem", message)});
}

Rule stock() {
    Rule product =
        group("Produto",
              {leaf("Descricao", any_text()), leaf("CodigoGTIN", any_text()),
               leaf("CodigoCEST", digits_up_to(7, true)),
               leaf("CodigoNCMSH", digits_up_to(8, false), true), leaf("CodigoProprio", any_text()),
               leaf("Quantidade", decimal(3)), leaf("QuantidadeTotalAquisicao", decimal(3)),
               leaf("Unidade", any_text()), leaf("ValorUnitario", decimal(3)),
               leaf("ValorTotalAquisicao", decimal(2)),
               leaf("ValorTotalICMSDebitoFornecedor", decimal(2)),
               leaf("ValorBaseCalculoICMSST", decimal(2)), leaf("ValorTotalICMSST", decimal(2)),
               leaf("SituacaoTributaria",
                    one_of({"Isento", "Nao tributado", "Substituicao tributaria",
                            "Tributado pelo ICMS", "Tributado pelo ISSQN"}),
                    true),
               leaf("Aliquota", rate(), true), leaf("IsArredondado", one_of({"0", "1"})),
               leaf("Ippt", one_of({"Proprio", "Terceiros"})),
               leaf("SituacaoEstoque", one_of({"Positivo", "Negativo"}))},
              true);
    product.optional = true;
    std::vector<Rule> message = head();
    message.push_back(
        group("DadosEstoque", {leaf("DataReferencia", day()), group("Produtos", {product})}));
    return group("Estoque", {group("Mensagem", message)});
}

Check receipt() {
    return [](const std::string& v) { return v.size() == 36; };
}

// A receipt and, to cancel or reprocess, the reason.
Rule upkeep() {
    return group("Manutencao",
                 {group("Mensagem", {leaf("Recibo", receipt()), leaf("Motivo", filled(), true)})});
}

Rule request(const char* root, Rule asked) {
    return group(root, {group("Mensagem", {std::move(asked)})});
}

Rule rule_for(const std::string& name) {
    if (name == "ReducaoZ") return z_reduction();
    if (name == "Estoque") return stock();
    if (name == "Manutencao") return upkeep();
    if (name == "ConsultarPendenciasContribuinte" || name == "ListarArquivos")
        return request(
            name == "ListarArquivos" ? "ListarArquivos" : "ConsultarPendenciasContribuinte",
            leaf("IE", state_registration()));
    if (name == "ConsultarHistoricoArquivo" || name == "DownloadArquivo")
        return request(name == "DownloadArquivo" ? "DownloadArquivo" : "ConsultarHistoricoArquivo",
                       leaf("Recibo", receipt()));
    if (name == "ConsultarPendenciasDesenvolvedorPafEcf")
        return request("ConsultarPendenciasDesenvolvedorPafEcf", leaf("CNPJ", digits(14)));
    return Rule{};
}

bool is_signature(xmlNode* node) {
    return local_name(node) == "Signature" && node->ns &&
           std::string(reinterpret_cast<const char*>(node->ns->href)) ==
               "http://www.w3.org/2000/09/xmldsig#";
}

std::string check(xmlNode* node, const Rule& rule, const std::string& path);

// The children of `parent` against the sequence of rules, in order.
std::string check_children(xmlNode* parent, const std::vector<Rule>& rules, const std::string& path,
                           bool is_root) {
    std::vector<xmlNode*> children;
    for (xmlNode* c = parent->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE && !(is_root && is_signature(c))) children.push_back(c);
        if (c->type == XML_TEXT_NODE && !xmlIsBlankNode(c))
            return "texto fora de elemento em " + path;
    }
    size_t at = 0;
    for (const Rule& rule : rules) {
        bool seen = false;
        while (at < children.size() && local_name(children[at]) == rule.name) {
            std::string fault = check(children[at++], rule, path + "/" + rule.name);
            if (!fault.empty()) return fault;
            seen = true;
            if (!rule.repeated) break;
        }
        if (!seen && !rule.optional && !rule.repeated) {
            std::string found =
                at < children.size() ? ", encontrado " + local_name(children[at]) : "";
            return "elemento " + std::string(rule.name) + " esperado em " + path + found;
        }
    }
    if (at < children.size())
        return "elemento " + local_name(children[at]) + " inesperado em " + path;
    return {};
}

std::string check(xmlNode* node, const Rule& rule, const std::string& path) {
    if (rule.value) {
        for (xmlNode* c = node->children; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE) return "elemento " + path + " não pode ter filhos";
        std::string v = text_of(node);
        if (!rule.value(v)) return "valor inválido em " + path + ": \"" + v + "\"";
        return {};
    }
    return check_children(node, rule.children, path, false);
}

}  // namespace

std::string check_document(xmlNode* root) {
    std::string name = local_name(root);
    Rule rule = rule_for(name);
    if (!rule.name) return "documento de tipo desconhecido: " + name;
    xmlChar* version = xmlGetProp(root, reinterpret_cast<const xmlChar*>("Versao"));
    std::string v = version ? reinterpret_cast<char*>(version) : "";
    xmlFree(version);
    if (v != "1.0") return "atributo Versao de " + name + " deve ser \"1.0\"";
    return check_children(root, rule.children, name, true);
}

std::string identity_of(xmlNode* root) {
    xmlNode* message = child_element(root, "Mensagem");
    std::string ie = text_of(child_element(child_element(message, "Estabelecimento"), "Ie"));
    if (local_name(root) == "ReducaoZ") {
        xmlNode* ecf = child_element(message, "Ecf");
        xmlNode* data = child_element(ecf, "DadosReducaoZ");
        return "Z-" + ie + "-" + text_of(child_element(ecf, "NumeroFabricacao")) + "-" +
               text_of(child_element(data, "CRZ")) + "-" +
               text_of(child_element(data, "DataReferencia"));
    }
    return "E-" + ie + "-" +
           text_of(child_element(child_element(message, "DadosEstoque"), "DataReferencia"));
}

}  // namespace blocox
