#include "gui/reports/report_pages.h"

#include "gui/qt_text.h"
#include "gui/reports/report_charts.h"
#include "util/fixed_point_text.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>

#include <numeric>
#include <string>
#include <vector>

namespace balcora::gui {

namespace {

using reports::ReportColumn;
using reports::ReportLine;
using reports::SalesReport;
using reports::SalesReportModel;

// Writes lines down the pages of a device, starting a page with its header
// whenever the next block would not fit.
class PageWriter {
  public:
    PageWriter(const SalesReport& report, QPagedPaintDevice& device)
        : report_(report),
          device_(device),
          painter_(&device),
          body_font_(QStringLiteral("DejaVu Sans"), 8),
          bold_font_(body_font_),
          title_font_(QStringLiteral("DejaVu Sans"), 12, QFont::Bold),
          mono_font_(QStringLiteral("DejaVu Sans Mono"), 8) {
        bold_font_.setBold(true);
        page_ = QRectF(0, 0, device.width(), device.height());
        line_height_ = QFontMetricsF(body_font_, &device).height() * 1.15;
        start_page();
    }

    bool ok() const { return painter_.isActive(); }
    QPainter& painter() { return painter_; }
    QRectF page() const { return page_; }
    double remaining() const { return page_.bottom() - y_; }
    double line_height() const { return line_height_; }

    void ensure(double height) {
        if (height > remaining()) {
            device_.newPage();
            start_page();
        }
    }
    void skip(double lines) { y_ += line_height_ * lines; }
    void advance(double height) { y_ += height; }
    double y() const { return y_; }

    void column_headers(const std::vector<ReportColumn>& columns, double indent = 0) {
        ensure(line_height_ * 2);
        cells(columns, captions(columns), bold_font_, indent);
        painter_.drawLine(QPointF(page_.left(), y_), QPointF(page_.right(), y_));
        y_ += line_height_ * 0.3;
    }
    void cells(const std::vector<ReportColumn>& columns, const std::vector<std::string>& texts,
               const QFont& font, double indent = 0) {
        ensure(line_height_);
        painter_.setFont(font);
        const double total =
            std::accumulate(columns.begin(), columns.end(), 0.0,
                            [](double s, const ReportColumn& c) { return s + c.width + 1; });
        const double unit = (page_.width() - indent) / total;
        double x = page_.left() + indent;
        const QFontMetricsF metrics(font, &device_);
        for (std::size_t i = 0; i < columns.size() && i < texts.size(); ++i) {
            const double w = columns[i].width * unit;
            const QRectF cell(x, y_, w, line_height_);
            const QString text = metrics.elidedText(qs(texts[i]), Qt::ElideRight, w);
            painter_.drawText(
                cell,
                Qt::AlignVCenter | (columns[i].right_aligned ? Qt::AlignRight : Qt::AlignLeft),
                text);
            x += w + unit;
        }
        y_ += line_height_;
    }
    void text_line(const QString& text, const QFont& font, Qt::Alignment align = Qt::AlignLeft) {
        ensure(line_height_);
        painter_.setFont(font);
        painter_.drawText(QRectF(page_.left(), y_, page_.width(), line_height_),
                          align | Qt::AlignVCenter, text);
        y_ += line_height_;
    }

    const QFont& body() const { return body_font_; }
    const QFont& bold() const { return bold_font_; }
    const QFont& mono() const { return mono_font_; }

  private:
    static std::vector<std::string> captions(const std::vector<ReportColumn>& columns) {
        std::vector<std::string> out;
        for (const auto& c : columns) out.push_back(c.caption);
        return out;
    }

