#pragma once

#include "rules.h"

#include <xmlsec/keys.h>

#include <filesystem>
#include <string>

namespace blocox {

// What the server sends back for one request; `silent` keeps the connection
// open without a word.
struct Reply {
    int status = 200;
    std::string body;
    bool silent = false;
};

// The authority's books under its root folder: "recebidos" holds every file
// received, by receipt, until it is processed; "processados" the files whose
// processing delay has passed (a query of their receipt answers "1");
// "identidades" maps what makes a file the same file to its receipt, so a
// second copy is answered with the first receipt.
class Authority {
  public:
    Authority(std::filesystem::path root, std::filesystem::path rules_file);
    ~Authority();
    Authority(const Authority&) = delete;
    Authority& operator=(const Authority&) = delete;

    // Creates the folders and trusts the signer's certificate (or the
    // authority that issued it). False with the reason in *error.
    bool open(const std::filesystem::path& signer_certificate, std::string* error);

    Reply handle(const std::string& request_body);

    // Moves the received files whose delay has passed to "processados".
    void process_due();

  private:
    std::string answer_send(xmlNode* root, const std::string& signed_xml);
    std::string answer_query(xmlNode* root);

    std::filesystem::path root_;
    std::filesystem::path rules_file_;
    Rules rules_;
    xmlSecKeysMngr* keys_ = nullptr;
};

}  // namespace blocox
