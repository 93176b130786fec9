#pragma once

#include "books.h"
#include "rules.h"
#include "soap.h"

#include <xmlsec/keys.h>

#include <filesystem>
#include <optional>
#include <string>

namespace blocox {

struct HttpRequest;

// What the server sends back for one request; `silent` keeps the connection
// open without a word.
struct Reply {
    int status = 200;
    std::string body;
    bool silent = false;
    std::string content_type = "text/xml; charset=utf-8";
};

// The authority's web service "BlocoX" as published: every operation over
// its books, its service description on GET "?WSDL", and a SOAP fault naming
// what was wrong for any request the published service would not take.
class Authority {
  public:
    Authority(std::filesystem::path root, std::filesystem::path rules_file);
    ~Authority();
    Authority(const Authority&) = delete;
    Authority& operator=(const Authority&) = delete;

    // Creates the books and trusts the signer's certificate (or the
    // authority that issued it). False with the reason in *error.
    bool open(const std::filesystem::path& signer_certificate, std::string* error);
    // The port the service description names.
    void set_port(int port) { port_ = port; }

    Reply handle(const HttpRequest& request);

    // The received files whose delay has passed count as processed.
    void process_due();

  private:
    std::string transmit(const SoapRequest& request, std::string* fault);
    std::string query_processing(xmlNode* root);
    std::string taxpayer_pendencies(xmlNode* root);
    std::string list_files(xmlNode* root);
    std::string file_history(xmlNode* root);
    std::string download(xmlNode* root);
    std::string cancel(xmlNode* root);
    std::string reprocess(xmlNode* root);
    std::string developer_pendencies();
    std::string method_status();
    // The answer to an operation that takes a signed request document.
    std::string answer_document_request(const SoapRequest& request, std::string* fault);

    std::filesystem::path rules_file_;
    Rules rules_;
    Books books_;
    xmlSecKeysMngr* keys_ = nullptr;
    int port_ = 0;
};

}  // namespace blocox
