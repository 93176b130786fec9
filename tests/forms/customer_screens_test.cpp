#include "db/query_sql.h"
#include "db/settings.h"
#include "forms/customer_browse.h"
#include "forms/customer_form.h"
#include "forms/seller_browse.h"
#include "support/test_database.h"
#include "util/documents.h"

#include <string>
#include <vector>

namespace balcora::test {

namespace {

using forms::CustomerField;
using forms::CustomerFilter;
using forms::FormMode;

std::string cpf(const std::string& nine) {
    return nine + util::cpf_check_digits(nine).value();
}

std::vector<int> ids(const forms::CustomerBrowse& browse) {
    std::vector<int> out;
    for (const auto& l : browse.lines()) out.push_back(l.id_cliente);
    return out;
}

using Ids = std::vector<int>;

}  // namespace

class CustomerScreens : public DbTest {
  protected:
    void SetUp() override {
        QUERYSQL(
            "INSERT INTO balcora.municipio (id_municipio, codigo_ibge, nome, estado) VALUES "
            "(3550308, 3550308, 'SAO PAULO', 'SP'), (4106902, 4106902, 'CURITIBA', 'PR');");
        // A customer of the back office.
        QUERYSQL(
            "INSERT INTO balcora.cliente (id_cliente, ativo, pesso, razao, nome, cgcpf, "
            "id_municipio) VALUES (10, 1, 2, 'JOÃO DA SILVA ME', 'Padaria Estrela', "
            "'529.982.247-25', 3550308);");
    }
    // A new customer with what the form requires.
    void fill_new(forms::CustomerForm& form, const std::string& document,
                  const std::string& razao) {
        ASSERT_TRUE(form.open_insert());
        form.record().cgcpf = document;
        form.record().razao = razao;
        form.record().id_municipio = 3550308;
    }
};

TEST_F(CustomerScreens, NewCustomersTakeCodesAboveTheBackOfficeOnesAndAreLogged) {
    // The demo loader once left the sequence among the back office's codes.
    QUERYSQL("SELECT setval('balcora.cliente_id_cliente_seq', 4);");
    forms::CustomerForm form;
    fill_new(form, "111 444 777 35", "JOSÉ D'ÁVILA \\ FILHOS");
    form.record().cep = "01001000";
    ASSERT_TRUE(form.save());
    EXPECT_EQ(form.record().id_cliente, 950000);
    EXPECT_EQ(QUERYSQL("SELECT cgcpf||'|'||razao||'|'||nome||'|'||cep||'|'||uf||'|'||pesso||'|'||"
                       "data FROM balcora.cliente WHERE id_cliente=950000;"),
              "111.444.777-35|JOSÉ D'ÁVILA \\ FILHOS|JOSÉ D'ÁVILA \\ FILHOS|01001-000|SP|2|"
              "2026-12-07");
    EXPECT_EQ(QUERYSQL("SELECT operacao||'|'||tabela||'|'||id FROM balcora.log;"),
              "INC|cliente|950000");
    EXPECT_EQ(read_ini("Clientes", "Pessoa", "", "kontora2003.ini"), "2");

    // Another station's customer, stored without the sequence.
    QUERYSQL("INSERT INTO balcora.cliente (id_cliente, razao) VALUES (950003, 'OUTRO PDV');");
    forms::CustomerForm next;
    fill_new(next, "11.222.333/0001-81", "MERCADO BOM PRECO LTDA");
    next.record().pesso = forms::kCompany;
    ASSERT_TRUE(next.save());
    EXPECT_EQ(next.record().id_cliente, 950004);

    // A change keeps the code and is logged as one.
    forms::CustomerForm change;
    ASSERT_TRUE(change.open(FormMode::kChange, 950004));
    EXPECT_FALSE(change.read_only());
    change.record().telef = "(41) 3333-0000";
    change.record().id_municipio = 4106902;
    ASSERT_TRUE(change.save());
    EXPECT_EQ(QUERYSQL("SELECT telef||'|'||uf FROM balcora.cliente WHERE id_cliente=950004;"),
              "(41) 3333-0000|PR");
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.log WHERE operacao='ALT' AND id='950004';"),
              "1");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(CustomerScreens, BadInputIsRefusedOnTheFieldToCorrectAndNothingIsStored) {
    forms::CustomerForm form;
    fill_new(form, "529.982.247-24", "MARIA");
    EXPECT_FALSE(form.save());
    EXPECT_EQ(prompt_.shown().back().text, "CPF inválido!");
    EXPECT_EQ(form.focus_field(), CustomerField::kCgcpf);

    form.record().cgcpf = cpf("390533447");
    form.record().pesso = forms::kCompany;  // a CPF is no CNPJ
    EXPECT_FALSE(form.save());
    EXPECT_EQ(prompt_.shown().back().text, "CNPJ inválido!");
    EXPECT_EQ(form.focus_field(), CustomerField::kCgcpf);

    form.record().pesso = forms::kNaturalPerson;
    form.record().razao = "   ";
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), CustomerField::kRazao);

    form.record().razao = "MARIA";
    form.record().id_municipio = 0;
    EXPECT_FALSE(form.save());
    EXPECT_EQ(prompt_.shown().back().text, "Informe o Município do cliente!");
    EXPECT_EQ(form.focus_field(), CustomerField::kMunicipio);
    form.record().id_municipio = 999;
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), CustomerField::kMunicipio);

    // The back office's customer, typed without punctuation.
    form.record().id_municipio = 3550308;
    form.record().cgcpf = "52998224725";
    EXPECT_FALSE(form.save());
    EXPECT_EQ(prompt_.shown().back().text,
              "CNPJ/CPF já cadastrado para o cliente 10 - JOÃO DA SILVA ME!");
    EXPECT_EQ(form.focus_field(), CustomerField::kCgcpf);
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.cliente;"), "1");
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.log;"), "0");

    // The back office's next update would undo a change made here.
    forms::CustomerForm back_office;
    ASSERT_TRUE(back_office.open(FormMode::kChange, 10));
    EXPECT_TRUE(back_office.read_only());
    EXPECT_FALSE(back_office.notice().empty());
    EXPECT_EQ(back_office.municipality_name(), "SAO PAULO - SP");
    EXPECT_FALSE(back_office.save());
}

