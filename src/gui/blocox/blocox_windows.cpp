#include "gui/blocox/blocox_windows.h"

#include "blocox/printed_report.h"
#include "gui/blocox/stock_release_window.h"
#include "gui/qt_text.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace balcora::gui {

namespace {

// A list report in a fixed-width font: the page header and the column header
// over a rule on every page, then the lines.
void print_report(blocox::PrintedReport& report, QWidget* parent) {
    QPrinter printer;
    printer.setDocName(qs(report.title));
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(qs(report.title));
    if (dialog.exec() != QDialog::Accepted) return;
    QPainter painter;
    if (!painter.begin(&printer)) return;
    painter.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(painter.font());
    const int line_height = metrics.lineSpacing();
    const int bottom = painter.viewport().height() - line_height;
    const QString rule(132, '-');
    int y = 0;
    auto header = [&] {
        y = line_height;
        painter.drawText(0, y, qs(report.page_header));
        y += 2 * line_height;
        painter.drawText(0, y, qs(report.column_header));
        y += line_height;
        painter.drawText(0, y, rule);
        y += line_height;
    };
    header();
    for (const std::string& line : report.lines) {
        if (y > bottom) {
            printer.newPage();
            header();
        }
        painter.drawText(0, y, qs(line));
        y += line_height;
    }
    report.printed = painter.end();
}

}  // namespace

void provide_blocox_windows(ui::ScreenPort& port, QWidget* frame) {
    port.provide("BROWSELIBENVEST", [frame](const ui::ScreenPort::Arguments&) {
        open_stock_release(frame);
        return 0;
    });
    port.provide("UPDATELIBENVEST", [](const ui::ScreenPort::Arguments& args) {
        // Arguments: mode ("I" new, "A" change, "C" consult) and the row's id.
        const std::string mode = args.empty() ? "I" : args[0];
        const std::int32_t id = args.size() > 1 ? std::atoi(args[1].c_str()) : 0;
        const auto m = mode == "A"   ? blocox::ReleaseFormMode::kChange
                       : mode == "C" ? blocox::ReleaseFormMode::kView
                                     : blocox::ReleaseFormMode::kInsert;
        return run_stock_release_form(m, id, QApplication::activeWindow()) ? 1 : 0;
    });
    port.provide_view<blocox::PrintedReport>(
        [](blocox::PrintedReport& report) { print_report(report, QApplication::activeWindow()); });
}

}  // namespace balcora::gui
