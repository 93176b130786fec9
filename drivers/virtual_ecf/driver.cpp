// The entry of the driver: one command at a time, under a lock of the printer
// folder, against the memory of the printer glo::numfab names. Messages are
// shown and call-backs made only after the printer is free again.
#include "command.h"
#include "database.h"
#include "ecf/printer_commands.h"
#include "faults.h"
#include "globals/globals.h"
#include "store.h"
#include "text.h"
#include "ui/environment.h"
#include "virtual_ecf.h"

#include <cctype>
#include <cstring>
#include <mutex>

namespace balcora::vecf {

namespace {

using namespace balcora::ecf;

struct Slot {
    std::unique_ptr<Store> store;
    std::optional<Memory> memory;
};

std::mutex& driver_mutex() {
    static std::mutex m;
    return m;
}

std::map<std::string, Slot>& slots() {
    static std::map<std::string, Slot> s;
    return s;
}

Database& database() {
    static Database db;
    return db;
}

struct Outcome {
    bool ok = false;
    std::vector<Notice> notices;
    std::vector<std::function<void()>> after;
};

bool valid_serial(std::string_view s) {
    if (s.empty() || s.size() > 40 || s == "." || s == "..") return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
            return false;
    return true;
}

std::string current_serial() {
    return trim(glo::numfab);
}

fs::path folder_of(const std::string& serial) {
    return data_root().map("c:\\sistemas\\balcora\\ecf\\" + serial);
}

// Commands that put something on paper: refused while the paper is out.
bool prints(int command) {
    switch (command) {
        case CMD_OPEN_DAY:
        case CMD_CANCEL_OPEN_DOCUMENT:
        case CMD_OPEN_COUPON:
        case CMD_SELL_ITEM:
        case CMD_PAYMENT:
        case CMD_CLOSE_COUPON:
        case CMD_CANCEL_ITEM:
        case CMD_START_CLOSING:
        case CMD_CANCEL_CURRENT_COUPON:
        case CMD_CANCEL_COUPON:
        case CMD_CANCEL_NONFISCAL:
        case CMD_CASH_MOVEMENT:
        case CMD_CHECK_SALE_STATE:
        case CMD_CHECK_PRINTER:
        case CMD_LMF_PRINT_BY_DATE:
        case CMD_LMF_PRINT_BY_CRZ:
        case CMD_X_READING:
        case CMD_Z_REDUCTION:
        case CMD_CUT_PAPER:
        case CMD_OPEN_REPORT:
        case CMD_REPORT_LINE:
        case CMD_CLOSE_REPORT:
        case CMD_LIST_DEPARTMENTS:
        case CMD_REVERSE_CREDIT_VOUCHER:
        case CMD_OPEN_CREDIT_VOUCHER:
        case CMD_VOUCHER_LINE:
        case CMD_CLOSE_VOUCHER:
            return true;
        default:
            return false;
    }
}

void dispatch(Command& c) {
    Memory& m = c.m;
    switch (c.number) {
        case CMD_OPEN_DAY:
            return open_day(c);
        case CMD_CANCEL_OPEN_DOCUMENT:
            return cancel_open_document(c);
        case CMD_READ_COUNTERS:
            n_coo = m.coo, n_ccf = m.ccf, n_cro = m.cro;
            return;
        case CMD_TOGGLE_SUMMER_TIME:
            return toggle_summer_time(c);
        case CMD_OPEN_COUPON:
            return open_coupon(c);
        case CMD_SELL_ITEM:
            return sell_item(c);
        case CMD_PAYMENT:
            return register_payment(c);
        case CMD_CLOSE_COUPON:
            return close_coupon(c);
        case CMD_IDENTIFY_CONSUMER:
            return identify_consumer(c);
        case CMD_READ_DATETIME:
            glo::datahora_ecf = datahora(c.now);
            return;
        case CMD_CANCEL_ITEM:
            return cancel_item(c);
        case CMD_START_CLOSING:
            return start_closing(c);
        case CMD_CANCEL_CURRENT_COUPON:
        case CMD_CANCEL_COUPON:
            return cancel_coupon(c);
        case CMD_CANCEL_NONFISCAL:
            return cancel_nonfiscal(c);
        case CMD_PROGRAM_PAYMENT_METHODS:
            return program_payment_methods(c);
        case CMD_CASH_MOVEMENT:
            return cash_movement(c);
        case CMD_CHECK_SALE_STATE:
            return check_sale_state(c);
        case CMD_RECORD_REG60M:
            return record_reg60m(c);
        case CMD_READ_Z_PENDING:
            glo::rz_pendente = z_pending(m, c.now);
            return;
        case CMD_CHECK_PRINTER:
            return;
        case CMD_READ_COUPON_STATE:
            return read_coupon_state(c);
        case CMD_LMF_PRINT_BY_DATE:
        case CMD_LMF_PRINT_BY_CRZ:
        case CMD_LMF_FILE_BY_DATE:
        case CMD_LMF_FILE_BY_CRZ:
            return memory_reading(c);
        case CMD_DOWNLOAD_MF:
            return download_fiscal_memory(c);
        case CMD_OPEN_DRAWER:
            return;
        case CMD_COTEPE_FILE_BY_DATE:
        case CMD_COTEPE_FILE_BY_COO:
            return cotepe_file(c);
        case CMD_X_READING:
            return x_reading(c);
        case CMD_Z_REDUCTION:
            return z_reduction(c);
        case CMD_PROGRAM_TAX_RATES:
            return program_tax_rates(c);
        case CMD_MFD_MIRROR_BY_DATE:
        case CMD_MFD_MIRROR_BY_COO:
            return tape_mirror(c);
        case CMD_DOWNLOAD_MFD:
            return download_tape_memory(c);
        case CMD_OPEN_PORT:
            return sync_day_state(c);
        case CMD_CLOSE_PORT:
            return;
        case CMD_CONFIGURE_PRINTER:
            return configure_printer(c);
        case CMD_CUT_PAPER:
            return cut_paper(c);
        case CMD_ENABLE_CUTTER:
            c.dirty = !m.cutter;
            m.cutter = true;
            return;
        case CMD_OPEN_REPORT:
            return open_report(c);
        case CMD_REPORT_LINE:
        case CMD_VOUCHER_LINE:
            return document_line(c);
        case CMD_CLOSE_REPORT:
            return close_report(c);
        case CMD_READ_PRINTER_INFO:
            glo::mfd = 1;
            return;
        case CMD_REGISTER_DOCUMENT:
            return register_document(c);
        case CMD_LIST_DEPARTMENTS:
            return list_programming(c);
        case CMD_RECOVER_REG60M:
            return recover_reg60m(c);
        // Every payment method of this printer accepts a linked voucher, so
        // there is no link to program.
        case CMD_PROGRAM_LINK:
            return;
        case CMD_RECOVER_COUPON:
            glo::cf_aberto = m.doc.kind == DocKind::coupon ? 1 : 0;
            n_coo = m.coo, n_ccf = m.ccf, n_cro = m.cro;
            return;
        case CMD_REVERSE_CREDIT_VOUCHER:
            return reverse_voucher(c);
        case CMD_OPEN_CREDIT_VOUCHER:
            return open_voucher(c);
        case CMD_CLOSE_VOUCHER:
            return close_voucher(c);
        case CMD_TEF_MODE_ON:
        case CMD_TEF_MODE_OFF: {
            bool on = c.number == CMD_TEF_MODE_ON;
            c.dirty = m.tef != on;
            m.tef = on;
            // The card mode belongs to the program driving the printer, not
            // to its fiscal memory: a power cut may lose its last switch.
            c.out.may_wait = true;
            return;
        }
        case CMD_TEST:
            return;
        default:
            refuse("Comando " + std::to_string(c.number) +
                   " não suportado pela impressora fiscal.");
    }
}

void update_status(const Memory& m) {
    Moment now = printer_clock(m.summer);
    glo::hr_ativo = m.summer;
    glo::rz_nodia = z_done_today(m, now);
    glo::mf_lotada = 0;
    glo::poucopapel = 0;
    ::mfd = 1;
}

Slot& slot_for(const fs::path& folder) {
    Slot& s = slots()[folder.string()];
    if (!s.store) s.store = std::make_unique<Store>(folder);
    return s;
}

// The memory of the printer, read again when another process changed it.
const Memory& loaded(Slot& s, const std::string& serial) {
    if (!s.memory || s.store->changed_on_disk()) {
        s.memory.reset();
        try {
            s.memory = s.store->load(serial);
        } catch (const Damaged& d) {
            throw Refusal{"Erro", std::string("Memória da impressora fiscal danificada (") +
                                      d.what() + "). Chame a assistência técnica."};
        }
    }
    return *s.memory;
}

Outcome execute(int command, const Params& params) {
    Outcome o;
    const std::string serial = current_serial();
    try {
        if (serial.empty())
            refuse("Impressora fiscal não configurada: número de série não informado.");
        if (!valid_serial(serial))
            refuse("Número de série da impressora inválido: " + serial + ".");
        const fs::path folder = folder_of(serial);
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec) refuse("Erro (" + ec.message() + ") ao criar a pasta " + folder.string());
        FolderLock lock(folder);

        Faults faults = read_faults(folder / "falhas.ini");
        glo::sempapel = faults.paper_out;
        if (faults.power_off) refuse("Impressora desligada ou sem comunicação.");
        if (auto it = faults.refuse.find(command); it != faults.refuse.end() && it->second > 0) {
            --it->second;
            write_faults(folder / "falhas.ini", faults);
            refuse("Falha de comunicação com a impressora fiscal: o comando não foi executado.");
        }
        Slot& s = slot_for(folder);
        const Memory& memory = loaded(s, serial);
        if (faults.paper_out && prints(command))
            refuse_warning("Impressora sem papel. Coloque uma bobina nova e tente novamente.");

        Command c(command, params, memory, database(), *s.store);
        // A printer that never reached the database prints the shop's data as
        // soon as it can read them.
        if (prints(command) && c.m.header.razao.empty() && c.m.header.cnpj.empty() &&
            !glo::string_conexao.empty())
            configure_printer(c);
        dispatch(c);
        if (c.dirty) {
            try {
                s.store->commit(c.m, c.out);
            } catch (...) {
                s.memory.reset();
                throw;
            }
            s.memory = std::move(c.m);
        }
        if (c.db_tx) {
            try {
                c.db_tx->commit();
            } catch (const Refusal& r) {
                o.notices.push_back({r.title, r.text, ui::Icon::kError});
            }
        }
        update_status(*s.memory);
        o.ok = true;
        for (auto& n : c.notices) o.notices.push_back(std::move(n));
        o.after = std::move(c.after);
    } catch (const Refusal& r) {
        o.notices.push_back(
            {r.title, r.text, r.title == "Erro" ? ui::Icon::kError : ui::Icon::kWarning});
    } catch (const std::system_error& e) {
        o.notices.push_back({"Erro",
                             std::string("Falha ao gravar a memória da impressora fiscal (") +
                                 e.what() + "). O comando não foi executado.",
                             ui::Icon::kError});
    }
    return o;
}

template <typename F>
bool with_faults(F change) {
    std::lock_guard lock(driver_mutex());
    const std::string serial = current_serial();
    if (!valid_serial(serial)) return false;
    const fs::path file = folder_of(serial) / "falhas.ini";
    Faults f = read_faults(file);
    change(f);
    return write_faults(file, f);
}

}  // namespace

