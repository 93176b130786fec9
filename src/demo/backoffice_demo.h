#pragma once

#include "backoffice/backoffice_link.h"
#include "platform/data_root.h"

#include <string>

namespace balcora {

// Fills the back office's database (which must exist; libpq conninfo) with the demonstration
// shop: the same company, printer, products, customers and sellers as the
// checkout's demonstration, a product changed today, a new product made of
// others, payment forms with terms, and three waiting pre-sales (one paid
// with store-credit titles, one on terms, one with item discounts). A back
// office already holding the company is left alone. False with the reason.
bool load_backoffice_demo(const std::string& conninfo, std::string* error);

// Stores the link settings, and the same server, database and login as the
// master-data update's connection for the demonstration's company and
// printer. False when a setting could not be written.
bool point_settings_at_backoffice(const backoffice::LinkSettings& link);

// Points the link settings and the master-data update's settings at that
// database (this machine's cluster, the installation's password file), on
// the program's open connection. False when a setting could not be written.
bool point_link_at_backoffice_demo(const platform::DataRoot& root);

}  // namespace balcora
