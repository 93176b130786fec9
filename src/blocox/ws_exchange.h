#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The hand-over to the Bloco X web-service client: one INI file the program
// fills before each run of the client and reads after it.
namespace balcora::blocox {

inline constexpr std::string_view kExchangeFile = "c:\\sistemas\\balcora\\pgms\\xsginws.ini";

// Actions the client knows.
inline constexpr std::string_view kClientSendReduction = "EnviarReducaoZ";
inline constexpr std::string_view kClientSendStock = "EnviarEstoque";
inline constexpr std::string_view kClientQuery = "ConsultarProcessamento";

// The client's command line: balcora.ini [Programas] "BlocoX"; by default the
// client built beside this program. Its time limit in seconds: "BlocoX
// Tempo Limite" of the same section.
inline constexpr std::string_view kClientProgramKey = "BlocoX";
inline constexpr std::string_view kClientTimeoutKey = "BlocoX Tempo Limite";
inline constexpr long long kDefaultClientTimeoutSeconds = 180;
std::vector<std::string> client_command();
std::chrono::seconds client_timeout();

struct ClientRequest {
    std::string_view action;
    std::filesystem::path file;
    std::string receipt = "null";  // the stored receipt when querying
};

struct ClientResult {
    // The client wrote "Status" = "Ok": an answer came and lies in `answer`.
    bool answered = false;
    std::filesystem::path answer;
    // The file a download brought, unpacked ("Retorno"/"ArquivoBaixado").
    std::filesystem::path downloaded;
    // Why there is no answer: the client could not start or was stopped at
    // its time limit, the exchange file could not be written, or the reason
    // the client gave ("Retorno"/"Mensagem"); empty when none is known.
    std::string failure;
};

// Writes the request (clearing the return keys), runs the client and reads
// what it left. `wait` is called now and then while the client runs, so a
// window keeps drawing. Shows nothing.
ClientResult run_client(const ClientRequest& request, const std::function<void()>& wait);

}  // namespace balcora::blocox
