#include "fiscal/lmf_window.h"

#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "fiscal/ead_signing.h"
#include "ui/environment.h"

namespace balcora::fiscal {

bool LmfWindow::generate() {
    auto range = checked_range();
    if (!range) return false;
    const auto kind = complete ? ecf::Reading::kComplete : ecf::Reading::kSimplified;
    if (!to_file) {
        return finish(by_date
                          ? ecf::printer().print_reading_by_date(range->start, range->end, kind)
                          : ecf::printer().print_reading_by_crz(range->first, range->last, kind));
    }
    const auto file = pafecf_folder() / (complete ? "lmfc.txt" : "lmfs.txt");
    auto p = by_date ? ecf::reading_file_by_date(file, range->start, range->end, kind)
                     : ecf::reading_file_by_crz(file, range->first, range->last, kind);
    if (!p) return refuse_path(file.string());
    if (!finish(by_date
                    ? ecf::printer().reading_file_by_date(file, range->start, range->end, kind)
                    : ecf::printer().reading_file_by_crz(file, range->first, range->last, kind)))
        return false;
    prompt().message("Aviso",
                     "Geração de Arquivo (" + file.string() + ") Espelho " +
                         (complete ? "LMFC" : "LMF") + " gerado com Sucesso!!!|",
                     ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::fiscal
