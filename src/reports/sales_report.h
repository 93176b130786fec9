#pragma once

#include "platform/clock.h"
#include "util/day_number.h"
#include "util/fixed_point.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::reports {

// The four models of "&Relatórios" → "&Movimento", numbered as the window lists them.
enum class SalesReportModel { kSummary = 1, kByProduct = 2, kDetailed = 3, kSummaryText = 4 };

struct ReportColumn {
    std::string caption;
    int width = 10;  // in characters of the fixed-pitch text form
    bool right_aligned = false;
};

// One line of the body. A coupon line of the detailed model heads the item
// lines that follow it; its cells follow coupon_columns, an item's item_columns.
struct ReportLine {
    enum class Kind { kRow, kCoupon, kItem };
    Kind kind = Kind::kRow;
    std::vector<std::string> cells;
};

struct PaymentLine {
    std::string code;
    std::string name;
    util::Money amount;
};

struct DaySales {
    util::DayNumber day = 0;
    util::Money total;
};

// Everything a report prints, worked out from the database once, so that the
// page, text and PDF forms cannot disagree.
struct SalesReport {
    SalesReportModel model = SalesReportModel::kSummary;
    std::string company;
    std::string title;
    std::string emitted;  // "Emitido em DD/MM/YYYY às HH:MM"
    std::string period;   // "Periodo de: DD/MM/YYYY até DD/MM/YYYY"
    util::DayNumber first = 0;
    util::DayNumber last = 0;

    std::vector<ReportColumn> columns;       // rows and coupon lines
    std::vector<ReportColumn> item_columns;  // item lines of the detailed model
    std::vector<ReportLine> lines;
    std::vector<std::string> totals;  // the closing lines of the body

    // The payment summary (models 1, 3 and 4); the charts use it for every model.
    bool prints_payments = false;
    std::vector<PaymentLine> payments;
    util::Money payments_total;

    util::Money sales_total;
    util::Quantity quantity_total;  // by-product model
    std::vector<DaySales> sales_per_day;
};

// "DINHEIRO" for "DI" and so on, every code the payment screen writes
// included; "Desconhec" for any other.
std::string payment_form_name(std::string_view code);

// Reads the issued coupons of [first, last]; nothing when a query failed (the
// failure was shown).
std::optional<SalesReport> build_sales_report(SalesReportModel model, util::DayNumber first,
                                              util::DayNumber last, const platform::LocalTime& now);

// The summary as the text report prints it: the column header over dashes,
// one line per coupon, the total, then the payment forms and their total.
std::vector<std::string> summary_text_lines(const SalesReport& report);

}  // namespace balcora::reports
