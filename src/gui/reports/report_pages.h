#pragma once

#include "reports/sales_report.h"

#include <QString>

class QPagedPaintDevice;
class QWidget;

namespace balcora::gui {

// Lays a sales report out on pages: each page under the header (company,
// title, emission, period), the columns, the totals, the payment summary and,
// for the page models, the charts of sales per day and of the payment forms.
// The text model prints its fixed-pitch lines instead. False when the device
// could not be painted on (a file that cannot be written).
bool paint_sales_report(const reports::SalesReport& report, QPagedPaintDevice& device);

// Through the printer dialog ("Print to PDF" among its printers); false when
// the operator cancelled it, so nothing was printed.
bool print_sales_report(const reports::SalesReport& report, QWidget* parent);

// The same pages written to a PDF file, without a dialog; false when the file
// could not be written.
bool write_sales_report_pdf(const reports::SalesReport& report, const QString& path);

}  // namespace balcora::gui
