#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The texts of the documents printed after a sale, built from plain data:
// the promissory note and the debt acknowledgement of a sale on store credit,
// and the second copy of the coupon. Each builder gives the lines as they go
// to the printer, without line ends.
namespace balcora::sale {

inline constexpr std::size_t kNoteWidth = 48;
inline constexpr std::size_t kAcknowledgementWidth = 50;
inline constexpr std::size_t kSecondCopyWidth = 45;

struct DocumentCompany {
    std::string razao_social;
    std::string cnpj;
    std::string municipio;
    std::string estado;
};

struct DocumentClient {
    std::string razao;
    std::string cgcpf;
    bool company = false;  // pesso 1: CNPJ and state registration
    std::string inscr;     // state registration of a company
    std::string identity;  // identity document of a person
    std::string ender;
    std::string house_number;
    std::string complement;  // compl
    std::string bairr;
    std::string municipio;
    std::string estado;
};

struct Instalment {
    util::DayNumber due = 0;
    util::Money amount;
};

// A coupon paid (partly) on store credit.
struct CreditSale {
    DocumentCompany company;
    std::optional<DocumentClient> client;
    std::int32_t coo = 0;
    std::int32_t ccf = 0;
    std::vector<Instalment> instalments;  // the "CR" rows, in payment order

    util::Money credit_total() const;
};

struct SecondCopyItem {
    std::string code;  // barcode (or the product code when it has none)
    std::string description;
    std::string unit;
    util::Quantity quantity;
    util::Fixed<3> unit_price;
    util::Money total;
    util::Money surcharge;
    util::Money discount;
    bool cancelled = false;
};

struct SecondCopy {
    std::int32_t coo = 0;
    std::vector<SecondCopyItem> items;  // cancelled ones included
    util::Money surcharge;              // of the coupon
    util::Money discount;
    util::Money total;
    std::optional<DocumentClient> client;
};

// "PARC   VENCIMENTO        VALOR" and one line per instalment: its number
// (4 digits), due date and amount.
std::vector<std::string> instalment_lines(const std::vector<Instalment>& instalments);

// The promissory note, 48 columns, centred.
std::vector<std::string> promissory_note_lines(const CreditSale& sale);

// The debt acknowledgement, centred on 50 columns, headed by the printer name
// of the sale's last payment form.
std::vector<std::string> debt_acknowledgement_lines(const CreditSale& sale,
                                                    std::string_view printer_name);

// The second copy of the coupon, 45 columns.
std::vector<std::string> second_copy_lines(const SecondCopy& copy);

}  // namespace balcora::sale
