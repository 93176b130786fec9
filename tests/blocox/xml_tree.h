#pragma once

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace balcora::test {

// A Bloco X file read back through libxml2: nullptr root when it is not
// well-formed XML.
class XmlTree {
  public:
    explicit XmlTree(const std::filesystem::path& file)
        : doc_(xmlReadFile(file.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS)) {}
    xmlNode* root() const { return doc_ ? xmlDocGetRootElement(doc_.get()) : nullptr; }

    static std::vector<xmlNode*> children(const xmlNode* n) {
        std::vector<xmlNode*> out;
        for (xmlNode* c = n ? n->children : nullptr; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE) out.push_back(c);
        return out;
    }
    static std::vector<std::string> names(const xmlNode* n) {
        std::vector<std::string> out;
        for (xmlNode* c : children(n)) out.push_back(reinterpret_cast<const char*>(c->name));
        return out;
    }
    // The first child of that name, nullptr when none.
    static xmlNode* child(const xmlNode* n, const std::string& name) {
        for (xmlNode* c : children(n))
            if (name == reinterpret_cast<const char*>(c->name)) return c;
        return nullptr;
    }
    // Follows a path of names from the node: "Mensagem/Ecf/DadosReducaoZ".
    static xmlNode* at(xmlNode* n, const std::string& path) {
        std::size_t from = 0;
        while (n && from <= path.size()) {
            const std::size_t slash = path.find('/', from);
            n = child(n, path.substr(from, slash - from));
            if (slash == std::string::npos) break;
            from = slash + 1;
        }
        return n;
    }
    static std::string text(const xmlNode* n) {
        if (!n) return "<missing>";
        std::unique_ptr<xmlChar, decltype(xmlFree)> t(xmlNodeGetContent(n), xmlFree);
        return t ? reinterpret_cast<const char*>(t.get()) : "";
    }

  private:
    struct Free {
        void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
    };
    std::unique_ptr<xmlDoc, Free> doc_;
};

}  // namespace balcora::test
