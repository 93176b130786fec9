#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace balcora {

// True when the check digits of the number are right. Dots, slash, hyphen and
// blanks of the usual formatting are ignored; any other character, a wrong
// length or a number made of one repeated digit (111.111.111-11) is refused.
bool CPF(std::string_view text);

// Also accepts the alphanumeric CNPJ (letters in the first twelve positions,
// lower case read as upper case); its check digits stay numeric.
bool CNPJ(std::string_view text);

}  // namespace balcora

namespace balcora::util {

// The two check digits of a CPF from its first nine digits ("529982247" ->
// "25"); nullopt unless given exactly nine digits.
std::optional<std::string> cpf_check_digits(std::string_view nine_digits);

// The two check digits of a CNPJ from its first twelve characters (digits or
// upper-case letters); nullopt for anything else.
std::optional<std::string> cnpj_check_digits(std::string_view twelve_characters);

// "529.982.247-25" and "11.222.333/0001-81" from the bare or formatted number;
// a text without the right number of characters comes back unchanged.
std::string format_cpf(std::string_view text);
std::string format_cnpj(std::string_view text);

}  // namespace balcora::util
