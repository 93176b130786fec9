#pragma once

#include <string>
#include <vector>

namespace balcora::blocox {

// A plain list report for the printer the operator chooses: the view asks
// for the printer (or a PDF file), prints and sets `printed`.
struct PrintedReport {
    std::string title;          // the print job's name
    std::string page_header;    // on top of every page
    std::string column_header;  // under it, over a rule
    std::vector<std::string> lines;
    bool printed = false;
};

}  // namespace balcora::blocox
