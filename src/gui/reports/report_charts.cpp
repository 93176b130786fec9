#include "gui/reports/report_charts.h"

#include "gui/qt_text.h"
#include "util/fixed_point_text.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsScene>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QValueAxis>

#include <map>
#include <utility>
#include <vector>

namespace balcora::gui {

namespace {

using reports::SalesReport;

// Reais as a chart scale reads them; the report's own figures stay exact.
double reais(util::Money m) {
    return static_cast<double>(m.units()) / 100.0;
}

// One bar per day up to two months, one per month beyond, so a year stays readable.
std::vector<std::pair<QString, util::Money>> sales_bars(const SalesReport& report, QString* title) {
    std::vector<std::pair<QString, util::Money>> bars;
    if (report.last - report.first <= 62) {
        *title = QStringLiteral("Vendas por dia");
        for (const auto& d : report.sales_per_day) {
            const util::CivilDate c = util::civil_date(d.day);
            bars.emplace_back(QStringLiteral("%1/%2")
                                  .arg(c.day, 2, 10, QLatin1Char('0'))
                                  .arg(c.month, 2, 10, QLatin1Char('0')),
                              d.total);
        }
        return bars;
    }
    *title = QStringLiteral("Vendas por mês");
    std::map<int, util::Money> months;
    for (const auto& d : report.sales_per_day) {
        const util::CivilDate c = util::civil_date(d.day);
        months[c.year * 100 + c.month] += d.total;
    }
    for (const auto& [ym, total] : months)
        bars.emplace_back(
            QStringLiteral("%1/%2").arg(ym % 100, 2, 10, QLatin1Char('0')).arg(ym / 100), total);
    return bars;
}

QChart* sales_chart(const SalesReport& report) {
    QString title;
    const auto bars = sales_bars(report, &title);
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    auto* set = new QBarSet(QStringLiteral("Vendas"));
    QStringList categories;
    double top = 0;
    for (const auto& [label, total] : bars) {
        *set << reais(total);
        categories << label;
        top = std::max(top, reais(total));
    }
    auto* series = new QBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setLabelsAngle(categories.size() > 12 ? -90 : 0);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto* y = new QValueAxis;
    y->setRange(0, top > 0 ? top * 1.1 : 1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    return chart;
}

QChart* payments_chart(const SalesReport& report) {
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Formas de pagamento"));
    chart->legend()->setAlignment(Qt::AlignRight);
    auto* series = new QPieSeries;
    for (const auto& p : report.payments) {
        if (p.amount.units() <= 0) continue;
        QPieSlice* slice = series->append(qs(p.name), reais(p.amount));
        slice->setLabel(qs(p.name) + QStringLiteral(" ") + qs(util::to_br(p.amount)));
    }
    if (series->count() == 0) chart->setTitle(QStringLiteral("Formas de pagamento: nenhum valor"));
    chart->addSeries(series);
    return chart;
}

// A chart is a graphics item: it is drawn through a scene of its own, laid out
// at a screen-like size and scaled into the page's rectangle.
void draw(QPainter& painter, const QRectF& target, QChart* chart) {
    QGraphicsScene scene;
    scene.addItem(chart);  // the scene owns it now
    const QRectF layout(0, 0, 440, 440 * target.height() / target.width());
    chart->setGeometry(layout);
    scene.setSceneRect(layout);
    scene.render(&painter, target, layout);
}

}  // namespace

void paint_report_charts(QPainter& painter, const QRectF& area, const SalesReport& report) {
    const double gap = area.width() * 0.02;
    const double left_width = (area.width() - gap) * 0.58;
    draw(painter, QRectF(area.left(), area.top(), left_width, area.height()), sales_chart(report));
    draw(painter,
         QRectF(area.left() + left_width + gap, area.top(), area.width() - left_width - gap,
                area.height()),
         payments_chart(report));
}

}  // namespace balcora::gui