    void start_page() {
        ++page_number_;
        y_ = page_.top();
        painter_.setFont(bold_font_);
        painter_.drawText(QRectF(page_.left(), y_, page_.width(), line_height_),
                          Qt::AlignLeft | Qt::AlignVCenter, qs(report_.company));
        painter_.setFont(body_font_);
        painter_.drawText(QRectF(page_.left(), y_, page_.width(), line_height_),
                          Qt::AlignRight | Qt::AlignVCenter,
                          QStringLiteral("Página %1").arg(page_number_));
        y_ += line_height_;
        const double title_height = QFontMetricsF(title_font_, &device_).height() * 1.3;
        painter_.setFont(title_font_);
        painter_.drawText(QRectF(page_.left(), y_, page_.width(), title_height), Qt::AlignCenter,
                          qs(report_.title));
        y_ += title_height;
        painter_.setFont(body_font_);
        painter_.drawText(QRectF(page_.left(), y_, page_.width(), line_height_),
                          Qt::AlignLeft | Qt::AlignVCenter, qs(report_.period));
        painter_.drawText(QRectF(page_.left(), y_, page_.width(), line_height_),
                          Qt::AlignRight | Qt::AlignVCenter, qs(report_.emitted));
        y_ += line_height_;
        painter_.drawLine(QPointF(page_.left(), y_), QPointF(page_.right(), y_));
        y_ += line_height_ * 0.5;
    }

    const SalesReport& report_;
    QPagedPaintDevice& device_;
    QPainter painter_;
    QFont body_font_, bold_font_, title_font_, mono_font_;
    QRectF page_;
    double line_height_ = 0;
    double y_ = 0;
    int page_number_ = 0;
};

void paint_payments(PageWriter& w, const SalesReport& report) {
    static const std::vector<ReportColumn> kColumns = {{"Forma", 12, false}, {"Valor", 15, true}};
    w.skip(0.5);
    w.ensure(w.line_height() * 3);
    w.text_line(QStringLiteral("Resumo das formas de pagamento"), w.bold());
    w.column_headers(kColumns);
    for (const auto& p : report.payments)
        w.cells(kColumns, {p.name, util::to_br(p.amount)}, w.body());
    w.cells(kColumns, {"Total", util::to_br(report.payments_total)}, w.bold());
}

void paint_page_model(PageWriter& w, const SalesReport& report) {
    w.column_headers(report.columns);
    if (!report.item_columns.empty())
        w.column_headers(report.item_columns, w.page().width() * 0.04);
    for (const ReportLine& line : report.lines) {
        if (line.kind == ReportLine::Kind::kItem)
            w.cells(report.item_columns, line.cells, w.body(), w.page().width() * 0.04);
        else
            w.cells(report.columns, line.cells,
                    line.kind == ReportLine::Kind::kCoupon ? w.bold() : w.body());
    }
    w.skip(0.3);
    for (const std::string& total : report.totals) w.text_line(qs(total), w.bold(), Qt::AlignRight);
    if (report.prints_payments) paint_payments(w, report);

    // The charts take the rest of the page when enough is left, else a page of their own.
    const double chart_height = w.page().height() * 0.38;
    w.skip(1);
    w.ensure(chart_height);
    paint_report_charts(w.painter(), QRectF(w.page().left(), w.y(), w.page().width(), chart_height),
                        report);
    w.advance(chart_height);
}

void paint_text_model(PageWriter& w, const SalesReport& report) {
    for (const std::string& line : reports::summary_text_lines(report))
        w.text_line(qs(line), w.mono());
}

void set_margins(QPagedPaintDevice& device) {
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
}

}  // namespace

bool paint_sales_report(const SalesReport& report, QPagedPaintDevice& device) {
    PageWriter w(report, device);
    if (!w.ok()) return false;
    if (report.model == SalesReportModel::kSummaryText)
        paint_text_model(w, report);
    else
        paint_page_model(w, report);
    return true;
}

bool print_sales_report(const SalesReport& report, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    set_margins(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(qs(report.title));
    if (dialog.exec() != QDialog::Accepted) return false;
    paint_sales_report(report, printer);
    return true;
}

bool write_sales_report_pdf(const SalesReport& report, const QString& path) {
    QPdfWriter pdf(path);
    pdf.setResolution(300);
    pdf.setTitle(qs(report.title));
    pdf.setCreator(QStringLiteral("Balcora"));
    set_margins(pdf);
    return paint_sales_report(report, pdf);
}

}  // namespace balcora::gui
