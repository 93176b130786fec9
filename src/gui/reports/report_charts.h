#pragma once

#include "reports/sales_report.h"

#include <QRectF>

class QPainter;

namespace balcora::gui {

// The two charts that close a page report, side by side in `area`: sales per
// day of the period (per month over long periods) and each payment form's
// share of what was received.
void paint_report_charts(QPainter& painter, const QRectF& area, const reports::SalesReport& report);

}  // namespace balcora::gui
