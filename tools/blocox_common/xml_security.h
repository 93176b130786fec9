#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

namespace blocox {

// libxml2 and xmlsec (OpenSSL flavour) set up for the life of the program.
// Their messages are collected instead of printed, so that the programs
// report one clear reason of their own.
class XmlSecurity {
  public:
    XmlSecurity();
    ~XmlSecurity();
    XmlSecurity(const XmlSecurity&) = delete;
    XmlSecurity& operator=(const XmlSecurity&) = delete;
    bool ready() const { return ready_; }

  private:
    bool ready_ = false;
};

// The last message libxml2 or xmlsec gave, emptied when read.
std::string take_xml_error();

struct XmlDocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using XmlDoc = std::unique_ptr<xmlDoc, XmlDocFree>;

// A document from outside: no network, no entity expansion, no document type
// declaration (none of the exchanged files has one).
XmlDoc parse_xml(std::string_view text, std::string* error);
std::string dump_xml(xmlDoc* doc);

// Children and text by local name, whatever the namespace.
xmlNode* child_element(xmlNode* parent, std::string_view name);
xmlNode* next_element(xmlNode* node);
std::string local_name(const xmlNode* node);
std::string text_of(const xmlNode* node);

}  // namespace blocox
