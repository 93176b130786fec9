#include "memory.h"

#include "text.h"

#include <charconv>

namespace balcora::vecf {

Money OpenDocument::items_net() const {
    Money sum;
    for (const Item& i : items)
        if (!i.cancelled) sum += i.net();
    return sum;
}

Money OpenDocument::paid() const {
    Money sum;
    for (const Payment& p : payments) sum += p.amount;
    return sum;
}

namespace {

constexpr std::string_view kMagic = "BALCORA-ECF-VIRTUAL-MEMORIA";

// One record per line, fields separated by tabs; texts escape the tab, the
// line break and the backslash.
class Writer {
  public:
    Writer& tag(std::string_view t) {
        out_ += t;
        return *this;
    }
    Writer& text(std::string_view s) {
        out_ += '\t';
        for (char c : s) {
            if (c == '\\')
                out_ += "\\\\";
            else if (c == '\t')
                out_ += "\\t";
            else if (c == '\n')
                out_ += "\\n";
            else if (c == '\r')
                out_ += "\\r";
            else
                out_ += c;
        }
        return *this;
    }
    Writer& num(std::int64_t v) {
        out_ += '\t';
        out_ += std::to_string(v);
        return *this;
    }
    template <int P>
    Writer& amount(util::Fixed<P> v) {
        return num(v.units());
    }
    void end() { out_ += '\n'; }
    std::string& str() { return out_; }

  private:
    std::string out_;
};

std::string unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char n = s[++i];
        out += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    }
    return out;
}

class Record {
  public:
    explicit Record(std::string_view line) {
        std::size_t start = 0;
        while (true) {
            std::size_t tab = line.find('\t', start);
            fields_.push_back(line.substr(start, tab == line.npos ? line.npos : tab - start));
            if (tab == line.npos) break;
            start = tab + 1;
        }
    }
    std::string_view tag() const { return fields_[0]; }
    void need(std::size_t n) const {
        if (fields_.size() != n + 1)
            throw Damaged("registro \"" + std::string(tag()) + "\" com campos faltando");
    }
    std::string text(std::size_t i) const { return unescape(fields_.at(i)); }
    std::int64_t num(std::size_t i) const {
        std::string_view f = fields_.at(i);
        std::int64_t v = 0;
        auto [p, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
        if (ec != std::errc() || p != f.data() + f.size() || f.empty())
            throw Damaged("valor ilegível no registro \"" + std::string(tag()) + "\"");
        return v;
    }
    int integer(std::size_t i) const { return static_cast<int>(num(i)); }
    bool flag(std::size_t i) const { return num(i) != 0; }
    Money cents(std::size_t i) const { return Money::from_units(num(i)); }

  private:
    std::vector<std::string_view> fields_;
};

void put_moment(Writer& w, const Moment& m) {
    w.num(m.day).num(m.seconds);
}

Moment get_moment(const Record& r, std::size_t i) {
    return {r.integer(i), r.integer(i + 1)};
}

void put_payments(Writer& w, std::string_view tag, const std::vector<Payment>& payments) {
    for (const Payment& p : payments) {
        w.tag(tag).text(p.method).amount(p.amount);
        w.end();
    }
}

void put_amounts(Writer& w, std::string_view tag, const std::map<std::string, Money>& m) {
    for (const auto& [name, value] : m) {
        w.tag(tag).text(name).amount(value);
        w.end();
    }
}

void put_nonfiscal(Writer& w, std::string_view tag, const IssuedNonFiscal& d) {
    w.tag(tag).num(d.coo).num(d.gnf).num(d.grg).num(d.cdc).num(d.ccf).num(d.present);
    w.end();
}

IssuedNonFiscal get_nonfiscal(const Record& r) {
    r.need(6);
    return {r.integer(1), r.integer(2), r.integer(3), r.integer(4), r.integer(5), r.flag(6)};
}

}  // namespace

