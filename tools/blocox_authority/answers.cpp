#include "answers.h"

#include "soap.h"

#include <cstdio>

namespace blocox {

namespace {

const xmlChar* x(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

// A Resposta under construction.
class Doc {
  public:
    Doc() : doc_(xmlNewDoc(x("1.0"))) {
        root_ = xmlNewDocNode(doc_.get(), nullptr, x("Resposta"), nullptr);
        xmlDocSetRootElement(doc_.get(), root_);
        xmlNewProp(root_, x("Versao"), x("1.0"));
    }
    xmlNode* root() const { return root_; }
    static xmlNode* leaf(xmlNode* parent, const char* name, const std::string& value) {
        return xmlNewTextChild(parent, nullptr, x(name), x(value.c_str()));
    }
    static xmlNode* group(xmlNode* parent, const char* name) {
        return xmlNewChild(parent, nullptr, x(name), nullptr);
    }
    void operation(bool done, const std::string& message = {}) {
        leaf(root_, "SituacaoOperacaoCodigo", done ? "0" : "3");
        leaf(root_, "SituacaoOperacaoDescricao",
             done ? "Operação realizada com sucesso" : "Operação não realizada");
        if (!message.empty()) leaf(root_, "Mensagem", message);
    }
    std::string text() const { return dump_xml(doc_.get()); }

  private:
    XmlDoc doc_;
    xmlNode* root_ = nullptr;
};

void processing_state(xmlNode* parent, FileRecord::State state) {
    const char* code = state == FileRecord::State::kProcessed   ? "1"
                       : state == FileRecord::State::kCancelled ? "3"
                                                                : "0";
    const char* description = state == FileRecord::State::kProcessed   ? "Processado"
                              : state == FileRecord::State::kCancelled ? "Cancelado"
                                                                       : "Aguardando processamento";
    Doc::leaf(parent, "SituacaoProcessamentoCodigo", code);
    Doc::leaf(parent, "SituacaoProcessamentoDescricao", description);
}

std::string crz_text(int crz) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", crz);
    return text;
}

void pendency(xmlNode* list, const char* code, const char* description,
              const std::vector<std::string>& items, const char* group, const char* item) {
    if (items.empty()) return;
    xmlNode* p = Doc::group(list, "Pendencia");
    Doc::leaf(p, "Codigo", code);
    Doc::leaf(p, "Descricao", description);
    Doc::leaf(p, "Quantidade", std::to_string(items.size()));
    xmlNode* g = Doc::group(p, group);
    for (const std::string& i : items) Doc::leaf(g, item, i);
}

template <class Owed>
void pendencies(xmlNode* parent, const Owed& owed) {
    Doc::leaf(parent, "QuantidadePendencias", std::to_string(owed.count()));
    xmlNode* list = Doc::group(parent, "Pendencias");
    pendency(list, "1", "Arquivo aguardando processamento", owed.waiting, "Recibos", "Recibo");
    pendency(list, "2", "Redução Z não recebida", owed.missing_crz, "CRZs", "CRZ");
    pendency(list, "3", "Arquivo cancelado e não transmitido novamente", owed.cancelled, "Recibos",
             "Recibo");
}

}  // namespace

std::string resposta(const std::string& receipt, const std::string& code,
                     const std::string& description, const std::string& message) {
    Doc d;
    Doc::leaf(d.root(), "Recibo", receipt);
    Doc::leaf(d.root(), "SituacaoProcessamentoCodigo", code);
    Doc::leaf(d.root(), "SituacaoProcessamentoDescricao", description);
    Doc::leaf(d.root(), "Mensagem", message);
    return d.text();
}

std::string refusal(const std::string& message) {
    return resposta("", "2", "Arquivo recusado", message);
}

std::string operation_failed(const std::string& message) {
    Doc d;
    d.operation(false, message);
    return d.text();
}

std::string file_list(const std::string& ie, const std::vector<FileRecord>& files) {
    Doc d;
    d.operation(true);
    Doc::leaf(d.root(), "IE", ie);
    xmlNode* list = Doc::group(d.root(), "Arquivos");
    for (const FileRecord& f : files) {
        xmlNode* a = Doc::group(list, "Arquivo");
        Doc::leaf(a, "Recibo", f.receipt);
        Doc::leaf(a, "TipoArquivo", f.kind);
        Doc::leaf(a, "NumeroFabricacaoEcf", f.ecf);
        Doc::leaf(a, "CRZ", f.crz);
        Doc::leaf(a, "DataReferencia", f.reference);
        Doc::leaf(a, "DataRecepcao", f.received);
        processing_state(a, f.state);
    }
    return d.text();
}

std::string history_answer(const std::string& receipt, const std::vector<FileEvent>& events) {
    Doc d;
    d.operation(true);
    Doc::leaf(d.root(), "Recibo", receipt);
    xmlNode* list = Doc::group(d.root(), "Eventos");
    for (const FileEvent& e : events) {
        xmlNode* ev = Doc::group(list, "Evento");
        Doc::leaf(ev, "DataHora", e.when);
        Doc::leaf(ev, "Codigo", e.code);
        Doc::leaf(ev, "Descricao", e.description);
        Doc::leaf(ev, "Motivo", e.reason);
    }
    return d.text();
}

std::string download_answer(const std::string& receipt, const std::string& packed_file) {
    Doc d;
    d.operation(true);
    Doc::leaf(d.root(), "Recibo", receipt);
    Doc::leaf(d.root(), "Arquivo", packed_file);
    return d.text();
}

std::string upkeep_answer(const std::string& receipt, const std::string& code,
                          const std::string& description, const std::string& message) {
    Doc d;
    d.operation(true, message);
    Doc::leaf(d.root(), "Recibo", receipt);
    Doc::leaf(d.root(), "SituacaoProcessamentoCodigo", code);
    Doc::leaf(d.root(), "SituacaoProcessamentoDescricao", description);
    return d.text();
}

std::string developer_answer(const std::map<std::string, int>& waiting_by_ie) {
    Doc d;
    d.operation(true);
    xmlNode* list = Doc::group(d.root(), "Contribuintes");
    for (const auto& [ie, n] : waiting_by_ie) {
        xmlNode* c = Doc::group(list, "Contribuinte");
        Doc::leaf(c, "IE", ie);
        Doc::leaf(c, "QuantidadePendencias", std::to_string(n));
    }
    return d.text();
}

std::string status_answer() {
    Doc d;
    d.operation(true);
    xmlNode* list = Doc::group(d.root(), "Metodos");
    for (std::string_view op : kAllOperations) {
        xmlNode* m = Doc::group(list, "Metodo");
        Doc::leaf(m, "Nome", std::string(op));
        Doc::leaf(m, "SituacaoCodigo", "1");
        Doc::leaf(m, "SituacaoDescricao", "Disponível");
    }
    return d.text();
}

Pendencies::Owed& Pendencies::owed_by(const FileRecord& f) {
    return f.kind == "ReducaoZ" ? printers_[f.ecf] : stocks_[f.reference];
}

void Pendencies::add_waiting(const FileRecord& f) {
    owed_by(f).waiting.push_back(f.receipt);
}

void Pendencies::add_cancelled(const FileRecord& f) {
    owed_by(f).cancelled.push_back(f.receipt);
}

void Pendencies::add_missing_crz(const std::string& ecf, int crz) {
    printers_[ecf].missing_crz.push_back(crz_text(crz));
}

std::string Pendencies::text() const {
    Doc d;
    d.operation(true);
    Doc::leaf(d.root(), "IE", ie_);
    xmlNode* z = Doc::group(d.root(), "ReducoesZ");
    for (const auto& [serial, owed] : printers_) {
        xmlNode* ecf = Doc::group(z, "ECF");
        Doc::leaf(ecf, "NumeroFabricacaoEcf", serial);
        pendencies(ecf, owed);
    }
    xmlNode* s = Doc::group(d.root(), "Estoques");
    size_t total = 0;
    for (const auto& [day, owed] : stocks_) total += owed.count();
    Doc::leaf(s, "QuantidadePendencias", std::to_string(total));
    for (const auto& [day, owed] : stocks_) {
        xmlNode* e = Doc::group(s, "Estoque");
        Doc::leaf(e, "DataReferencia", day);
        pendencies(e, owed);
    }
    return d.text();
}

}  // namespace blocox
