#pragma once

#include <string>
#include <vector>

// "Válida Forma de Pagamento": the eight payment forms of the program beside
// the names they are registered under on the fiscal printer (settings section
// "FormaPagto"), and the action that programs them into the printer.
//
//     sale::PaymentFormsValidation screen;   // reads the names
//     view.show(screen.rows());
//     screen.validate();                     // "&Válidar"; the rows are read again
namespace balcora::sale {

inline constexpr const char* kNotRegistered = "NÃO CADASTRADO";

struct PaymentFormRow {
    std::string system;   // the program's name: "DINHEIRO", "CHEQUE", ...
    std::string printer;  // the configured printer name, or kNotRegistered
    bool registered = false;
};

class PaymentFormsValidation {
  public:
    PaymentFormsValidation();

    const std::vector<PaymentFormRow>& rows() const { return rows_; }
    void reload();

    // Sends the printer the command that programs the payment forms. While
    // the flag "Forma Pagamento Esgotada" of this printer is "1" it is set to
    // "2" for the command and back to "1" afterwards. The result is the
    // printer's business (it tells the operator itself); the rows are read
    // again in any case.
    void validate();

  private:
    std::vector<PaymentFormRow> rows_;
};

// The settings section of the printer's flags: "PAF-ECF." + glo::numfab.
std::string printer_flags_section();

}  // namespace balcora::sale
