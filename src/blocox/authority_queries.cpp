#include "blocox/authority_queries.h"

#include "blocox/ws_answer.h"
#include "blocox/ws_exchange.h"
#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "fiscal/ead_signing.h"
#include "platform/exchange_file.h"
#include "util/text.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlwriter.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>

namespace balcora::blocox {

namespace {

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct WriterFree {
    void operator()(xmlTextWriter* w) const { xmlFreeTextWriter(w); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

// A download comes whole; every other answer is small.
constexpr std::uintmax_t kLargestDownload = 96ull * 1024 * 1024;

bool named(const xmlNode* node, std::string_view name) {
    return node && node->type == XML_ELEMENT_NODE &&
           std::string_view(reinterpret_cast<const char*>(node->name)) == name;
}

const xmlNode* child(const xmlNode* parent, std::string_view name) {
    for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
        if (named(c, name)) return c;
    return nullptr;
}

std::vector<const xmlNode*> children(const xmlNode* parent, std::string_view name) {
    std::vector<const xmlNode*> out;
    for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
        if (named(c, name)) out.push_back(c);
    return out;
}

std::string text(const xmlNode* parent, std::string_view name) {
    const xmlNode* c = child(parent, name);
    if (!c) return {};
    xmlChar* t = xmlNodeGetContent(c);
    std::string out = t ? reinterpret_cast<const char*>(t) : "";
    xmlFree(t);
    return util::trim(out);
}

// The request document: the root with Versao "1.0", a Mensagem, its leaves.
bool write_request(const std::filesystem::path& file, const char* root,
                   const std::vector<std::pair<const char*, std::string>>& leaves,
                   std::string* error) {
    std::unique_ptr<xmlTextWriter, WriterFree> w(xmlNewTextWriterFilename(file.c_str(), 0));
    bool ok = w && xmlTextWriterStartDocument(w.get(), "1.0", "UTF-8", nullptr) >= 0 &&
              xmlTextWriterStartElement(w.get(), BAD_CAST root) >= 0 &&
              xmlTextWriterWriteAttribute(w.get(), BAD_CAST "Versao", BAD_CAST "1.0") >= 0 &&
              xmlTextWriterStartElement(w.get(), BAD_CAST "Mensagem") >= 0;
    for (const auto& [name, value] : leaves)
        ok = ok && xmlTextWriterWriteElement(w.get(), BAD_CAST name, BAD_CAST value.c_str()) >= 0;
    ok = ok && xmlTextWriterEndDocument(w.get()) >= 0 && xmlTextWriterFlush(w.get()) >= 0;
    if (ok) return true;
    *error = "Erro (" + std::to_string(errno) + ") ao gerar arquivo \"" + file.string() + "\"!";
    return false;
}

// Our client says so when the authority answered and would not do it.
bool refused_by_authority(const std::string& failure) {
    return failure.starts_with("O Fisco não executou") ||
           failure.starts_with("O Fisco recusou a requisição");
}

Asked fail(Asked::Outcome outcome, std::string message) {
    return {outcome, std::move(message)};
}

// Writes the request, runs the client and reads its answer into *answer.
Asked ask(std::string_view action, const char* root,
          const std::vector<std::pair<const char*, std::string>>& leaves,
          const std::string& file_name, std::string_view receipt, Doc* answer,
          std::filesystem::path* downloaded = nullptr, const std::function<void()>& wait = {}) {
    const std::filesystem::path request = fiscal::pafecf_folder() / file_name;
    std::error_code ec;
    std::filesystem::create_directories(request.parent_path(), ec);
    std::string error;
    if (!write_request(request, root, leaves, &error))
        return fail(Asked::Outcome::kLocalFail, error);
    const ClientResult r =
        run_client({action, request, receipt.empty() ? "null" : std::string(receipt)}, wait);
    if (!r.answered) {
        if (refused_by_authority(r.failure)) return fail(Asked::Outcome::kRefused, r.failure);
        return fail(Asked::Outcome::kNoAnswer,
                    r.failure.empty() ? "Sem resposta do Fisco (WebService)." : r.failure);
    }
    if (downloaded) *downloaded = r.downloaded;
    const platform::ExchangeFile read =
        platform::read_exchange_file(r.answer, platform::Links::kRefuse, kMaxAnswerBytes);
    if (!read.read())
        return fail(Asked::Outcome::kLocalFail, "Retorno do Fisco não lido: \"" +
                                                    r.answer.string() + "\" " +
                                                    platform::exchange_read_reason(read));
    answer->reset(xmlReadMemory(
        read.bytes.data(), static_cast<int>(read.bytes.size()), r.answer.c_str(), nullptr,
        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS));
    if (!*answer)
        return fail(Asked::Outcome::kLocalFail,
                    "Retorno do Fisco ilegível em \"" + r.answer.string() + "\"");
    const xmlNode* top = xmlDocGetRootElement(answer->get());
    if (text(top, "SituacaoOperacaoCodigo") == "3")
        return fail(Asked::Outcome::kRefused, shown_message(text(top, "Mensagem")));
    return {Asked::Outcome::kDone, shown_message(text(top, "Mensagem"))};
}

std::string safe_name(std::string_view receipt) {
    std::string out;
    for (char c : receipt)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-') out += c;
    return out;
}

const xmlNode* root_of(const Doc& d) {
    return xmlDocGetRootElement(d.get());
}

void read_pendencies(const xmlNode* owner, const std::string& kind, const std::string& ecf,
                     util::DayNumber reference, std::vector<AuthorityPendency>* out) {
    for (const xmlNode* p : children(child(owner, "Pendencias"), "Pendencia")) {
        AuthorityPendency item{kind, ecf, reference, text(p, "Codigo"), text(p, "Descricao"),
                               {},   {}};
        for (const xmlNode* r : children(child(p, "Recibos"), "Recibo")) {
            xmlChar* t = xmlNodeGetContent(r);
            item.receipts.push_back(util::trim(reinterpret_cast<const char*>(t)));
            xmlFree(t);
        }
        for (const xmlNode* c : children(child(p, "CRZs"), "CRZ")) {
            xmlChar* t = xmlNodeGetContent(c);
            item.crzs.push_back(util::trim(reinterpret_cast<const char*>(t)));
            xmlFree(t);
        }
        out->push_back(std::move(item));
    }
}

}  // namespace

std::string establishment_ie(std::int32_t id_empresa) {
    const auto r = db::run_sql("SELECT inscr_estadual FROM balcora.empresa WHERE id_empresa=" +
                               std::to_string(id_empresa) + ";");
    return r && r->rows() > 0 ? SOALFANUM(r->value(0, 0)) : std::string();
}

Asked taxpayer_pendencies(std::string_view ie, std::vector<AuthorityPendency>* out) {
    Doc d;
    Asked a = ask(kClientPendencies, "ConsultarPendenciasContribuinte", {{"IE", std::string(ie)}},
                  "pendenciasfisco.xml", {}, &d);
    if (!a.done()) return a;
    const xmlNode* top = root_of(d);
    for (const xmlNode* ecf : children(child(top, "ReducoesZ"), "ECF"))
        read_pendencies(ecf, "ReducaoZ", text(ecf, "NumeroFabricacaoEcf"), 0, out);
    for (const xmlNode* stock : children(child(top, "Estoques"), "Estoque"))
        read_pendencies(stock, "Estoque", {}, util::parse_iso_date(text(stock, "DataReferencia")),
                        out);
    return a;
}

Asked list_files(std::string_view ie, std::vector<AuthorityFile>* out) {
    Doc d;
    Asked a =
        ask(kClientList, "ListarArquivos", {{"IE", std::string(ie)}}, "listaarquivos.xml", {}, &d);
    if (!a.done()) return a;
    for (const xmlNode* f : children(child(root_of(d), "Arquivos"), "Arquivo"))
        out->push_back({text(f, "Recibo"), text(f, "TipoArquivo"), text(f, "NumeroFabricacaoEcf"),
                        text(f, "CRZ"), util::parse_iso_date(text(f, "DataReferencia")),
                        text(f, "DataRecepcao"), text(f, "SituacaoProcessamentoCodigo"),
                        text(f, "SituacaoProcessamentoDescricao")});
    return a;
}

Asked file_history(std::string_view receipt, std::vector<AuthorityEvent>* out,
                   const std::function<void()>& wait) {
    Doc d;
    Asked a = ask(kClientHistory, "ConsultarHistoricoArquivo", {{"Recibo", std::string(receipt)}},
                  "historico" + safe_name(receipt) + ".xml", receipt, &d, nullptr, wait);
    if (!a.done()) return a;
    for (const xmlNode* e : children(child(root_of(d), "Eventos"), "Evento"))
        out->push_back(
            {text(e, "DataHora"), text(e, "Codigo"), text(e, "Descricao"), text(e, "Motivo")});
    return a;
}

Asked download_file(std::string_view receipt, const std::filesystem::path& destination) {
    Doc d;
    std::filesystem::path brought;
    Asked a = ask(kClientDownload, "DownloadArquivo", {{"Recibo", std::string(receipt)}},
                  "baixa" + safe_name(receipt) + ".xml", receipt, &d, &brought);
    if (!a.done()) return a;
    if (brought.empty())
        return fail(Asked::Outcome::kRefused,
                    "O Fisco não devolveu o arquivo do recibo " + std::string(receipt) + ".");
    std::error_code ec;
    if (std::filesystem::file_size(brought, ec) > kLargestDownload || ec)
        return fail(Asked::Outcome::kLocalFail, "Arquivo baixado ilegível: " + brought.string());
    std::filesystem::copy_file(brought, destination,
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec)
        return fail(Asked::Outcome::kLocalFail,
                    "Erro (" + std::to_string(ec.value()) + ") ao gravar " + destination.string());
    return a;
}

Asked cancel_file(std::string_view receipt, std::string_view reason) {
    Doc d;
    return ask(kClientCancel, "Manutencao",
               {{"Recibo", std::string(receipt)}, {"Motivo", std::string(reason)}},
               "cancela" + safe_name(receipt) + ".xml", receipt, &d);
}

Asked reprocess_file(std::string_view receipt, std::string_view reason) {
    Doc d;
    return ask(kClientReprocess, "Manutencao",
               {{"Recibo", std::string(receipt)}, {"Motivo", std::string(reason)}},
               "reprocessa" + safe_name(receipt) + ".xml", receipt, &d);
}

Asked processing_state(std::string_view receipt, std::string* code,
                       const std::function<void()>& wait) {
    Doc d;
    Asked a = ask(kClientQuery, "Manutencao", {{"Recibo", std::string(receipt)}},
                  "consulta" + safe_name(receipt) + ".xml", receipt, &d, nullptr, wait);
    if (a.done()) *code = text(root_of(d), "SituacaoProcessamentoCodigo");
    return a;
}

std::vector<OurItem> our_items(std::int32_t id_maqecf, std::int32_t id_empresa) {
    std::vector<OurItem> out;
    db::SqlRecord r;
    if (db::read_rows("SELECT q.num_serie, m.num_cont_red_z, m.data, m.sit_blocox, m.rec_blocox "
                      "FROM balcora.reg60m m JOIN balcora.maqecf q ON q.id_maqecf=m.id_maqecf "
                      "WHERE m.id_maqecf=" +
                          std::to_string(id_maqecf) + " AND m.num_cont_red_z>0 ORDER BY m.data;",
                      r)) {
        for (; r.has_row(); r.next()) {
            char crz[16];
            std::snprintf(crz, sizeof crz, "%04lld",
                          static_cast<long long>(text_to_integer(r.C(2))));
            out.push_back({"ReducaoZ", util::trim(r.C(1)), crz, util::parse_iso_date(r.C(3)),
                           util::trim(r.C(4)), util::trim(r.C(5))});
        }
    }
    db::SqlRecord s;
    if (db::read_rows("SELECT periodo, sit_blocox, rec_blocox FROM balcora.estoquex WHERE "
                      "id_empresa=" +
                          std::to_string(id_empresa) + " ORDER BY periodo;",
                      s)) {
        for (; s.has_row(); s.next())
            out.push_back({"Estoque",
                           {},
                           {},
                           util::parse_iso_date(s.C(1)),
                           util::trim(s.C(2)),
                           util::trim(s.C(3))});
    }
    return out;
}

std::string item_label(const OurItem& item) {
    if (item.kind == "ReducaoZ")
        return "Redução Z CRZ " + item.crz + " de " + util::br_date(item.reference);
    const util::CivilDate d = util::civil_date(item.reference);
    char period[16];
    std::snprintf(period, sizeof period, "%02d/%04d", d.month, d.year);
    return std::string("Estoque ") + period;
}

std::vector<std::string> pendency_differences(const std::vector<AuthorityPendency>& theirs,
                                              const std::vector<OurItem>& ours) {
    auto by_receipt = [&](const std::string& receipt) -> const OurItem* {
        for (const OurItem& o : ours)
            if (!receipt.empty() && o.receipt == receipt) return &o;
        return nullptr;
    };
    auto sent = [](const OurItem& o) { return o.state == "T" || o.state == "A"; };
    std::vector<std::string> out;
    for (const AuthorityPendency& p : theirs) {
        for (const std::string& receipt : p.receipts) {
            const OurItem* o = by_receipt(receipt);
            if (!o) {
                out.push_back("Recibo " + receipt + " (" + p.description +
                              " no Fisco) não consta no Balcora");
            } else if (p.code == "1" && o->state == "A") {
                out.push_back(item_label(*o) +
                              ": aceita no Balcora, o Fisco ainda processa o "
                              "recibo " +
                              receipt);
            } else if (p.code == "3" && sent(*o)) {
                out.push_back(item_label(*o) + ": cancelada no Fisco (recibo " + receipt +
                              "), no Balcora consta " +
                              (o->state == "A" ? "aceita" : "transmitida") +
                              "; transmita novamente");
            }
        }
        for (const std::string& crz : p.crzs) {
            const OurItem* o = nullptr;
            for (const OurItem& item : ours)
                if (item.kind == "ReducaoZ" && item.crz == crz && item.ecf == p.ecf) o = &item;
            if (!o)
                out.push_back("Redução Z CRZ " + crz + " da ECF " + p.ecf +
                              ": o Fisco a espera e ela não consta no Balcora");
            else if (sent(*o))
                out.push_back(item_label(*o) + ": transmitida no Balcora (recibo " + o->receipt +
                              "), o Fisco não a recebeu");
        }
    }
    return out;
}

}  // namespace balcora::blocox
