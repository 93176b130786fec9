#include "command.h"

#include "database.h"
#include "text.h"
#include "ui/environment.h"

namespace balcora::vecf {

void refuse(std::string text) {
    throw Refusal{"Erro", std::move(text)};
}

void refuse_warning(std::string text) {
    throw Refusal{"Atenção", std::move(text)};
}

std::string_view Params::at(int n) const {
    if (!has(n)) refuse("Parâmetro " + std::to_string(n) + " do comando não informado.");
    return p_[n - 1];
}

Command::Command(int number, const Params& params, const Memory& committed, Database& db,
                 Store& store)
    : number(number),
      params(params),
      committed(committed),
      m(committed),
      now(printer_clock(committed.summer)),
      db(db),
      store(store) {}

Command::~Command() = default;

void Command::print(const std::vector<std::string>& lines) {
    for (const auto& l : lines) print(l);
}

void Command::print(const std::string& line) {
    std::string clean = one_line(line);
    out.tape += clean;
    out.tape += '\n';
    if (m.doc.kind != DocKind::none) m.doc.lines.push_back(std::move(clean));
    dirty = true;
}

void Command::emit(TapeDocument d) {
    for (auto& l : d.lines) {
        l = one_line(l);
        out.tape += l;
        out.tape += '\n';
    }
    out.tape_memory += encode_document(d);
    out.document_finished = true;
    dirty = true;
}

void Command::finish_document(const char* kind, Money value, const char* status) {
    TapeDocument d;
    d.coo = m.doc.coo;
    d.kind = kind;
    d.at = m.doc.started;
    d.ccf = m.doc.kind == DocKind::coupon ? m.doc.ccf : m.doc.linked_ccf;
    d.gnf = m.doc.gnf, d.grg = m.doc.grg, d.cdc = m.doc.cdc;
    d.value = value;
    d.status = status;
    d.lines = std::move(m.doc.lines);
    out.tape_memory += encode_document(d);
    out.document_finished = true;
    m.doc = OpenDocument{};
    dirty = true;
}

void Command::record(const std::string& fiscal_record) {
    out.fiscal += fiscal_record;
    dirty = true;
}

void Command::notice(std::string title, std::string text, ui::Icon icon) {
    notices.push_back({std::move(title), std::move(text), icon});
}

Moment printer_clock(bool summer) {
    platform::LocalTime t = clock().now();
    Moment m{util::day_number(t.year, t.month, t.day), t.hour * 3600 + t.minute * 60 + t.second};
    if (summer) {
        m.seconds += 3600;
        if (m.seconds >= 86400) m.seconds -= 86400, m.day += 1;
    }
    return m;
}

std::string br_moment(const Moment& m) {
    return util::br_date(m.day) + " " + hms(m.seconds);
}

std::string datahora(const Moment& m) {
    util::CivilDate d = util::civil_date(m.day);
    return zero_filled(d.day, 2) + zero_filled(d.month, 2) + zero_filled(d.year % 100, 2) +
           zero_filled(m.seconds / 3600, 2) + zero_filled(m.seconds / 60 % 60, 2) +
           zero_filled(m.seconds % 60, 2);
}

bool iss_totaliser(std::string_view name) {
    return (name.size() == 7 && name[2] == 'S') || name == "FS1" || name == "IS1" || name == "NS1";
}

bool z_pending(const Memory& m, const Moment& now) {
    return m.day.open && m.day.movement < now.day;
}

bool z_done_today(const Memory& m, const Moment& now) {
    return !m.day.open && m.last_z_movement != 0 && m.last_z_movement >= now.day;
}

void require_no_document(const Memory& m) {
    switch (m.doc.kind) {
        case DocKind::none:
            return;
        case DocKind::coupon:
            refuse("Cupom fiscal aberto. Encerre ou cancele o cupom antes deste comando.");
        case DocKind::report:
            refuse("Relatório gerencial aberto. Encerre o relatório antes deste comando.");
        case DocKind::voucher:
            refuse(
                "Comprovante de crédito ou débito aberto. Encerre o comprovante antes deste "
                "comando.");
    }
}

void require_new_document(const Memory& m, const Moment& now) {
    require_no_document(m);
    if (z_pending(m, now))
        refuse_warning("Redução Z pendente do dia " + util::br_date(m.day.movement) +
                       ". Emita a Redução Z antes de continuar.");
    if (z_done_today(m, now))
        refuse_warning("Redução Z do dia já emitida. Novos documentos somente no dia seguinte.");
}

void start_movement(Command& c) {
    Day& d = c.m.day;
    if (d.open) return;
    int first_coo = d.first_coo ? d.first_coo : 1;
    d = Day{};
    d.open = true;
    d.movement = c.now.day;
    d.gt_start = c.m.gt;
    d.first_coo = first_coo;
    c.dirty = true;
}

void close_cancellation_window(Memory& m, bool coupon_too) {
    m.last_cash.cancellable = false;
    if (coupon_too) m.last_coupon.cancellable = false;
}

}  // namespace balcora::vecf
