#include "gui/backoffice/backoffice_windows.h"

#include "globals/globals.h"
#include "gui/qt_text.h"
#include "gui/shell/form_dialog.h"
#include "gui/shell/list_widgets.h"
#include "shell/external_command.h"
#include "ui/environment.h"
#include "util/day_number.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora::gui {

using backoffice::ConnectionType;
using backoffice::MasterDataScreen;
using backoffice::RetaguardaScreen;

namespace {

std::string text_of(const QLineEdit* e) {
    return e->text().toStdString();
}

int number_of(const QLineEdit* e) {
    return e->text().trimmed().toInt();
}

QLabel* value_label(QWidget* parent, const std::string& text) {
    auto* l = new QLabel(qs(text.empty() ? "-" : text), parent);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QGroupBox* communication_box(QWidget* parent, const QString& title,
                             const RetaguardaScreen::Communication& c) {
    auto* box = new QGroupBox(title, parent);
    auto* form = new QFormLayout(box);
    form->addRow(QObject::tr("Data:"), value_label(box, c.date));
    form->addRow(QObject::tr("Início:"), value_label(box, c.start));
    form->addRow(QObject::tr("Fim:"), value_label(box, c.end));
    return box;
}

}  // namespace

RetaguardaWindow::RetaguardaWindow(std::unique_ptr<RetaguardaScreen> screen, QWidget* parent)
    : QDialog(parent), owned_(std::move(screen)), screen_(*owned_) {
    setObjectName("retaguarda_window");
    setWindowTitle(tr("Retaguarda"));
    screen_.open();
    auto* tabs = new QTabWidget(this);

    auto* geral = new QWidget(tabs);
    auto* geral_column = new QVBoxLayout(geral);
    geral_column->addWidget(
        communication_box(geral, tr("Última comunicação completa"), screen_.full()));
    geral_column->addWidget(
        communication_box(geral, tr("Última comunicação parcial"), screen_.partial()));
    QPushButton* comunicar = dialog_button(geral, tr("&Comunicar"), "comunicar");
    connect(comunicar, &QPushButton::clicked, this, [this] { screen_.comunicar(); });
    geral_column->addWidget(comunicar, 0, Qt::AlignLeft);
    geral_column->addStretch();
    tabs->addTab(geral, tr("Geral"));

    auto* config = new QWidget(tabs);
    auto* form = new QFormLayout;
    tipo_ = new QComboBox(config);
    tipo_->setObjectName("tipo_conexao");
    tipo_->addItem(tr("IP"), 1);
    tipo_->addItem(tr("NOIP"), 2);
    tipo_->addItem(tr("Nome da Máquina"), 3);
    add_row(config, form, tr("&Tipos de conexão:"), tipo_);
    servidor_ = form_line(config, form, tr("&Servidor:"), "servidor", 29, 29);
    database_ = form_line(config, form, tr("&Database:"), "database", 29, 29);
    usuario_ = form_line(config, form, tr("&Usuário:"), "usuario", 20, 20);
    senha_ = form_line(config, form, tr("S&enha:"), "senha", 64, 20, true);
    porta_ = form_line(config, form, tr("&Porta:"), "porta", 5, 6);
    porta_->setInputMask("00000");
    inicia_ = new QCheckBox(tr("&Inicia comunicação automática"), config);
    inicia_->setObjectName("inicia_automatica");
    form->addRow(QString(), inicia_);
    noip_ = row_button(config, tr("NOIP"), "noip");
    QPushButton* reseta = row_button(config, tr("Reseta RET"), "reseta_ret");
    reseta->setToolTip(tr("Resetar o esquema retaguarda ao trocar senha do BD."));
    QPushButton* gravar = row_button(config, tr("&Gravar"), "gravar");
    auto* config_column = new QVBoxLayout(config);
    config_column->addLayout(form);
    config_column->addLayout(button_row({noip_, reseta}, gravar));
    config_column->addStretch();
    tabs->addTab(config, tr("Configuração"));

    connect(tipo_, &QComboBox::currentIndexChanged, this, [this] {
        take_fields();
        noip_->setEnabled(screen_.noip_enabled());
    });
    connect(noip_, &QPushButton::clicked, this, [this] {
        take_fields();
        screen_.noip();
    });
    connect(reseta, &QPushButton::clicked, this, [this] { screen_.reseta_ret(); });
    connect(gravar, &QPushButton::clicked, this, [this] {
        take_fields();
        screen_.gravar();
    });

    QPushButton* fechar = row_button(this, tr("&Fechar"), "fechar");
    connect(fechar, &QPushButton::clicked, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addWidget(tabs);
    column->addLayout(button_row({}, fechar));
    show_fields();
}

void RetaguardaWindow::take_fields() {
    auto& s = screen_.settings;
    s.type = static_cast<ConnectionType>(tipo_->currentData().toInt());
    s.servidor = text_of(servidor_);
    s.database = text_of(database_);
    s.usuario = text_of(usuario_);
    s.senha = text_of(senha_);
    s.porta = number_of(porta_) > 0 ? number_of(porta_) : 5432;
    s.ini_aut = inicia_->isChecked();
}

void RetaguardaWindow::show_fields() {
    const auto& s = screen_.settings;
    tipo_->setCurrentIndex(tipo_->findData(static_cast<int>(s.type)));
    servidor_->setText(qs(s.servidor));
    database_->setText(qs(s.database));
    usuario_->setText(qs(s.usuario));
    senha_->setText(qs(s.senha));
    porta_->setText(QString::number(s.porta));
    inicia_->setChecked(s.ini_aut);
    noip_->setEnabled(screen_.noip_enabled());
}

MasterDataWindow::MasterDataWindow(std::unique_ptr<MasterDataScreen> screen, QWidget* parent)
    : QDialog(parent), owned_(std::move(screen)), screen_(*owned_) {
    setObjectName("masterdata_window");
    setWindowTitle(tr("Atualizar BD Balcora"));
    screen_.open();
    tabs_ = new QTabWidget(this);

    auto* atualizacao = new QWidget(tabs_);
    terminals_ = list_table(atualizacao, "terminais", {tr("Nº ECF"), tr("Marca/Modelo"), tr("IP")});
    terminals_->setMaximumHeight(90);
    results_ = list_table(atualizacao, "resultado",
                          {tr("Nº ECF"), tr("Tabela"), tr("Incluida"), tr("Atualizada")});
    status_ = new QLabel(atualizacao);
    status_->setObjectName("status");
    elapsed_ = new QLabel(atualizacao);
    elapsed_->setObjectName("tempo");
    QPushButton* atualizar = row_button(atualizacao, tr("&Atualizar"), "atualizar");
    auto* up_column = new QVBoxLayout(atualizacao);
    up_column->addWidget(terminals_);
    up_column->addWidget(new QLabel(tr("Resultado das Tabelas"), atualizacao));
    up_column->addWidget(results_, 1);
    up_column->addWidget(status_);
    auto* time_row = new QHBoxLayout;
    time_row->addWidget(new QLabel(tr("Tempo de Processamento:"), atualizacao));
    time_row->addWidget(elapsed_, 1);
    up_column->addLayout(time_row);
    up_column->addLayout(button_row({atualizar}, std::vector<QPushButton*>{}));
    tabs_->addTab(atualizacao, tr("Atualização"));

    auto* config = new QWidget(tabs_);
    auto* form = new QFormLayout;
    tp_preco_ = new QComboBox(config);
    tp_preco_->setObjectName("tp_preco");
    tp_preco_->addItem(QString(), 0);
    tp_preco_->addItem(tr("Normal"), 1);
    add_row(config, form, tr("Tipo de &Preço:"), tp_preco_);
    preco_ = new QComboBox(config);
    preco_->setObjectName("preco");
    for (int k = 1; k <= 3; ++k) preco_->addItem(tr("Preço %1").arg(k), k);
    add_row(config, form, tr("P&reço:"), preco_);
    bloq_ = new QCheckBox(tr("&Bloqueia Estoque Negativo"), config);
    form->addRow(QString(), bloq_);
    tp_atual_ = new QCheckBox(tr("Atualizar &somente os dados alterados"), config);
    form->addRow(QString(), tp_atual_);
    // Editable, so a technician can take again what changed since an earlier
    // day; blank means the next update takes everything.
    dt_atual_ = form_line(config, form, tr("Ú&ltima atualização:"), "dt_atual", 10, 10);
    dt_atual_->setPlaceholderText(tr("dd/mm/aaaa (em branco: todos)"));
    empresa_ = form_line(config, form, tr("&Empresa:"), "empresa", 6, 8);
    num_ecf_ = form_line(config, form, tr("Nº &ECF:"), "num_ecf", 3, 5);
    num_subt_ = form_line(config, form, tr("Nº Substituição do ECF:"), "num_subt", 3, 5);
    marca_ = new QComboBox(config);
    marca_->setObjectName("marca");
    for (const auto& b : screen_.brands()) marca_->addItem(qs(b));
    add_row(config, form, tr("&Marca:"), marca_);
    modelo_ = new QComboBox(config);
    modelo_->setObjectName("modelo");
    add_row(config, form, tr("Mo&delo:"), modelo_);
    busca_noip_ = new QCheckBox(tr("Busca IP automático pelo No-IP"), config);
    form->addRow(QString(), busca_noip_);
    noip_ = form_line(config, form, tr("&No-IP:"), "noip", 60, 30);
    ip_ = form_line(config, form, tr("&IP:"), "ip", 40, 20);
    db_ = form_line(config, form, tr("&Banco de Dados:"), "db", 29, 29);
    user_ = form_line(config, form, tr("&Usuário:"), "user", 20, 20);
    senha_ = form_line(config, form, tr("Sen&ha:"), "senha", 64, 20, true);
    porta_ = form_line(config, form, tr("P&orta:"), "porta", 5, 6);
    QPushButton* gravar = row_button(config, tr("&Gravar"), "gravar");
    auto* config_column = new QVBoxLayout(config);
    config_column->addLayout(form);
    config_column->addLayout(button_row({gravar}, std::vector<QPushButton*>{}));
    tabs_->addTab(config, tr("Configuração"));

    auto fill_models = [this](const QString& brand) {
        const QString kept = modelo_->currentText();
        modelo_->clear();
        for (const auto& m : screen_.models(brand.toStdString())) modelo_->addItem(qs(m));
        modelo_->setCurrentText(kept);
    };
    connect(marca_, &QComboBox::currentTextChanged, this, fill_models);
    fill_models(marca_->currentText());
    connect(atualizar, &QPushButton::clicked, this, &MasterDataWindow::update);
    connect(gravar, &QPushButton::clicked, this, [this] {
        if (take_fields() && screen_.save())
            prompt().message("Aviso", "Configurações salvas com sucesso!", ui::Icon::kInformation);
    });
    screen_.on_status = [this] {
        status_->setText(qs(screen_.status()));
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };

    QPushButton* fechar = row_button(this, tr("&Fechar"), "fechar");
    connect(fechar, &QPushButton::clicked, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addWidget(tabs_);
    column->addLayout(button_row({}, fechar));
    resize(620, 520);
    show_fields();
    show_results();
}

bool MasterDataWindow::take_fields() {
    auto& o = screen_.options;
    const std::string typed = dt_atual_->text().trimmed().toStdString();
    if (!typed.empty() && util::parse_br_date(typed) <= 0) {
        prompt().message("Aviso", "Data da última atualização inválida!", ui::Icon::kWarning);
        tabs_->setCurrentIndex(1);
        dt_atual_->setFocus();
        return false;
    }
    o.tp_preco = tp_preco_->currentData().toInt();
    o.preco = preco_->currentData().toInt();
    o.bloq_estoque = bloq_->isChecked();
    o.tp_atual = tp_atual_->isChecked();
    o.dt_atual = util::parse_br_date(typed);
    o.empresa = number_of(empresa_);
    o.num_ecf = number_of(num_ecf_);
    o.num_subt = text_of(num_subt_);
    o.marca = marca_->currentText().toStdString();
    o.modelo = modelo_->currentText().toStdString();
    o.busca_noip = busca_noip_->isChecked();
    o.noip = text_of(noip_);
    o.ip = text_of(ip_);
    o.db = text_of(db_);
    o.user = text_of(user_);
    o.senha = text_of(senha_);
    o.porta = number_of(porta_) > 0 ? number_of(porta_) : 5432;
    return true;
}

void MasterDataWindow::show_fields() {
    const auto& o = screen_.options;
    tp_preco_->setCurrentIndex(tp_preco_->findData(o.tp_preco));
    preco_->setCurrentIndex(preco_->findData(o.preco));
    bloq_->setChecked(o.bloq_estoque);
    tp_atual_->setChecked(o.tp_atual);
    dt_atual_->setText(qs(util::br_date(o.dt_atual)));
    empresa_->setText(QString::number(o.empresa));
    num_ecf_->setText(QString::number(o.num_ecf));
    num_subt_->setText(qs(o.num_subt));
    marca_->setCurrentText(qs(o.marca));
    modelo_->setCurrentText(qs(o.modelo));
    busca_noip_->setChecked(o.busca_noip);
    noip_->setText(qs(o.noip));
    ip_->setText(qs(o.ip));
    db_->setText(qs(o.db));
    user_->setText(qs(o.user));
    senha_->setText(qs(o.senha));
    porta_->setText(QString::number(o.porta));
}

void MasterDataWindow::show_results() {
    const auto t = screen_.terminal();
    terminals_->setRowCount(1);
    set_row(terminals_, 0, {qs(t[0]), qs(t[1]), qs(t[2])});
    const QString ecf = qs(t[0]);
    fill_rows(results_, screen_.results(), [&](int row, const backoffice::TableResult& r) {
        set_row(results_, row,
                {ecf, qs(r.table), QString::number(r.inserted), QString::number(r.updated)});
    });
    elapsed_->setText(qs(screen_.elapsed_text()));
    status_->setText(qs(screen_.status()));
}

void MasterDataWindow::update() {
    if (!take_fields()) return;
    setEnabled(false);
    screen_.atualizar();
    setEnabled(true);
    show_fields();
    show_results();
    using Field = MasterDataScreen::Field;
    QWidget* focus = nullptr;
    switch (screen_.focus()) {
        case Field::kTpPreco:
            focus = tp_preco_;
            break;
        case Field::kPreco:
            focus = preco_;
            break;
        case Field::kEmpresa:
            focus = empresa_;
            break;
        case Field::kNumEcf:
            focus = num_ecf_;
            break;
        case Field::kMarca:
            focus = marca_;
            break;
        case Field::kModelo:
            focus = modelo_;
            break;
        case Field::kNoip:
            focus = noip_;
            break;
        case Field::kDb:
            focus = db_;
            break;
        case Field::kIp:
            focus = ip_;
            break;
        case Field::kNone:
            break;
    }
    if (focus) {
        tabs_->setCurrentIndex(1);
        focus->setFocus();
    }
}

namespace {

template <class Window>
void open_single(QPointer<Window>& window, QWidget* parent, std::function<Window*()> make) {
    if (!window) {
        window = make();
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setModal(false);
        window->show();
    }
    window->raise();
    window->activateWindow();
}

}  // namespace

void provide_backoffice_windows(ui::ScreenPort& port, QWidget* frame) {
    QPointer<QWidget> owner(frame);
    port.provide("RETAGUARDA", [owner](const ui::ScreenPort::Arguments&) {
        static QPointer<RetaguardaWindow> window;
        open_single<RetaguardaWindow>(window, owner.data(), [owner] {
            auto screen = std::make_unique<RetaguardaScreen>([] {
                return shell::start_reporting_failure(shell::system_command_runner(),
                                                      shell::kBackOfficeProgram,
                                                      "programa de comunicação com a retaguarda");
            });
            return new RetaguardaWindow(std::move(screen), owner.data());
        });
        return 0;
    });
    port.provide("IMPORTACAOMORVELA", [owner](const ui::ScreenPort::Arguments&) {
        static QPointer<MasterDataWindow> window;
        open_single<MasterDataWindow>(window, owner.data(), [owner] {
            return new MasterDataWindow(std::make_unique<MasterDataScreen>(glo::numfab),
                                        owner.data());
        });
        return 0;
    });
}

}  // namespace balcora::gui
