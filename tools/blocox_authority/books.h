#pragma once

#include <libxml/tree.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace blocox {

// One file the authority received, as its books keep it.
struct FileRecord {
    enum class State { kWaiting, kProcessed, kCancelled };
    std::string receipt;
    std::string kind;  // "ReducaoZ" or "Estoque"
    std::string ie;
    std::string ecf;        // the printer's serial (Z reductions)
    std::string crz;        // Z reductions
    std::string reference;  // DataReferencia, yyyy-mm-dd
    std::string received;   // yyyy-mm-ddThh:mm:ss
    std::string identity;   // what makes two files the same file
    State state = State::kWaiting;
};

struct FileEvent {
    std::string when;  // yyyy-mm-ddThh:mm:ss
    std::string code;
    std::string description;
    std::string reason;
};

// The authority's books under its root folder: the signed file of every
// receipt in "recebidos" until processed, then in "processados" (or
// "cancelados"); what it says about itself and its history in "dados";
// "identidades" maps what makes a file the same file to its receipt, so a
// second copy is answered with the first receipt.
class Books {
  public:
    explicit Books(std::filesystem::path root) : root_(std::move(root)) {}

    bool open(std::string* error);

    // The receipt of the same file received before; empty when none.
    std::string first_receipt(const std::string& identity) const;
    // Files the document and returns its new receipt; empty when it could not
    // be kept.
    std::string receive(xmlNode* document, const std::string& identity,
                        const std::string& signed_xml);
    // The received files whose delay has passed count as processed.
    void process_due(std::chrono::seconds delay);

    std::optional<FileRecord> find(const std::string& receipt) const;
    std::vector<FileRecord> all() const;
    std::string signed_file(const FileRecord& record) const;
    std::vector<FileEvent> history(const std::string& receipt) const;

    // Empty when done, else the refusal "Erro NNNN - ...".
    std::string cancel(const FileRecord& record, const std::string& reason);
    std::string reprocess(const FileRecord& record, const std::string& reason);

  private:
    std::filesystem::path file_of(const FileRecord& record) const;
    void note(const std::string& receipt, const std::string& code, const std::string& description,
              const std::string& reason) const;

    std::filesystem::path root_;
};

// Receipts come from outside: only the form this authority gives is looked up.
bool receipt_form(const std::string& receipt);
std::string now_text();

}  // namespace blocox
