#include "globals/globals.h"
#include "globals/open_document.h"

namespace glo {

std::int32_t id_empresa = 0;
std::int32_t id_empmatriz = 0;
std::string string_conexao;
std::int32_t build = 0;
std::string numfab;
balcora::util::Money vlgt;
std::string md5txt;
std::string md5exe;
flag pafsn = 0;
balcora::util::DayNumber dtenvredz = 0;
flag mfd = 0;
flag cv0909 = 0;
std::uint8_t cf_aberto = 0;
flag fp_iniciada = 0;
flag cf_permcanc = 0;
std::uint8_t doc_aberto = kDocumentUnknown;
flag rz_pendente = 0;
flag hr_ativo = 0;
flag flag_desligar = 0;
std::string datahora_ecf;
flag modotef_ativo = 0;
flag jan_ecf_aberta = 0;
balcora::util::Money trocotela;
std::string nome_operador;
std::int32_t NumeroLoja = 0;
std::int32_t appxsize = 0;
std::int32_t appysize = 0;
std::string iQErrorMessageText;

std::string sistema;
std::string versao;
std::int32_t id_empctb = 0;
std::string pasta_recprod;
flag cad_forma_pagto = 0;
flag sempapel = 0;
flag poucopapel = 0;
flag mf_lotada = 0;
flag rz_nodia = 0;

void reset_all() {
    id_empresa = id_empmatriz = build = NumeroLoja = appxsize = appysize = id_empctb = 0;
    string_conexao.clear();
    numfab.clear();
    vlgt = {};
    md5txt.clear();
    md5exe.clear();
    dtenvredz = 0;
    pafsn = mfd = cv0909 = cf_aberto = fp_iniciada = cf_permcanc = rz_pendente = hr_ativo = 0;
    flag_desligar = modotef_ativo = jan_ecf_aberta = 0;
    doc_aberto = kDocumentUnknown;
    cad_forma_pagto = sempapel = poucopapel = mf_lotada = rz_nodia = 0;
    datahora_ecf.clear();
    trocotela = {};
    nome_operador.clear();
    iQErrorMessageText.clear();
    sistema.clear();
    versao.clear();
    pasta_recprod.clear();
    n_coo = n_ccf = n_cro = AppNumQueue = 0;
    AppNameDesc.clear();
    ::mfd = 0;
}

}  // namespace glo

std::int32_t n_coo = 0;
std::int32_t n_ccf = 0;
std::int32_t n_cro = 0;
std::int32_t AppNumQueue = 0;
std::string AppNameDesc;
glo::flag mfd = 0;
