#include "gui/fiscal/period_dialog.h"

#include "gui/shell/enter_navigation.h"
#include "gui/shell/form_dialog.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

QLineEdit* date_line(QWidget* parent, QFormLayout* form, const QString& label, const char* name) {
    QLineEdit* e = form_line(parent, form, label, name, 10, 11);
    e->setInputMask("99/99/9999;_");
    return e;
}

QLineEdit* number_line(QWidget* parent, QFormLayout* form, const QString& label, const char* name,
                       int digits) {
    QLineEdit* e = form_line(parent, form, label, name, digits, digits + 1);
    e->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString("\\d{0,%1}").arg(digits)), e));
    return e;
}

}  // namespace

QWidget* choice_group(QWidget* parent, const QString& title, const std::vector<QString>& captions,
                      const std::vector<const char*>& names, int checked,
                      std::vector<QRadioButton*>& out) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QHBoxLayout(box);
    auto* group = new QButtonGroup(box);
    out.clear();
    for (std::size_t i = 0; i < captions.size(); ++i) {
        auto* r = new QRadioButton(captions[i], box);
        r->setObjectName(names[i]);
        r->setChecked(static_cast<int>(i) == checked);
        group->addButton(r, static_cast<int>(i));
        layout->addWidget(r);
        out.push_back(r);
    }
    return box;
}

PeriodDialog::PeriodDialog(fiscal::PeriodWindow& window, QWidget* parent, const char* name,
                           const char* caption, const char* counter_caption,
                           std::function<void()> generate)
    : ScreenDialog(window, parent, name), window_(window), generate_(std::move(generate)) {
    setWindowTitle(tr(caption));
    auto* layout = new QVBoxLayout(this);
    auto* choices = new QVBoxLayout;
    choices_ = choices;
    layout->addLayout(choices);

    std::vector<QRadioButton*> interval;
    layout->addWidget(choice_group(this, tr("Intervalo"), {tr("&Data"), tr(counter_caption)},
                                   {"by_date", "by_number"}, window.by_date ? 0 : 1, interval));
    by_date_ = interval[0];
    by_number_ = interval[1];

    auto* form = new QFormLayout;
    start_date_ = date_line(this, form, tr("Data &inicial:"), "start_date");
    end_date_ = date_line(this, form, tr("Data fina&l:"), "end_date");
    const int digits = window.number_digits();
    start_number_ = number_line(this, form, tr("Nº i&nicial:"), "start_number", digits);
    end_number_ = number_line(this, form, tr("Nº fin&al:"), "end_number", digits);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    generate_button_ = new QPushButton(tr("&Gerar"), this);
    generate_button_->setObjectName("generate");
    close_button_ = new QPushButton(tr("&Fechar"), this);
    close_button_->setObjectName("close");
    buttons->addStretch();
    buttons->addWidget(generate_button_);
    buttons->addWidget(close_button_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(generate_button_, &QPushButton::clicked, this, [this] { this->generate(); });
    connect(close_button_, &QPushButton::clicked, this, &QDialog::reject);
    connect(by_date_, &QRadioButton::toggled, this, [this] { settle_interval(); });

    auto* enter = new EnterNavigation(this, [this] { this->generate(); });
    enter->watch({start_date_, end_date_, start_number_, end_number_});
    lead_with({});
    settle_interval();
}

void PeriodDialog::lead_with(std::vector<QWidget*> widgets) {
    widgets.insert(widgets.end(), {by_date_, by_number_, start_date_, end_date_, start_number_,
                                   end_number_, generate_button_, close_button_});
    tab_chain(widgets);
}

void PeriodDialog::settle_interval() {
    const bool by_date = by_date_->isChecked();
    start_date_->setEnabled(by_date);
    end_date_->setEnabled(by_date);
    start_number_->setEnabled(!by_date);
    end_number_->setEnabled(!by_date);
    focus_field(by_date ? start_date_ : start_number_);
}

void PeriodDialog::generate() {
    window_.by_date = by_date_->isChecked();
    window_.start_date = start_date_->text().toStdString();
    window_.end_date = end_date_->text().toStdString();
    window_.start_number = start_number_->text().toStdString();
    window_.end_number = end_number_->text().toStdString();
    generate_();
    if (window_.is_open())
        show_focus();
    else if (window_.done())
        accept();
    else
        QDialog::reject();
}

void PeriodDialog::show_focus() {
    using F = fiscal::PeriodField;
    switch (window_.focus()) {
        case F::kStartDate:
            focus_field(start_date_);
            break;
        case F::kEndDate:
            focus_field(end_date_);
            break;
        case F::kStartNumber:
            focus_field(start_number_);
            break;
        case F::kEndNumber:
            focus_field(end_number_);
            break;
        case F::kNone:
            break;
    }
}

}  // namespace balcora::gui
