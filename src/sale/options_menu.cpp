#include "sale/options_menu.h"

namespace balcora::sale {

namespace {

OptionsMenuRunner& runner_slot() {
    static OptionsMenuRunner r;
    return r;
}

}  // namespace

const std::vector<MenuOption>& OptionsMenu::options() {
    static const std::vector<MenuOption> list = {
        {"AC", "Abertura do Caixa", '1'},
        {"FC", "Fechamento do Caixa", '2'},
        {"SS", "Sangria / Suprimento", '3'},
        {"CI", "Cancelar Item", '4'},
        {"CC", "Cancelar Cupom Atual/Anterior", '5'},
        {"LX", "Leitura X", '6'},
        {"AG", "Abrir Gaveta", '7'},
        {"CP", "Consulta Produto", '8'},
        {"DA", "Cancelar Documento Aberto", '9'},
    };
    return list;
}

bool OptionsMenu::press(char key) {
    const auto& list = options();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].key == key) {
            choose(i);
            return true;
        }
    }
    return false;
}

void OptionsMenu::choose(std::size_t index) {
    if (!open_ || index >= options().size()) return;
    code_ = options()[index].code;
    open_ = false;
}

void set_options_menu_runner(OptionsMenuRunner runner) {
    runner_slot() = std::move(runner);
}

}  // namespace balcora::sale

namespace balcora {

std::string MENUOPCOES() {
    sale::OptionsMenu menu;
    if (sale::runner_slot()) sale::runner_slot()(menu);
    return menu.code();
}

}  // namespace balcora
