#pragma once

#include "books.h"
#include "xml_security.h"

#include <map>
#include <string>
#include <vector>

namespace blocox {

// The "Resposta" documents the authority answers with, one per kind of
// answer. The operation's outcome is in SituacaoOperacaoCodigo ("0" done,
// "3" not done, the reason in Mensagem); a file's state in
// SituacaoProcessamentoCodigo ("0" waiting, "1" processed and accepted, "2"
// refused, "3" cancelled).
std::string resposta(const std::string& receipt, const std::string& code,
                     const std::string& description, const std::string& message);
std::string refusal(const std::string& message);
std::string operation_failed(const std::string& message);

std::string file_list(const std::string& ie, const std::vector<FileRecord>& files);
std::string history_answer(const std::string& receipt, const std::vector<FileEvent>& events);
std::string download_answer(const std::string& receipt, const std::string& packed_file);
std::string upkeep_answer(const std::string& receipt, const std::string& code,
                          const std::string& description, const std::string& message);
std::string developer_answer(const std::map<std::string, int>& waiting_by_ie);
std::string status_answer();

// What an establishment owes the authority: for each printer and each stock
// day, the files still waiting, the cancelled ones not sent again, and the
// Z reductions missing from the sequence.
class Pendencies {
  public:
    explicit Pendencies(std::string ie) : ie_(std::move(ie)) {}
    void add_waiting(const FileRecord& f);
    void add_cancelled(const FileRecord& f);
    void add_missing_crz(const std::string& ecf, int crz);
    std::string text() const;

  private:
    struct Owed {
        std::vector<std::string> waiting, cancelled, missing_crz;
        size_t count() const { return waiting.size() + cancelled.size() + missing_crz.size(); }
    };
    Owed& owed_by(const FileRecord& f);

    std::string ie_;
    std::map<std::string, Owed> printers_;  // by serial
    std::map<std::string, Owed> stocks_;    // by reference day
};

}  // namespace blocox
