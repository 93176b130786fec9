#include "manager.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>
#include <vector>

namespace gerenciador {

namespace fs = std::filesystem;

namespace {

// A request is at most 1000 characters; anything far beyond is junk and is
// not read whole.
constexpr std::streamsize kMaxRequest = 64 * 1024;

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

bool all_digits(const std::string& s) {
    return !s.empty() && s.size() <= 12 &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string strip_zeros(const std::string& s) {
    size_t first = s.find_first_not_of('0');
    return first == std::string::npos ? "0" : s.substr(first);
}

std::string reais(const std::string& cents) {
    std::string c = strip_zeros(cents);
    while (c.size() < 3) c.insert(c.begin(), '0');
    return "R$ " + c.substr(0, c.size() - 2) + "," + c.substr(c.size() - 2);
}

std::string now_as(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

std::string centred(const std::string& text, size_t width = 40) {
    if (text.size() >= width) return text;
    return std::string((width - text.size()) / 2, ' ') + text;
}

void put_voucher(Record& r, const std::vector<std::string>& lines) {
    r.set(28, std::to_string(lines.size()));
    for (size_t i = 0; i < lines.size(); ++i)
        r.set(29, static_cast<int>(i + 1), voucher_text(lines[i]));
}

Record refusal(const Record& request, const std::string& kind, const std::string& message) {
    Record r;
    r.set(0, kind.empty() ? "???" : kind);
    r.set(1, request.get(1));
    if (request.has(2)) r.set(2, request.get(2));
    r.set(9, "FF");
    r.set(28, "0");
    if (!message.empty()) r.set(30, message);
    return r;
}

}  // namespace

Manager::Manager(fs::path root, fs::path rules_file, const volatile std::sig_atomic_t* stop)
    : req_(root / "tef_dial" / "req"),
      resp_(root / "tef_dial" / "resp"),
      rules_file_(std::move(rules_file)),
      nsu_file_(root / "tef_dial" / "nsu.txt"),
      journal_(root / "tef_dial" / "diario.txt"),
      stop_(stop) {
    std::error_code ec;
    fs::create_directories(req_, ec);
    fs::create_directories(resp_, ec);
}

void Manager::run() {
    // Woken by the rename that hands a request over, so the program's side
    // is what a measurement of the exchange sees; the timeout still polls,
    // for a folder the kernel cannot watch.
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0) inotify_add_watch(watch, req_.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    while (!*stop_) {
        if (take_request()) continue;
        if (watch < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        pollfd p{watch, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            char events[4096];
            while (::read(watch, events, sizeof events) > 0) {
            }
        }
    }
    if (watch >= 0) ::close(watch);
}

bool Manager::take_request() {
    // Only the renamed file is a request: IntPos.tmp is still being written.
    fs::path file = req_ / "IntPos.001";
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;  // taken again on the next poll
    std::string text(static_cast<size_t>(kMaxRequest), '\0');
    in.read(text.data(), kMaxRequest);
    text.resize(static_cast<size_t>(in.gcount()));
    in.close();
    if (!fs::remove(file, ec)) {
        std::cerr << "gerenciador: não removeu " << file << ": " << ec.message() << "\n";
        pause(500);
        return false;
    }
    Record request = Record::parse(text);
    Rules rules = read_rules(rules_file_);
    std::string kind = upper(request.get(0));
    if (rules.never_answered.count(kind)) {
        std::cerr << "gerenciador: " << kind << " sem resposta (regra)\n";
        return true;
    }
    // A kind answered with the status file alone is not decided at all, so
    // no approval waits in the journal for a response nobody received.
    Answer a;
    if (kind == "CNF" || kind == "NCN" || !rules.status_only.count(kind))
        a = answer(request, rules);
    else
        std::cerr << "gerenciador: " << kind << " só com o arquivo de status (regra)\n";
    pause(rules.status_delay_ms);
    if (*stop_) return true;
    Record status;
    status.set(0, kind.empty() ? "???" : kind);
    status.set(1, request.get(1));
    write_atomically(resp_ / "IntPos.Sts", status.text());
    if (!a.response) return true;
    pause(rules.response_delay_ms);
    if (*stop_) return true;
    write_atomically(resp_ / "IntPos.001", a.response->text());
    return true;
}

Manager::Answer Manager::answer(const Record& request, const Rules& rules) {
    std::string kind = upper(request.get(0));
    Answer a;
    // The program waits for no response after ATV, CNF and NCN; a response
    // left behind would read as a pending transaction at its next start.
    if (kind == "ATV") return a;
    if (kind == "CNF" || kind == "NCN") {
        settle(request, kind == "CNF");
        return a;
    }
    if (!all_digits(request.get(1)) || request.get(1).size() != 8)
        a.response = refusal(request, kind, "REQUISICAO INVALIDA");
    else if (kind == "CRT" || kind == "CHQ")
        a.response = sale(request, rules, kind);
    else if (kind == "ADM")
        a.response = administrative(request, rules);
    else if (kind == "CNC")
        a.response = cancellation(request, rules);
    else
        a.response = refusal(request, kind, "REQUISICAO INVALIDA");
    return a;
}

// What every approved answer carries: the kind and identifier echoed, the
// network, the new NSU, the moment, the control field and the message.
Record Manager::approved_answer(const std::string& kind, const Record& request, const Rules& rules,
                                const std::string& nsu, const std::string& message) {
    const std::string date = now_as("%d%m%Y");
    Record r;
    r.set(0, kind);
    r.set(1, request.get(1));
    r.set(9, "0");
    r.set(10, rules.network);
    r.set(12, nsu);
    r.set(22, date);
    r.set(23, now_as("%H%M%S"));
    r.set(27, "SIM" + date + nsu);
    r.set(30, message);
    return r;
}

std::string Manager::stamp_line() {
    return "DATA: " + now_as("%d/%m/%Y") + "  HORA: " + now_as("%H:%M:%S");
}

Record Manager::sale(const Record& request, const Rules& rules, const std::string& kind) {
    std::string cents = request.get(3);
    if (!all_digits(cents) || strip_zeros(cents) == "0")
        return refusal(request, kind, "VALOR INVALIDO");
    cents = strip_zeros(cents);
    int last_two = std::stoi(cents.size() > 2 ? cents.substr(cents.size() - 2) : cents);
    if (last_two == rules.decline_cents) return refusal(request, kind, rules.decline_message);

    std::string nsu = next_nsu();
    std::string authorisation = std::to_string(100000 + std::stoul(nsu) * 7919 % 900000);
    std::string coo = request.get(2);
    Record r = approved_answer(kind, request, rules, nsu, "TRANSACAO APROVADA");
    r.set(2, coo);
    r.set(3, cents);
    r.set(11, kind == "CHQ" ? "30" : "10");
    r.set(13, authorisation);
    r.set(17, "0");
    r.set(18, "0");
    std::vector<std::string> voucher{
        centred(rules.network),
        centred(kind == "CHQ" ? "CONSULTA DE CHEQUE" : "COMPROVANTE DE CREDITO"),
        "COO: " + coo,
        stamp_line(),
        "NSU: " + nsu + "  AUT: " + authorisation,
        "VALOR: " + reais(cents),
        centred("TRANSACAO APROVADA")};
    if (kind == "CRT") voucher.push_back("RECONHECO E PAGAREI A IMPORTANCIA ACIMA");
    put_voucher(r, voucher);
    journal_.append(
        "APROVADA",
        {{"NSU", nsu}, {"TIPO", kind}, {"VALOR", cents}, {"COO", coo}, {"ID", request.get(1)}});
    return r;
}

Record Manager::administrative(const Record& request, const Rules& rules) {
    if (rules.adm_choice == "cancelada")
        return refusal(request, "ADM", "OPERACAO CANCELADA PELO OPERADOR");
    if (rules.adm_choice == "vazia") return refusal(request, "ADM", "");
    int confirmed = 0, undone = 0, cancelled = 0;
    long long total = 0;
    for (const auto& e : journal_.entries()) {
        if (e.event == "CONFIRMADA" && e.field("TIPO") != "ADM" && e.field("TIPO") != "CNC") {
            ++confirmed;
            std::string v = e.field("VALOR");
            if (all_digits(v)) total += std::stoll(v);
        }
        if (e.event == "DESFEITA") ++undone;
        if (e.event == "CANCELADA") ++cancelled;
    }
    std::string nsu = next_nsu();
    Record r = approved_answer("ADM", request, rules, nsu, "RELATORIO EMITIDO");
    put_voucher(r, {centred(rules.network), centred("RELATORIO ADMINISTRATIVO"), stamp_line(),
                    "VENDAS CONFIRMADAS: " + std::to_string(confirmed),
                    "TOTAL CONFIRMADO: " + reais(std::to_string(total)),
                    "TRANSACOES DESFEITAS: " + std::to_string(undone),
                    "VENDAS CANCELADAS: " + std::to_string(cancelled)});
    journal_.append("APROVADA",
                    {{"NSU", nsu}, {"TIPO", "ADM"}, {"VALOR", "0"}, {"ID", request.get(1)}});
    return r;
}

Record Manager::cancellation(const Record& request, const Rules& rules) {
    std::string original = request.get(12);
    std::string cents = request.get(3);
    auto approval = journal_.approval_of(original);
    auto last = journal_.last_for(original);
    if (original.empty() || !approval || !last ||
        (approval->field("TIPO") != "CRT" && approval->field("TIPO") != "CHQ"))
        return refusal(request, "CNC", "TRANSACAO NAO ENCONTRADA");
    if (last->event == "CANCELADA") return refusal(request, "CNC", "TRANSACAO JA CANCELADA");
    if (last->event != "CONFIRMADA") return refusal(request, "CNC", "TRANSACAO NAO CONFIRMADA");
    if (!all_digits(cents) || strip_zeros(cents) != approval->field("VALOR"))
        return refusal(request, "CNC", "VALOR NAO CONFERE");
    cents = strip_zeros(cents);
    std::string nsu = next_nsu();
    Record r = approved_answer("CNC", request, rules, nsu, "CANCELAMENTO APROVADO");
    r.set(2, request.get(2));
    r.set(3, cents);
    put_voucher(r, {centred(rules.network), centred("COMPROVANTE DE CANCELAMENTO"), stamp_line(),
                    "NSU: " + nsu, "NSU ORIGINAL: " + original, "VALOR: " + reais(cents),
                    centred("CANCELAMENTO APROVADO")});
    journal_.append("APROVADA", {{"NSU", nsu},
                                 {"TIPO", "CNC"},
                                 {"VALOR", cents},
                                 {"ORIGEM", original},
                                 {"ID", request.get(1)}});
    return r;
}

void Manager::settle(const Record& request, bool confirm) {
    std::string nsu = request.get(12);
    auto approval = journal_.approval_of(nsu);
    auto last = journal_.last_for(nsu);
    // Only a transaction still waiting can be confirmed or undone; a repeated
    // or stray request leaves the journal as it is.
    if (nsu.empty() || !approval || !last || last->event != "APROVADA") {
        std::cerr << "gerenciador: " << (confirm ? "CNF" : "NCN") << " sem transação pendente (NSU "
                  << nsu << ")\n";
        return;
    }
    auto fields = approval->fields;
    fields["ID"] = request.get(1);
    journal_.append(confirm ? "CONFIRMADA" : "DESFEITA", fields);
    if (confirm && approval->field("TIPO") == "CNC")
        journal_.append("CANCELADA", {{"NSU", approval->field("ORIGEM")}, {"POR", nsu}});
}

std::string Manager::next_nsu() {
    unsigned long last = 0;
    {
        std::ifstream in(nsu_file_);
        in >> last;
    }
    ++last;
    write_atomically(nsu_file_, std::to_string(last) + "\n");
    char text[16];
    std::snprintf(text, sizeof text, "%06lu", last % 1000000);
    return text;
}

bool Manager::write_atomically(const fs::path& file, const std::string& text) {
    fs::path temp = file;
    temp += ".gerenciador";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::cerr << "gerenciador: não gravou " << temp << "\n";
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, file, ec);
    if (ec) std::cerr << "gerenciador: não renomeou " << temp << ": " << ec.message() << "\n";
    return !ec;
}

void Manager::pause(int milliseconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!*stop_ && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace gerenciador
