#pragma once

namespace balcora {

// Loads the demonstration shop: one active company, one printer of the
// virtual driver with its model, products with barcodes and tax data,
// customers, sellers, the developer identification, and the auxiliary file
// naming the printer. Rows already present are left alone, so it can run
// again. False after a failure was shown (nothing is then committed).
bool load_demo_data();

namespace demo {
inline constexpr const char* kPrinterSerial = "BV202612000001";
inline constexpr int kCompanyId = 1;
inline constexpr int kPrinterId = 1;
}  // namespace demo

}  // namespace balcora
