#pragma once

#include "exchange_file.h"
#include "soap.h"

#include <optional>
#include <string>

namespace blocox {

// Posts the request to the authority's address over HTTPS, in the SOAP version
// of the request, and returns the result text of its answer. Nothing, with
// the reason in *error, when the address is unusable, the authority cannot be
// reached, does not answer in time, presents a certificate that is not
// trusted, answers beyond `largest_answer` bytes, with a SOAP fault, with an
// HTML page or with anything else that is not the operation's answer. When
// the exchange names a trace folder, the request and the answer are kept
// there as they travelled.
std::optional<std::string> post_to_authority(const Exchange& exchange, const SoapRequest& request,
                                             size_t largest_answer, std::string* error);

}  // namespace blocox