std::string encode(const Memory& m) {
    Writer w;
    w.str().reserve(4096 + m.doc.lines.size() * 64 + m.doc.items.size() * 160);
    w.tag(kMagic).num(kMemoryVersion).end();
    w.tag("serial").text(m.serial).end();
    w.tag("counters").num(m.coo).num(m.ccf).num(m.cro).num(m.crz).num(m.gnf).num(m.grg).num(m.cdc);
    w.num(m.cfc).num(m.ncn).num(m.cdc_reversed).end();
    w.tag("gt").amount(m.gt).end();
    w.tag("flags").num(m.summer).num(m.tef).num(m.cutter).end();
    w.tag("lastz").num(m.last_z_movement);
    put_moment(w, m.last_z_at);
    w.end();
    w.tag("journals").num(static_cast<std::int64_t>(m.mf_length));
    w.num(static_cast<std::int64_t>(m.mfd_length))
        .num(static_cast<std::int64_t>(m.tape_length))
        .end();
    const Header& h = m.header;
    w.tag("header").text(h.razao).text(h.fantasia).text(h.endereco).text(h.cidade).text(h.cnpj);
    w.text(h.ie).text(h.im).num(h.ecf_number).num(h.store).end();
    for (const auto& [index, letter] : m.tax_letters)
        w.tag("taxletter").text(index).text(std::string(1, letter)).end();
    for (const auto& name : m.methods) w.tag("method").text(name).end();

    const Day& d = m.day;
    w.tag("day").num(d.open).num(d.movement).amount(d.gt_start).num(d.first_coo).amount(d.canc);
    w.amount(d.desc).amount(d.surch).amount(d.canc_iss).amount(d.desc_iss).amount(d.surch_iss);
    w.amount(d.change).amount(d.withdrawals).amount(d.supplies).num(d.coupons);
    w.num(d.cancelled_coupons).end();
    put_amounts(w, "daytax", d.tax);
    put_amounts(w, "daypay", d.payments);

    const OpenDocument& doc = m.doc;
    w.tag("doc").num(static_cast<int>(doc.kind)).num(doc.coo);
    put_moment(w, doc.started);
    w.num(doc.ccf).num(static_cast<int>(doc.phase)).text(doc.consumer_doc).text(doc.consumer_name);
    w.text(doc.consumer_address).text(doc.consumer_id).amount(doc.adjustment).num(doc.gnf);
    w.num(doc.grg).num(doc.cdc).num(doc.linked_coo).num(doc.linked_ccf).text(doc.method);
    w.amount(doc.amount).num(doc.instalments).end();
    for (const Item& i : doc.items) {
        w.tag("item").num(i.number).text(i.code).text(i.description).text(i.unit).text(i.totaliser);
        w.text(i.cest).text(i.ncm).amount(i.price).amount(i.quantity).amount(i.total);
        w.amount(i.discount).amount(i.surcharge).amount(i.share).num(i.cancelled).end();
    }
    put_payments(w, "pay", doc.payments);
    for (const auto& line : doc.lines) w.tag("line").text(line).end();

    const LastCoupon& lc = m.last_coupon;
    w.tag("lastcoupon").num(lc.coo).num(lc.ccf).amount(lc.total).num(lc.cancellable);
    w.num(lc.cancelled).end();
    put_amounts(w, "lctax", lc.by_totaliser);
    put_payments(w, "lcpay", lc.payments);
    for (const Voucher& v : lc.vouchers)
        w.tag("lcvoucher").num(v.coo).text(v.method).amount(v.amount).num(v.reversed).end();
    const LastCashMovement& cash = m.last_cash;
    w.tag("lastcash").num(cash.coo).num(cash.gnf).text(cash.kind).amount(cash.amount);
    w.num(cash.cancellable).end();
    put_nonfiscal(w, "lastreport", m.last_report);
    put_nonfiscal(w, "lastvoucher", m.last_voucher);
    w.tag("end").end();
    std::string& body = w.str();
    body += "crc\t" + hex8(crc32(body)) + "\n";
    return std::move(body);
}

