#include "sale/options_menu.h"

#include "ui/environment.h"

namespace balcora::sale {

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

}  // namespace balcora::sale

namespace balcora {

std::string MENUOPCOES() {
    sale::OptionsMenu menu;
    screens().show(menu);
    return menu.code();
}

}  // namespace balcora
