#include "fiscal/registers_window.h"

#include "db/literals.h"
#include "db/sql_runner.h"
#include "ui/environment.h"
#include "util/day_number.h"
#include "util/text.h"

#include <algorithm>

namespace balcora::fiscal {

RegistersWindow::Generator RegistersWindow::default_generator() {
    return generate_paf_registers;
}

RegistersWindow::RegistersWindow(Generator generator) : generator_(std::move(generator)) {}

bool RegistersWindow::add_product() {
    const std::string code = util::trim(product_code);
    focus_ = Field::kProduct;
    if (code.empty()) return false;
    std::string where =
        "lower(codigo)=lower(" + TXTSQL(code) + ") OR codigo_barras=" + TXTSQL(code);
    if (std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        code.size() <= 18)
        where += " OR id_produto=" + code;
    db::SqlRecord rec;
    if (!db::read_rows("SELECT id_produto, codigo, descricao FROM balcora.produto WHERE " + where +
                           " ORDER BY (lower(codigo)=lower(" + TXTSQL(code) +
                           ")) DESC, id_produto LIMIT 1;",
                       rec))
        return false;
    if (!rec.has_row()) {
        prompt().message("Aviso", "Produto não encontrado: " + code, ui::Icon::kWarning);
        return false;
    }
    Product p{std::stoll(std::string(rec.text("id_produto"))), std::string(rec.text("codigo")),
              std::string(rec.text("descricao"))};
    if (std::any_of(products_.begin(), products_.end(),
                    [&](const Product& q) { return q.id == p.id; })) {
        prompt().message("Aviso", "Produto já informado!", ui::Icon::kWarning);
        return false;
    }
    products_.push_back(std::move(p));
    product_code.clear();
    return true;
}

void RegistersWindow::remove_product(std::size_t index) {
    if (index < products_.size()) products_.erase(products_.begin() + static_cast<long>(index));
}

bool RegistersWindow::generate() {
    RegistersRequest request;
    request.start = util::parse_br_date(util::trim(start_date));
    if (request.start <= 0) {
        focus_ = Field::kStartDate;
        return false;
    }
    request.end = util::parse_br_date(util::trim(end_date));
    if (request.end <= 0 || request.end < request.start) {
        focus_ = Field::kEndDate;
        return false;
    }
    request.stock_option = stock_option == 2 ? 2 : 1;
    if (request.stock_option == 2) {
        if (products_.empty()) {
            prompt().message("Aviso", "Nenhum produto informado!", ui::Icon::kWarning);
            focus_ = Field::kProduct;
            return false;
        }
        for (const auto& p : products_) request.products.push_back(p.id);
    }
    RegistersResult result = generator_(request);
    if (!result.ok) return false;
    file_ = result.file;
    open_ = false;
    prompt().message("Aviso", "Arquivo \"" + file_ + "\" gerado com sucesso!!!",
                     ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::fiscal
