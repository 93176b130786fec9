#pragma once

#include <string>
#include <vector>

namespace balcora {

// Loads the demonstration shop: one active company, one printer of the
// virtual driver with its model, products with barcodes and tax data,
// customers, sellers, the developer identification, and the auxiliary file
// naming the printer. Rows already present are left alone, so it can run
// again. False after a failure was shown (nothing is then committed).
bool load_demo_data();

// The inventories a shop's back office closes at the end of a month: the
// demo's last December (due every year) and last month, as of the
// program's today, both released for sending, so that `balcora demo` can
// send its stock as a real shop does. Rows already there, sent or not, are
// left as they are. False after a failure was shown.
bool load_demo_inventories();

namespace demo {
inline constexpr const char* kPrinterSerial = "BV202612000001";
inline constexpr int kCompanyId = 1;
inline constexpr int kPrinterId = 1;

// The shop's registers, shared by the checkout's demonstration data and the
// back office's, so that both tell the same story.
struct Product {
    int id;
    const char* prefix12;  // barcode without its check digit; "" for a weighed product
    const char* descricao;
    const char* unidade;
    int vendido_peso;
    const char* preco;
    const char* ecf_st;
    const char* aliquota;
    const char* cod_st;
    int ncm;
    int cest;
};
const std::vector<Product>& products();
// The tax rule (gestao.st id and code) of a product's ECF code.
int tax_rule_of(const Product& p);

struct Customer {
    int id;
    const char* nome;
    std::string doc;
    int pessoa;  // 1 company (CNPJ), 2 natural person (CPF)
};
const std::vector<Customer>& customers();

struct Seller {
    int id;
    const char* nome;
    const char* login;
};
const std::vector<Seller>& sellers();

// A GTIN-13 from its first twelve digits, with the right check digit.
std::string ean13(const std::string& twelve);
std::string valid_cpf(const std::string& nine);
std::string valid_cnpj(const std::string& twelve);
}  // namespace demo

}  // namespace balcora