fs::path printer_folder() {
    const std::string serial = current_serial();
    return valid_serial(serial) ? folder_of(serial) : fs::path();
}

fs::path tape_path() {
    fs::path folder = printer_folder();
    return folder.empty() ? folder : folder / "bobina.txt";
}

bool refuse_next(int command, int count) {
    return with_faults([&](Faults& f) { f.refuse[command] = count > 0 ? count : 0; });
}

bool set_paper_out(bool out) {
    return with_faults([&](Faults& f) { f.paper_out = out; });
}

bool set_power(bool on) {
    return with_faults([&](Faults& f) { f.power_off = !on; });
}

bool reset_faults() {
    return with_faults([](Faults& f) { f = Faults{}; });
}

void reload() {
    std::lock_guard lock(driver_mutex());
    slots().clear();
}

bool write_memory_now() {
    std::lock_guard lock(driver_mutex());
    const std::string serial = current_serial();
    if (!valid_serial(serial)) return false;
    try {
        const fs::path folder = folder_of(serial);
        FolderLock folder_lock(folder);
        Slot& s = slot_for(folder);
        const Memory& m = loaded(s, serial);
        s.store->write_memory(m);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace balcora::vecf

using namespace balcora;

extern "C" uint8_t COMUNICA(int32_t command, const char* p1, const char* p2, const char* p3,
                            const char* p4, const char* p5, const char* p6, const char* p7) {
    vecf::Outcome outcome;
    try {
        const char* p[7] = {p1, p2, p3, p4, p5, p6, p7};
        vecf::Params params(p);
        std::lock_guard lock(vecf::driver_mutex());
        outcome = vecf::execute(command, params);
    } catch (const std::exception& e) {
        outcome = {};
        outcome.notices.push_back(
            {"Erro",
             std::string("Falha interna do driver da impressora fiscal (") + e.what() + ").",
             ui::Icon::kError});
    } catch (...) {
        outcome = {};
        outcome.notices.push_back(
            {"Erro", "Falha interna do driver da impressora fiscal.", ui::Icon::kError});
    }
    try {
        for (const auto& n : outcome.notices) prompt().message(n.title, n.text, n.icon);
        for (const auto& f : outcome.after) f();
    } catch (...) {
    }
    return outcome.ok ? 1 : 0;
}

extern "C" int balcora_vecf_refuse_next(int32_t command, int32_t count) {
    try {
        return vecf::refuse_next(command, count);
    } catch (...) {
        return 0;
    }
}

extern "C" int balcora_vecf_set_paper_out(int32_t out) {
    try {
        return vecf::set_paper_out(out != 0);
    } catch (...) {
        return 0;
    }
}

extern "C" int balcora_vecf_set_power(int32_t on) {
    try {
        return vecf::set_power(on != 0);
    } catch (...) {
        return 0;
    }
}

extern "C" int balcora_vecf_reset_faults(void) {
    try {
        return vecf::reset_faults();
    } catch (...) {
        return 0;
    }
}

extern "C" int32_t balcora_vecf_tape_path(char* buffer, int32_t size) {
    try {
        std::string path = vecf::tape_path().string();
        if (path.empty()) return 0;
        if (buffer && size > 0) {
            std::size_t n = std::min<std::size_t>(path.size(), size - 1);
            std::memcpy(buffer, path.data(), n);
            buffer[n] = '\0';
        }
        return static_cast<int32_t>(path.size() + 1);
    } catch (...) {
        return 0;
    }
}
