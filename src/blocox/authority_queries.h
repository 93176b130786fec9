#pragma once

#include "util/day_number.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What the shop's technician asks the tax authority beyond sending files:
// what it holds as pending, its list of files, one file's history, a copy of
// a file, cancelling and reprocessing. Each request is a document the
// web-service client signs and sends; each answer is read here. Shows
// nothing: the callers word the outcome.
namespace balcora::blocox {

inline constexpr std::string_view kClientPendencies = "ConsultarPendenciasContribuinte";
inline constexpr std::string_view kClientList = "ListarArquivos";
inline constexpr std::string_view kClientHistory = "ConsultarHistoricoArquivo";
inline constexpr std::string_view kClientDownload = "DownloadArquivo";
inline constexpr std::string_view kClientCancel = "CancelarArquivo";
inline constexpr std::string_view kClientReprocess = "ReprocessarArquivo";

struct Asked {
    enum class Outcome {
        kDone,
        kRefused,    // the authority answered that it did not do it
        kNoAnswer,   // the client got no answer: try again later
        kLocalFail,  // the request could not be written or the answer read
    };
    Outcome outcome = Outcome::kLocalFail;
    std::string message;  // why, when not done; the authority's text when it gave one
    bool done() const { return outcome == Outcome::kDone; }
};

struct AuthorityFile {
    std::string receipt;
    std::string kind;  // "ReducaoZ", "Estoque"
    std::string ecf;
    std::string crz;
    util::DayNumber reference = 0;
    std::string received;  // as the authority wrote it
    std::string state_code;
    std::string state_text;
};

struct AuthorityEvent {
    std::string when;
    std::string code;
    std::string description;
    std::string reason;
};

// One pendency the authority names: for a printer (Z reductions) or a stock
// day, its code and text, the receipts or the CRZs it concerns.
struct AuthorityPendency {
    std::string kind;  // "ReducaoZ", "Estoque"
    std::string ecf;
    util::DayNumber reference = 0;
    std::string code;
    std::string description;
    std::vector<std::string> receipts;
    std::vector<std::string> crzs;
};

// The state registration as the Bloco X files carry it.
std::string establishment_ie(std::int32_t id_empresa);

Asked taxpayer_pendencies(std::string_view ie, std::vector<AuthorityPendency>* out);
Asked list_files(std::string_view ie, std::vector<AuthorityFile>* out);
Asked file_history(std::string_view receipt, std::vector<AuthorityEvent>* out,
                   const std::function<void()>& wait = {});
// The file the authority holds under the receipt, saved as `destination`.
Asked download_file(std::string_view receipt, const std::filesystem::path& destination);
Asked cancel_file(std::string_view receipt, std::string_view reason);
Asked reprocess_file(std::string_view receipt, std::string_view reason);
// The processing state (SituacaoProcessamentoCodigo; Mensagem in the
// outcome's message) of a receipt. `wait` is called while the client runs.
Asked processing_state(std::string_view receipt, std::string* code,
                       const std::function<void()>& wait = {});

// One of our Bloco X items as our books hold it.
struct OurItem {
    std::string kind;  // "ReducaoZ", "Estoque"
    std::string ecf;
    std::string crz;  // 4 digits for Z reductions
    util::DayNumber reference = 0;
    std::string state;  // sit_blocox
    std::string receipt;
};

// Our items of the printer and of its company.
std::vector<OurItem> our_items(std::int32_t id_maqecf, std::int32_t id_empresa);

// Where our books and the authority's disagree, one line each, in
// Portuguese: a file it is still processing that we count as accepted, a
// reduction it never got that we count as sent, a cancelled file we count as
// sent, a receipt or a CRZ it names that we do not know.
std::vector<std::string> pendency_differences(const std::vector<AuthorityPendency>& theirs,
                                              const std::vector<OurItem>& ours);

// "Redução Z CRZ 0003 de 09/12/2026", "Estoque 11/2026".
std::string item_label(const OurItem& item);

}  // namespace balcora::blocox
