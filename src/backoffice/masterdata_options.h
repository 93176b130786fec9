#pragma once

#include "backoffice/backoffice_link.h"
#include "util/day_number.h"

#include <string>

namespace balcora::backoffice {

inline constexpr std::string_view kMasterDataSection = "atbalcora";

// The master-data update's options (section "atbalcora"), read when needed.
struct MasterDataOptions {
    int tp_preco = 0;          // price type: only 1 ("Normal") is offered
    int preco = 1;             // which back-office price becomes preco_venda1: 1, 2 or 3
    bool bloq_estoque = true;  // "Bloqueia Estoque Negativo", copied to the company
    bool tp_atual = true;      // only rows changed since dt_atual
    int empresa = 1;           // this store's company in the back office
    // Last successful update; 0 when there was none, so the first update of
    // an installation takes everything, whatever was registered before.
    util::DayNumber dt_atual{};
    bool busca_noip = false;    // find the address through the dynamic-DNS name
    int num_ecf = 1;            // this printer's number in the back office
    std::string num_subt;       // replacement number of the printer
    std::string marca, modelo;  // printer brand and model
    std::string ip, noip;       // server address and its dynamic-DNS name
    std::string db, user, senha;
    int porta = 5432;
};

MasterDataOptions read_masterdata_options();
bool write_masterdata_options(const MasterDataOptions& options);

// The link the update opens with these options (by address, always).
LinkSettings masterdata_link(const MasterDataOptions& options);

}  // namespace balcora::backoffice
