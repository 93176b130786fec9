#include "gui/shell/settings_window.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "gui/modal_helper.h"
#include "gui_support/screenshot.h"
#include "support/test_database.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <fstream>

namespace balcora::test {

class SettingsWindowGui : public DbTest {
  protected:
    template <class T>
    T* child(QWidget& w, const char* name) {
        T* c = w.findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    shell::SettingsScreen screen_;
};

TEST_F(SettingsWindowGui, ShowsEveryFieldWithItsStoredValueOrDefault) {
    GRAVAREGISTRO("balcora", "Configuração", "Docto Venda Prazo", "2");
    GRAVAREGISTRO("balcora", "PAF-ECF", "DAV", "1");
    std::ofstream(root_.path() / "sistemas/balcora/pgms/listcert.cfg")
        << "[Geral]\nQuantidade=1\n[Certificado1]\nNumSerie=5A3F00\nCNPJ=12345678000195\n"
           "Vencto=31/12/2027\nRazaoSocial=MERCADO CENTRAL LTDA\n";
    ASSERT_TRUE(screen_.open());
    gui::SettingsWindow window(screen_);
    window.show();

    for (const auto& f : shell::settings_fields())
        EXPECT_NE(window.field_widget(std::string(f.id)), nullptr) << f.id;
    EXPECT_EQ(child<QComboBox>(window, "docto_venda_prazo")->currentText(), "Crediário");
    EXPECT_TRUE(child<QCheckBox>(window, "dav")->isChecked());
    EXPECT_EQ(child<QComboBox>(window, "tamanho_codigo")->currentText(), "6");
    EXPECT_EQ(child<QLineEdit>(window, "perc_desc")->text(), "50");
    EXPECT_EQ(child<QComboBox>(window, "num_serie")->count(), 1);
    // The closing hours and payment names arrive with their own screens.
    EXPECT_FALSE(child<QPushButton>(window, "horario_fechamento")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(window, "forma_pagamento")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(window, "log")->isEnabled());
    // A1 uses a file, A3 a serial from the list.
    EXPECT_FALSE(window.field_widget("num_serie")->isEnabled());
    child<QComboBox>(window, "tipo_certificado")->setCurrentIndex(1);
    EXPECT_TRUE(window.field_widget("num_serie")->isEnabled());
    EXPECT_FALSE(window.field_widget("certificado")->isEnabled());
    child<QComboBox>(window, "tipo_certificado")->setCurrentIndex(0);
    save_screenshot(window, "settings_window");
}

TEST_F(SettingsWindowGui, SalvarRefusesABadFieldAndThenSavesWhatTheOperatorChose) {
    ASSERT_TRUE(screen_.open());
    gui::SettingsWindow window(screen_);
    window.show();
    QApplication::setActiveWindow(&window);

    child<QLineEdit>(window, "perc_desc")->setText("150");
    child<QPushButton>(window, "salvar")->click();
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text.rfind("Percentual de Desconto inválido!", 0), 0u);
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.log;"), "0");

    child<QLineEdit>(window, "perc_desc")->setText("12");
    child<QCheckBox>(window, "tef_ativo")->setChecked(true);
    child<QComboBox>(window, "etiqueta_balanca")->setCurrentIndex(1);
    child<QComboBox>(window, "ambiente")->setCurrentIndex(1);
    prompt_.clear();
    child<QPushButton>(window, "salvar")->click();
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text, "Configurações salvas com sucesso!");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "PercDesc"), "12");
    EXPECT_EQ(LEREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado"), "S");
    EXPECT_EQ(LEREGISTRO("balcora", "Configuração", "Etiqueta Balança"), "2");
    EXPECT_EQ(read_ini("Config", "Ambiente", "", "c:\\sistemas\\balcora\\pgms\\xsginws.ini"), "2");
}

TEST_F(SettingsWindowGui, TheLogButtonListsTheChangesOfTheSettings) {
    ASSERT_TRUE(screen_.open());
    screen_.set_value("ambiente", "2");
    ASSERT_TRUE(screen_.save());
    gui::SettingsWindow window(screen_);
    window.show();
    bool seen = false;
    when_modal("log_query_window", [&](QWidget& log) {
        seen = true;
        auto* table = log.findChild<QTableWidget*>("lista");
        EXPECT_EQ(table ? table->rowCount() : -1, 1);
        if (table && table->rowCount() == 1) {
            EXPECT_EQ(table->item(0, 6)->text().toStdString(), "Tp Amb:Homologação 12/2026");
        }
        static_cast<QDialog&>(log).accept();
    });
    child<QPushButton>(window, "log")->click();
    EXPECT_TRUE(seen);
}

}  // namespace balcora::test
