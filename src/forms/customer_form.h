#pragma once

#include "forms/form_mode.h"

#include <cstdint>
#include <optional>
#include <string>

namespace balcora::forms {

// Customers keyed at the checkout take codes from here up; the back office's
// update later gives them its own code (matched by CNPJ/CPF), so they must
// never meet a back-office code, all of which lie below.
inline constexpr std::int32_t kFirstCheckoutCustomer = 950000;
// The back office's update parks a customer here while renumbering it.
inline constexpr std::int32_t kCustomerPlaceholder = 999998;

// Person types of cliente.pesso.
inline constexpr int kCompany = 1;        // CNPJ
inline constexpr int kNaturalPerson = 2;  // CPF

// The columns of a customer that the checkout keeps.
struct CustomerRecord {
    std::int32_t id_cliente = 0;  // 0 until a new customer is stored
    bool ativo = true;
    int pesso = kNaturalPerson;
    bool consfinal = true;
    std::string cgcpf;
    std::string inscr;
    std::string razao;
    std::string nome;  // trade name
    std::string ender;
    std::string num_endereco;
    std::string compl_;
    std::string bairr;
    std::string cep;
    std::int32_t id_municipio = 0;
    std::string telef;
    std::string e_mail;
};

// The fields of the form, for focus.
enum class CustomerField {
    kPesso,
    kCgcpf,
    kInscr,
    kRazao,
    kNome,
    kEnder,
    kNumEndereco,
    kCompl,
    kBairr,
    kCep,
    kMunicipio,
    kTelef,
    kEmail,
};

// "Cliente": one customer, added or changed at the checkout. Customers that
// came from the back office are only consulted here: its next update would
// overwrite any change made at the checkout.
class CustomerForm {
  public:
    static constexpr const char* kTitle = "Cliente";

    // A new customer, of the person type last saved.
    bool open_insert();
    // An existing customer; false (shown) when it is gone.
    bool open(FormMode mode, std::int32_t id_cliente);

    FormMode mode() const { return mode_; }
    bool read_only() const { return mode_ == FormMode::kView; }
    // Why a change became a consultation; empty otherwise.
    const std::string& notice() const { return notice_; }
    CustomerRecord& record() { return record_; }
    const CustomerRecord& record() const { return record_; }

    // The municipality by its code: its name and state, or false (shown) when
    // there is no such municipality. Code 0 clears it.
    bool set_municipality(std::int32_t id_municipio);
    const std::string& municipality_name() const { return municipio_; }

    // "&Ok": validates and stores the customer. True when stored (a new
    // customer then has its code); otherwise the reason was shown and
    // focus_field() names the field to correct.
    bool save();
    std::optional<CustomerField> focus_field() const { return focus_; }

  private:
    bool validate();
    bool document_free();
    bool store();
    bool insert_row();
    bool update_row();
    bool fail(CustomerField field, const std::string& text);

    FormMode mode_ = FormMode::kInsert;
    CustomerRecord record_;
    std::string municipio_;  // "SAO PAULO - SP"
    std::string uf_;
    std::string notice_;
    std::optional<CustomerField> focus_;
};

}  // namespace balcora::forms
