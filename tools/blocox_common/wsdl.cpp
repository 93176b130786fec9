#include "wsdl.h"

#include "soap.h"

namespace blocox {

namespace {

std::string element_types() {
    std::string out;
    for (std::string_view op : kAllOperations) {
        const std::string o(op);
        const std::string_view parameter = *parameter_of(op);
        out += "      <s:element name=\"" + o + "\">\n        <s:complexType>\n";
        if (parameter.empty()) {
            out += "          <s:sequence />\n";
        } else {
            const char* type = parameter == "pXmlCompactado" ? "s:base64Binary" : "s:string";
            out +=
                "          <s:sequence>\n            <s:element minOccurs=\"0\" maxOccurs=\"1\" "
                "name=\"" +
                std::string(parameter) + "\" type=\"" + type + "\" />\n          </s:sequence>\n";
        }
        out += "        </s:complexType>\n      </s:element>\n";
        out += "      <s:element name=\"" + o +
               "Response\">\n        <s:complexType>\n          <s:sequence>\n"
               "            <s:element minOccurs=\"0\" maxOccurs=\"1\" name=\"" +
               o +
               "Result\" type=\"s:string\" />\n          </s:sequence>\n        </s:complexType>\n"
               "      </s:element>\n";
    }
    return out;
}

std::string messages() {
    std::string out;
    for (std::string_view op : kAllOperations) {
        const std::string o(op);
        out += "  <wsdl:message name=\"" + o +
               "SoapIn\">\n    <wsdl:part name=\"parameters\" "
               "element=\"tns:" +
               o + "\" />\n  </wsdl:message>\n";
        out += "  <wsdl:message name=\"" + o +
               "SoapOut\">\n    <wsdl:part name=\"parameters\" "
               "element=\"tns:" +
               o + "Response\" />\n  </wsdl:message>\n";
    }
    return out;
}

std::string port_type() {
    std::string out = "  <wsdl:portType name=\"BlocoXSoap\">\n";
    for (std::string_view op : kAllOperations) {
        const std::string o(op);
        out += "    <wsdl:operation name=\"" + o + "\">\n      <wsdl:input message=\"tns:" + o +
               "SoapIn\" />\n      <wsdl:output message=\"tns:" + o +
               "SoapOut\" />\n    </wsdl:operation>\n";
    }
    return out + "  </wsdl:portType>\n";
}

std::string binding(const std::string& name, const std::string& prefix) {
    std::string out = "  <wsdl:binding name=\"" + name + "\" type=\"tns:BlocoXSoap\">\n    <" +
                      prefix + ":binding transport=\"http://schemas.xmlsoap.org/soap/http\" />\n";
    for (std::string_view op : kAllOperations) {
        out += "    <wsdl:operation name=\"" + std::string(op) + "\">\n      <" + prefix +
               ":operation soapAction=\"" + soap_action(op) +
               "\" style=\"document\" />\n      <wsdl:input>\n        <" + prefix +
               ":body use=\"literal\" />\n      </wsdl:input>\n      <wsdl:output>\n        <" +
               prefix + ":body use=\"literal\" />\n      </wsdl:output>\n    </wsdl:operation>\n";
    }
    return out + "  </wsdl:binding>\n";
}

}  // namespace

std::string service_wsdl(std::string_view address) {
    const std::string ns(kServiceNamespace);
    const std::string location(address);
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<wsdl:definitions xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\" "
           "xmlns:s=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:soap12=\"http://schemas.xmlsoap.org/wsdl/soap12/\" xmlns:tns=\"" +
           ns + "\" targetNamespace=\"" + ns +
           "\" xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\">\n  <wsdl:types>\n"
           "    <s:schema elementFormDefault=\"qualified\" targetNamespace=\"" +
           ns + "\">\n" + element_types() + "    </s:schema>\n  </wsdl:types>\n" + messages() +
           port_type() + binding("BlocoXSoap", "soap") + binding("BlocoXSoap12", "soap12") +
           "  <wsdl:service name=\"BlocoX\">\n    <wsdl:port name=\"BlocoXSoap\" "
           "binding=\"tns:BlocoXSoap\">\n      <soap:address location=\"" +
           location +
           "\" />\n    </wsdl:port>\n    <wsdl:port name=\"BlocoXSoap12\" "
           "binding=\"tns:BlocoXSoap12\">\n      <soap12:address location=\"" +
           location + "\" />\n    </wsdl:port>\n  </wsdl:service>\n</wsdl:definitions>\n";
}

}  // namespace blocox
