#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <string>

// Process-wide state shared by the screens, the host and the printer driver.
// Everything starts as 0 or blank and is set during start-up and by the
// screens that own it. Flags are 0/1 bytes.
namespace glo {

using flag = std::uint8_t;

extern std::int32_t id_empresa;             // active company
extern std::int32_t id_empmatriz;           // head office of the active company (itself when none)
extern std::string string_conexao;          // database connection string, up to 199 characters
extern std::int32_t build;                  // build number
extern std::string numfab;                  // serial of the authorised printer, up to 40 characters
extern balcora::util::Money vlgt;           // printer's grand total as last recorded
extern std::string md5txt;                  // MD5 of the list of program files
extern std::string md5exe;                  // MD5 of the main program
extern flag pafsn;                          // Simples Nacional edition (no NFe)
extern balcora::util::DayNumber dtenvredz;  // last Z-reduction file sent
extern flag mfd;                            // printer model keeps a fiscal memory of details
extern flag cv0909;                         // printer model follows Convênio ICMS 09/09
extern std::uint8_t cf_aberto;    // 0 none, 1 coupon open, 2 open with a card transaction pending
extern flag fp_iniciada;          // totalled; payments have begun
extern flag cf_permcanc;          // the last coupon may still be cancelled
extern flag rz_pendente;          // a Z reduction of a previous day is pending
extern flag hr_ativo;             // set by the day cycle
extern flag flag_desligar;        // switch the computer off on closing
extern std::string datahora_ecf;  // date and time read from the printer
extern flag modotef_ativo;        // TEF mode on
extern flag jan_ecf_aberta;       // a window that drives the printer is open
extern balcora::util::Money trocotela;  // change or balance shown on the payment screen
extern std::string nome_operador;       // login name of the operator
extern std::int32_t NumeroLoja;         // store number
extern std::int32_t appxsize;           // application frame width
extern std::int32_t appysize;           // application frame height
extern std::string iQErrorMessageText;  // last error text of the XML writer

// Exported for the host; this system neither sets nor reads them.
extern std::string sistema;
extern std::string versao;
extern std::int32_t id_empctb;
extern std::string pasta_recprod;
extern flag cad_forma_pagto;
extern flag sempapel;
extern flag poucopapel;
extern flag mf_lotada;
extern flag rz_nodia;

// Puts every global back to 0 or blank (start of the process, and tests).
void reset_all();

}  // namespace glo

// Counters read from the printer when a coupon is opened, and the sign-in
// handle and system name; these carry no prefix in the exported names.
extern std::int32_t n_coo;
extern std::int32_t n_ccf;
extern std::int32_t n_cro;
extern std::int32_t AppNumQueue;
extern std::string AppNameDesc;
extern glo::flag mfd;