TEST_F(CustomerScreens, TheListAppliesItsFiltersAndRemembersThemInKontoraIni) {
    QUERYSQL(
        "INSERT INTO balcora.cliente (id_cliente, ativo, razao, nome, cgcpf, id_municipio) VALUES "
        "(11, 0, 'MARIA D''ÁVILA', 'Ávila Modas', '11.222.333/0001-81', 4106902), "
        "(950000, 1, 'JOAQUIM', 'Quim', '11144477735', 3550308);");
    forms::CustomerBrowse browse;
    ASSERT_TRUE(browse.open());
    EXPECT_EQ(ids(browse), (Ids{10, 950000, 11}));  // inactive ones too, by corporate name
    EXPECT_EQ(browse.lines()[2].municipio, "CURITIBA - PR");
    browse.set_filter(CustomerFilter::kRazao, "jo");
    EXPECT_EQ(ids(browse), (Ids{10, 950000}));
    browse.set_filter(CustomerFilter::kFantasia, "padaria");
    EXPECT_EQ(ids(browse), (Ids{10}));
    browse.set_filter(CustomerFilter::kFantasia, "");
    browse.set_filter(CustomerFilter::kCidade, "4106902");
    EXPECT_TRUE(browse.lines().empty());
    browse.set_filter(CustomerFilter::kRazao, "");
    EXPECT_EQ(ids(browse), (Ids{11}));
    browse.set_filter(CustomerFilter::kCidade, "x'");  // no digits: no filter, no failure
    // The number however it was stored.
    browse.set_filter(CustomerFilter::kDocumento, "111.444");
    EXPECT_EQ(ids(browse), (Ids{950000}));
    browse.set_filter(CustomerFilter::kDocumento, "11222333");
    EXPECT_EQ(ids(browse), (Ids{11}));

    browse.set_filter(CustomerFilter::kRazao, "maria ");
    browse.set_filter(CustomerFilter::kFantasia, "avila");
    browse.set_filter(CustomerFilter::kCidade, "4106902");
    browse.close();
    EXPECT_EQ(read_ini("Clientes", "filtro_nome", "", "kontora.ini"), "maria");
    EXPECT_EQ(read_ini("Clientes", "filtro_fantasia", "", "kontora.ini"), "avila");
    EXPECT_EQ(read_ini("Clientes", "cod_cidade", "", "kontora.ini"), "4106902");
    forms::CustomerBrowse again;
    ASSERT_TRUE(again.open());
    EXPECT_EQ(again.filter(CustomerFilter::kDocumento), "");  // looked up once, not kept
    EXPECT_EQ(ids(again), (Ids{11}));
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(CustomerScreens, TheSellerListShowsEverySellerByName) {
    QUERYSQL(
        "INSERT INTO balcora.vendedor (id_vendedor, ativo, nome, taxa_com, forma_pag, "
        "id_municipio) VALUES (3, 1, 'Sérgio Luís', 2.5, 'F', 4106902), (4, 1, 'ANA PAULA', 1, "
        "'R', NULL), (5, 0, 'SERGIO ANTIGO', 0, 'M', NULL);");
    write_ini("Vendedor", "filtro_nome", "serg", "ConsultaPAFECF.ini");
    forms::SellerBrowse browse;
    ASSERT_TRUE(browse.open());
    ASSERT_EQ(browse.lines().size(), 2u);
    EXPECT_EQ(browse.lines()[0].nome, "SERGIO ANTIGO");
    EXPECT_FALSE(browse.lines()[0].ativo);
    EXPECT_EQ(browse.lines()[1].municipio, "CURITIBA - PR");
    EXPECT_EQ(browse.lines()[1].taxa_com, "2,50");
}

}  // namespace balcora::test
