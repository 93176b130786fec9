#include "db/query_sql.h"
#include "db/settings.h"
#include "forms/customer_lookup.h"
#include "forms/seller_lookup.h"
#include "support/test_database.h"

#include <string>
#include <vector>

namespace balcora::test {

namespace {

template <class Lookup>
std::vector<int> ids(const Lookup& lookup) {
    std::vector<int> out;
    for (std::size_t i = 0; i < lookup.lines().size(); ++i) out.push_back(*lookup.choose(i));
    return out;
}

using Ids = std::vector<int>;

}  // namespace

class CustomerLookupList : public DbTest {
  protected:
    void SetUp() override {
        QUERYSQL(
            "INSERT INTO balcora.cliente (id_cliente, ativo, razao, nome, cgcpf) VALUES "
            "(10, 1, 'JOÃO DA SILVA ME', 'Padaria Estrela', '123.456.789-09'), "
            "(11, 1, 'MARIA D''ÁVILA', 'Ávila Modas', '98.765.432/0001-10'), "
            "(12, 0, 'JOANA INATIVA', 'Joana', ''), "
            "(13, 1, 'ZÉ DO BAR\\\\', 'Bar do Zé', '');");
    }
    forms::CustomerLookup lookup_;
};

TEST_F(CustomerLookupList, FiltersByEitherNameBlindToCaseAndAccents) {
    ASSERT_TRUE(lookup_.open());
    EXPECT_EQ(ids(lookup_), (Ids{10, 11, 13}));  // active only, by corporate name
    lookup_.set_filter("joao");
    EXPECT_EQ(ids(lookup_), (Ids{10}));
    lookup_.set_filter("padaria");  // the trade name
    EXPECT_EQ(ids(lookup_), (Ids{10}));
    lookup_.set_filter("%avila");
    EXPECT_EQ(ids(lookup_), (Ids{11}));
    lookup_.set_filter("maria d'a");
    EXPECT_EQ(ids(lookup_), (Ids{11}));
    lookup_.set_filter("ze do bar\\");
    EXPECT_EQ(ids(lookup_), (Ids{13}));
    lookup_.set_filter("joana");
    EXPECT_TRUE(lookup_.lines().empty());
    EXPECT_FALSE(lookup_.choose(0));
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(CustomerLookupList, RemembersTheNameFilterInKontoraIni) {
    ASSERT_TRUE(lookup_.open());
    lookup_.set_filter("maria  ");
    lookup_.close();
    EXPECT_EQ(read_ini("Clientes", "filtro_nome", "", "kontora.ini"), "maria");
    forms::CustomerLookup again;
    ASSERT_TRUE(again.open());
    EXPECT_EQ(again.filter(), "maria");
    EXPECT_EQ(ids(again), (Ids{11}));
}

class SellerLookupList : public DbTest {
  protected:
    void SetUp() override {
        QUERYSQL(
            "INSERT INTO balcora.vendedor (id_vendedor, ativo, nome, taxa_com, forma_pag) "
            "VALUES (3, 1, 'Sérgio Luís', 2.5, 'F'), (4, 1, 'ANA PAULA', 1, 'R'), "
            "(5, 0, 'SERGIO ANTIGO', 0, 'M');");
    }
    forms::SellerLookup lookup_;
};

TEST_F(SellerLookupList, ListsActiveSellersByNameAndRemembersTheFilter) {
    ASSERT_TRUE(lookup_.open());
    EXPECT_EQ(ids(lookup_), (Ids{4, 3}));
    EXPECT_EQ(lookup_.lines()[1].taxa_com, "2,50");
    EXPECT_EQ(lookup_.lines()[1].forma_pag, "F");
    lookup_.set_filter("SERGIO");
    EXPECT_EQ(ids(lookup_), (Ids{3}));
    EXPECT_EQ(*lookup_.choose(0), 3);
    lookup_.close();
    EXPECT_EQ(read_ini("Vendedor", "filtro_nome", "", "ConsultaPAFECF.ini"), "SERGIO");

    forms::SellerLookup again;
    ASSERT_TRUE(again.open());
    EXPECT_EQ(ids(again), (Ids{3}));
    again.set_filter("x' or 1=1 or nome like '");
    EXPECT_TRUE(again.lines().empty());
    EXPECT_TRUE(prompt_.shown().empty());
}

}  // namespace balcora::test
