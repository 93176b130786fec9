#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What the tax authority answered, as the web-service client stored it: an
// XML file with a Resposta element holding SituacaoProcessamentoCodigo,
// Mensagem and Recibo.
namespace balcora::blocox {

struct WsAnswer {
    std::string code;  // SituacaoProcessamentoCodigo, trimmed
    std::string message;
    std::string receipt;
};

// Answers beyond this size are not read: no authority answer comes near it.
inline constexpr std::uintmax_t kMaxAnswerBytes = 1 << 20;
// Messages are shown cut to this many characters.
inline constexpr std::size_t kMaxShownMessage = 600;

// Reads an answer file. On failure `error` holds the message to show
// ("Erro (n) ao ler arquivo \"path\"!" for a file that cannot be read or is
// not XML; a file without Resposta is named as such).
std::optional<WsAnswer> read_answer(const std::filesystem::path& file, std::string* error);

// A receipt as the authority issues it: 36 letters, digits and hyphens.
inline constexpr std::size_t kReceiptLength = 36;
bool is_receipt(std::string_view text);

// The verdict on the answer to a sending: the receipt when the file reached
// the authority (code 0, or code 2 reporting it already received with the
// receipt at the end of the message); otherwise what to show the operator.
struct SendVerdict {
    bool received = false;
    std::string receipt;
    std::string shown;  // title "Retorno WebService"
};
SendVerdict judge_send_answer(const WsAnswer& answer);

// The authority's text fit for a message box: control characters dropped,
// cut to kMaxShownMessage characters.
std::string shown_message(std::string_view message);

// Writes the query request <Manutencao Versao="1.0"><Mensagem><Recibo>; false
// with `error` set when the file could not be written.
bool write_query_request(const std::filesystem::path& file, std::string_view receipt,
                         std::string* error);

}  // namespace balcora::blocox
