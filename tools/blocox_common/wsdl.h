#pragma once

#include <string>
#include <string_view>

namespace blocox {

// The service description of "BlocoX" (WSDL 1.1, document/literal, a SOAP 1.1
// and a SOAP 1.2 binding), with `address` as the location of both ports.
std::string service_wsdl(std::string_view address);

}  // namespace blocox