Memory decode(std::string_view text) {
    std::size_t crc_at = text.rfind("crc\t");
    if (crc_at == text.npos || (crc_at > 0 && text[crc_at - 1] != '\n'))
        throw Damaged("soma de verificação ausente");
    std::string_view body = text.substr(0, crc_at);
    std::string_view stored = text.substr(crc_at + 4);
    if (!stored.empty() && stored.back() == '\n') stored.remove_suffix(1);
    if (stored != hex8(crc32(body))) throw Damaged("soma de verificação não confere");

    Memory m;
    bool header_seen = false, ended = false;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t nl = body.find('\n', pos);
        if (nl == body.npos) throw Damaged("registro incompleto");
        Record r(body.substr(pos, nl - pos));
        pos = nl + 1;
        std::string_view tag = r.tag();
        if (!header_seen) {
            if (tag != kMagic) throw Damaged("não é uma memória da impressora virtual");
            r.need(1);
            if (r.num(1) != kMemoryVersion)
                throw Damaged("versão " + std::to_string(r.num(1)) + " da memória não suportada");
            header_seen = true;
        } else if (tag == "serial") {
            r.need(1);
            m.serial = r.text(1);
        } else if (tag == "counters") {
            r.need(10);
            m.coo = r.integer(1), m.ccf = r.integer(2), m.cro = r.integer(3), m.crz = r.integer(4);
            m.gnf = r.integer(5), m.grg = r.integer(6), m.cdc = r.integer(7), m.cfc = r.integer(8);
            m.ncn = r.integer(9), m.cdc_reversed = r.integer(10);
        } else if (tag == "gt") {
            r.need(1);
            m.gt = r.cents(1);
        } else if (tag == "flags") {
            r.need(3);
            m.summer = r.flag(1), m.tef = r.flag(2), m.cutter = r.flag(3);
        } else if (tag == "lastz") {
            r.need(3);
            m.last_z_movement = r.integer(1);
            m.last_z_at = get_moment(r, 2);
        } else if (tag == "journals") {
            r.need(3);
            m.mf_length = r.num(1), m.mfd_length = r.num(2), m.tape_length = r.num(3);
        } else if (tag == "header") {
            r.need(9);
            m.header = {r.text(1), r.text(2), r.text(3),    r.text(4),   r.text(5),
                        r.text(6), r.text(7), r.integer(8), r.integer(9)};
        } else if (tag == "taxletter") {
            r.need(2);
            std::string letter = r.text(2);
            m.tax_letters[r.text(1)] = letter.empty() ? 'T' : letter[0];
        } else if (tag == "method") {
            r.need(1);
            m.methods.push_back(r.text(1));
        } else if (tag == "day") {
            r.need(15);
            Day& d = m.day;
            d.open = r.flag(1), d.movement = r.integer(2), d.gt_start = r.cents(3);
            d.first_coo = r.integer(4), d.canc = r.cents(5), d.desc = r.cents(6);
            d.surch = r.cents(7), d.canc_iss = r.cents(8), d.desc_iss = r.cents(9);
            d.surch_iss = r.cents(10), d.change = r.cents(11), d.withdrawals = r.cents(12);
            d.supplies = r.cents(13), d.coupons = r.integer(14),
            d.cancelled_coupons = r.integer(15);
        } else if (tag == "daytax") {
            r.need(2);
            m.day.tax[r.text(1)] = r.cents(2);
        } else if (tag == "daypay") {
            r.need(2);
            m.day.payments[r.text(1)] = r.cents(2);
        } else if (tag == "doc") {
            r.need(19);
            OpenDocument& d = m.doc;
            int kind = r.integer(1), phase = r.integer(6);
            if (kind < 0 || kind > 3 || phase < 0 || phase > 3)
                throw Damaged("documento aberto ilegível");
            d.kind = static_cast<DocKind>(kind);
            d.coo = r.integer(2);
            d.started = get_moment(r, 3);
            d.ccf = r.integer(5);
            d.phase = static_cast<Phase>(phase);
            d.consumer_doc = r.text(7), d.consumer_name = r.text(8), d.consumer_address = r.text(9);
            d.consumer_id = r.text(10), d.adjustment = r.cents(11), d.gnf = r.integer(12);
            d.grg = r.integer(13), d.cdc = r.integer(14), d.linked_coo = r.integer(15);
            d.linked_ccf = r.integer(16), d.method = r.text(17), d.amount = r.cents(18);
            d.instalments = r.integer(19);
        } else if (tag == "item") {
            r.need(14);
            Item i;
            i.number = r.integer(1), i.code = r.text(2), i.description = r.text(3);
            i.unit = r.text(4), i.totaliser = r.text(5), i.cest = r.text(6), i.ncm = r.text(7);
            i.price = Price::from_units(r.num(8)), i.quantity = Quantity::from_units(r.num(9));
            i.total = r.cents(10), i.discount = r.cents(11), i.surcharge = r.cents(12);
            i.share = r.cents(13), i.cancelled = r.flag(14);
            m.doc.items.push_back(std::move(i));
        } else if (tag == "pay") {
            r.need(2);
            m.doc.payments.push_back({r.text(1), r.cents(2)});
        } else if (tag == "line") {
            r.need(1);
            m.doc.lines.push_back(r.text(1));
        } else if (tag == "lastcoupon") {
            r.need(5);
            LastCoupon& lc = m.last_coupon;
            lc.coo = r.integer(1), lc.ccf = r.integer(2), lc.total = r.cents(3);
            lc.cancellable = r.flag(4), lc.cancelled = r.flag(5);
        } else if (tag == "lctax") {
            r.need(2);
            m.last_coupon.by_totaliser[r.text(1)] = r.cents(2);
        } else if (tag == "lcpay") {
            r.need(2);
            m.last_coupon.payments.push_back({r.text(1), r.cents(2)});
        } else if (tag == "lcvoucher") {
            r.need(4);
            m.last_coupon.vouchers.push_back({r.integer(1), r.text(2), r.cents(3), r.flag(4)});
        } else if (tag == "lastcash") {
            r.need(5);
            m.last_cash = {r.integer(1), r.integer(2), r.text(3), r.cents(4), r.flag(5)};
        } else if (tag == "lastreport") {
            m.last_report = get_nonfiscal(r);
        } else if (tag == "lastvoucher") {
            m.last_voucher = get_nonfiscal(r);
        } else if (tag == "end") {
            ended = true;
        } else {
            throw Damaged("registro desconhecido \"" + std::string(tag) + "\"");
        }
    }
    if (!header_seen || !ended) throw Damaged("memória incompleta");
    return m;
}

}  // namespace balcora::vecf
