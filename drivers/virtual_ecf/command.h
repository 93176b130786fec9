#pragma once

#include "journal.h"
#include "memory.h"
#include "store.h"
#include "ui/prompt_port.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One command in progress: a working copy of the memory that the handlers
// change, what it prints, and what it shows. A handler that refuses throws
// Refusal; nothing it changed is then kept.
namespace balcora::vecf {

class Database;
class DbTransaction;

struct Refusal {
    std::string title;
    std::string text;
};

[[noreturn]] void refuse(std::string text);
[[noreturn]] void refuse_warning(std::string text);

// p1..p7 as the caller gave them; a null pointer is a parameter left out.
class Params {
  public:
    explicit Params(const char* const* p) {
        for (int i = 0; i < 7; ++i) p_[i] = p[i];
    }
    bool has(int n) const { return n >= 1 && n <= 7 && p_[n - 1] != nullptr; }
    // The parameter; refused when it was left out.
    std::string_view at(int n) const;
    // The parameter, or "" when it was left out.
    std::string_view or_empty(int n) const { return has(n) ? std::string_view(p_[n - 1]) : ""; }

  private:
    const char* p_[7] = {};
};

struct Notice {
    std::string title, text;
    ui::Icon icon = ui::Icon::kInformation;
};

struct Command {
    Command(int number, const Params& params, const Memory& committed, Database& db, Store& store);
    ~Command();

    int number;
    const Params& params;
    const Memory& committed;
    Memory m;    // the working copy
    Moment now;  // the printer's clock for this command
    Pending out;
    bool dirty = false;
    std::vector<Notice> notices;
    std::vector<std::function<void()>> after;  // run once the printer is free again
    Database& db;
    std::unique_ptr<DbTransaction> db_tx;  // committed right after the memory
    Store& store;

    // Prints lines into the open document (and onto the paper).
    void print(const std::vector<std::string>& lines);
    void print(const std::string& line);
    // A whole document printed at once.
    void emit(TapeDocument d);
    // Ends the open document, recording it in the tape memory.
    void finish_document(const char* kind, Money value, const char* status = "N");
    void record(const std::string& fiscal_record);
    void notice(std::string title, std::string text, ui::Icon icon = ui::Icon::kInformation);
};

// The printer's clock: the computer's clock, one hour ahead in summer time.
Moment printer_clock(bool summer);
std::string br_moment(const Moment& m);  // "dd/mm/yyyy hh:mm:ss"
std::string datahora(const Moment& m);   // "ddmmyyhhmmss"

// Conditions shared by the handlers.
// ISSQN totalisers ("01S0500", "FS1", "IS1", "NS1") against the ICMS ones.
bool iss_totaliser(std::string_view name);
bool z_pending(const Memory& m, const Moment& now);
bool z_done_today(const Memory& m, const Moment& now);
// Refuses when a document is open.
void require_no_document(const Memory& m);
// Refuses what a new fiscal or non-fiscal document cannot follow: an open
// document, a pending reduction, the day already reduced.
void require_new_document(const Memory& m, const Moment& now);
// Starts the fiscal day with the first document that needs one.
void start_movement(Command& c);
// A document other than the last coupon's vouchers ends the chance to cancel it.
void close_cancellation_window(Memory& m, bool coupon_too);

// Command handlers, by purpose.
void open_coupon(Command& c);
void sell_item(Command& c);
void cancel_item(Command& c);
void start_closing(Command& c);
void register_payment(Command& c);
void identify_consumer(Command& c);
void close_coupon(Command& c);
void cancel_coupon(Command& c);
void read_coupon_state(Command& c);

void open_report(Command& c);
void document_line(Command& c);
void close_report(Command& c);
void open_voucher(Command& c);
void close_voucher(Command& c);
void reverse_voucher(Command& c);
void cash_movement(Command& c);
void issue_cash_receipt(Command& c, const std::string& kind, Money amount);
void cancel_nonfiscal(Command& c);
void cancel_open_document(Command& c);
void cut_paper(Command& c);
void register_document(Command& c);

void open_day(Command& c);
void x_reading(Command& c);
void z_reduction(Command& c);
void toggle_summer_time(Command& c);
void program_tax_rates(Command& c);
void program_payment_methods(Command& c);
void list_programming(Command& c);
void configure_printer(Command& c);
void sync_day_state(Command& c);
// Reads the shop data the printer prints from the database; false when the
// printer has no row there.
bool load_header(Command& c);
void check_sale_state(Command& c);

void record_reg60m(Command& c);
void recover_reg60m(Command& c);

void memory_reading(Command& c);
void download_fiscal_memory(Command& c);
void download_tape_memory(Command& c);
void tape_mirror(Command& c);
void cotepe_file(Command& c);

}  // namespace balcora::vecf
