#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace gerenciador {

// One request or response of the file exchange: lines "CCC-III = value".
// Lines that do not follow the layout are skipped, so a damaged request
// still yields whatever fields it carries.
class Record {
  public:
    static Record parse(std::string_view text);

    // The value of field code-index, empty when absent.
    std::string get(int code, int index = 0) const;
    bool has(int code, int index = 0) const;
    void set(int code, int index, std::string value);
    void set(int code, std::string value) { set(code, 0, std::move(value)); }

    // The fields in code-index order, each line ending in CR LF, closed by
    // "999-999 = 0".
    std::string text() const;

  private:
    std::map<std::pair<int, int>, std::string> fields_;
};

// A voucher line as the managers print field 029: between double quotes.
std::string voucher_text(std::string_view line);

}  // namespace gerenciador
