#include "fiscal/fiscal_menu.h"

#include "db/settings.h"
#include "ecf/fiscal_printer.h"
#include "fiscal/cotepe_window.h"
#include "fiscal/lmf_window.h"
#include "fiscal/memory_downloads.h"
#include "fiscal/mfd_mirror_window.h"
#include "fiscal/program_reports.h"
#include "fiscal/registers_window.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::fiscal {

namespace {

constexpr std::int32_t kUsbPort = 99;

std::string fit(std::string text, std::size_t width) {
    return util::cut_characters(text, width);
}

void not_available(std::string_view what) {
    prompt().message("Aviso", std::string(what) + " ainda não disponível nesta versão.",
                     ui::Icon::kInformation);
}

// A window of the menu through its view; without one this build lacks it.
template <class Window>
void show_window(Window& window) {
    if (!screens().show(window)) not_available(Window::kCaption);
}

}  // namespace

const std::array<FiscalMenu::ButtonCaption, 15> FiscalMenu::kButtons = {{
    {Button::kLx, "LX"},
    {Button::kLmf, "LMF"},
    {Button::kMfFile, "Arq. MF"},
    {Button::kMfdFile, "Arq. MFD"},
    {Button::kCotepe, "Arq. AC 17/04"},
    {Button::kSendReduction, "Envio ao FISCO-REDUÇÃO Z"},
    {Button::kSendStock, "Envio ao FISCO-ESTOQUE"},
    {Button::kTestCommand, "Testa Comando"},
    {Button::kRegisters, "Registros do PAF-ECF"},
    {Button::kIdentification, "Identificação do PAF-ECF"},
    {Button::kProductionIndex, "Tab. Índice Técnico de Produção"},
    {Button::kConfiguration, "Parametros de Configuração"},
    {Button::kMfdMirror, "Espelho MFD"},
    {Button::kSalesByBuyer, "Vendas Ident. CPF/CNPJ"},
    {Button::kClose, "&Fechar"},
}};

std::string printer_line1(const MaqecfRecord& printer) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", printer.numero);
    std::string line = std::string("Caixa: ") + number;
    line += printer.porta_com == kUsbPort ? " - USB"
                                          : " - com" + std::to_string(printer.porta_com) + ": ";
    return fit(line, FiscalMenu::kLineWidth);
}

std::string printer_line2(const MaqecfRecord& printer) {
    return fit(util::trim_right(printer.marca) + " " + util::trim_right(printer.modelo),
               FiscalMenu::kLineWidth);
}

bool FiscalMenu::open() {
    printer_found_ = ecf::load_maqecf_by_serial(glo::numfab, printer_);
    if (printer_found_) {
        line1_ = printer_line1(printer_);
        line2_ = printer_line2(printer_);
    } else {
        prompt().message("Aviso", "Não há Impressora Fiscal configurada para este Micro!",
                         ui::Icon::kWarning);
    }
    if (read_ini_number("PDV", "Configuração OK", 0, "balcora.ini") != 1) {
        prompt().message("Aviso", "IF ainda não configurada!", ui::Icon::kWarning);
        return false;
    }
    if (!ecf::printer().open_port())
        prompt().message("Aviso", "Erro ao tentar comunicar com ECF!", ui::Icon::kWarning);
    return true;
}

void FiscalMenu::close() {
    if (printer_found_ && printer_.num_serie == glo::numfab) ecf::printer().close_port();
}

bool FiscalMenu::press(Button button) {
    switch (button) {
        case Button::kLx:
            if (ecf::printer().check_printer()) ecf::printer().x_reading();
            break;
        case Button::kLmf:
            if (ecf::printer().check_printer()) open_lmf();
            break;
        case Button::kMfFile:
            download_fiscal_memory();
            break;
        case Button::kMfdFile:
            download_tape_memory();
            break;
        case Button::kCotepe:
            if (ecf::printer().check_printer()) open_cotepe();
            break;
        case Button::kSendReduction:
            run_elsewhere(ui::Window::kBlocoXTransmission, "EnviarReducaoZ",
                          "Envio ao FISCO da Redução Z (Bloco X)");
            break;
        case Button::kSendStock:
            run_elsewhere(ui::Window::kBlocoXTransmission, "EnviarEstoque",
                          "Envio ao FISCO do Estoque (Bloco X)");
            break;
        case Button::kTestCommand:
            ecf::printer().recover_coupon();
            break;
        case Button::kRegisters:
            open_registers();
            break;
        case Button::kIdentification:
            print_identification_report();
            break;
        case Button::kProductionIndex:
            prompt().message("Aviso",
                             "Este PAF-ECF não executa funções de baixa de estoque com base em "
                             "índices técnicos de produção, não podendo ser utilizado por "
                             "estabelecimento que necessite deste recurso.",
                             ui::Icon::kInformation);
            break;
        case Button::kConfiguration:
            print_configuration_report();
            break;
        case Button::kMfdMirror:
            if (ecf::printer().check_printer() && ecf::printer().read_printer_info())
                open_mfd_mirror();
            break;
        case Button::kSalesByBuyer:
            run_elsewhere(ui::Window::kSalesByBuyer, {}, "Vendas identificadas por CPF/CNPJ");
            break;
        case Button::kClose:
            return false;
    }
    return true;
}

void FiscalMenu::open_lmf() {
    LmfWindow window;
    show_window(window);
}

void FiscalMenu::open_cotepe() {
    CotepeWindow window;
    show_window(window);
}

void FiscalMenu::open_mfd_mirror() {
    MfdMirrorWindow window;
    show_window(window);
}

void FiscalMenu::open_registers() {
    if (glo::pafsn) {
        prompt().message("Aviso", "Função não aplicada a PAF-ECF Simples Nacional",
                         ui::Icon::kWarning);
        return;
    }
    RegistersWindow window;
    show_window(window);
}

void FiscalMenu::run_elsewhere(ui::Window window, const std::string& argument, const char* what) {
    ui::ScreenPort::Arguments args;
    if (!argument.empty()) args.push_back(argument);
    if (!screens().open(window, args)) not_available(what);
}

}  // namespace balcora::fiscal

namespace balcora {

void MENUFISCAL() {
    fiscal::FiscalMenu menu;
    if (menu.open() && !screens().show(menu))
        prompt().message("Aviso", "Menu Fiscal ainda não disponível nesta versão.",
                         ui::Icon::kInformation);
    menu.close();
}

}  // namespace balcora
