#pragma once

#include "exchange_file.h"

#include <optional>
#include <string>

namespace blocox {

// Posts the SOAP request to the authority's address over HTTPS and returns
// the result text of its answer. Nothing, with the reason in *error, when the
// address is unusable, the authority cannot be reached, does not answer in
// time, presents a certificate that is not trusted, or answers something
// that is not a SOAP answer.
std::optional<std::string> post_to_authority(const Exchange& exchange, const std::string& operation,
                                             const std::string& envelope, std::string* error);

}  // namespace blocox
