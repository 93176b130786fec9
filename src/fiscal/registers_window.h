#pragma once

#include "fiscal/paf_registers.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace balcora::fiscal {

enum class RegistersField { kNone, kStartDate, kEndDate, kProduct };

// "Registros do PAF-ECF": the period and the stock option of the registers
// file, with the products of a partial stock, generated on "&Gerar".
class RegistersWindow {
  public:
    using Field = RegistersField;
    using Generator = std::function<RegistersResult(const RegistersRequest&)>;
    static constexpr const char* kCaption = "Registros do PAF-ECF";

    // The generation is injected so the window's checks stand on their own.
    explicit RegistersWindow(Generator generator = default_generator());

    struct Product {
        std::int64_t id = 0;
        std::string code;
        std::string description;
    };

    int stock_option = 1;    // 1 "Estoque Total", 2 "Estoque Parcial"
    std::string start_date;  // "dd/mm/yyyy"
    std::string end_date;
    std::string product_code;  // typed for "&Adicionar"

    const std::vector<Product>& products() const { return products_; }
    // "&Adicionar": the product of the code typed (its code, bar code or id)
    // joins the list; an unknown one is refused with a message.
    bool add_product();
    // "&Remover": the product at that place of the list leaves it.
    void remove_product(std::size_t index);

    // "&Gerar". True when the file was written and signed; the window then
    // closes. A refusal keeps it open with the focus on the field at fault.
    bool generate();

    void cancel() { open_ = false; }
    bool is_open() const { return open_; }
    Field focus() const { return focus_; }
    const std::string& file() const { return file_; }

  private:
    static Generator default_generator();

    Generator generator_;
    std::vector<Product> products_;
    bool open_ = true;
    Field focus_ = Field::kNone;
    std::string file_;
};

}  // namespace balcora::fiscal
