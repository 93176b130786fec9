#include "fiscal/lmf_window.h"

#include "ecf/printer.h"
#include "ecf/printer_layouts.h"
#include "fiscal/ead_signing.h"
#include "ui/environment.h"

namespace balcora::fiscal {

bool LmfWindow::generate() {
    auto range = checked_range();
    if (!range) return false;
    const auto kind = complete ? ecf::Reading::kComplete : ecf::Reading::kSimplified;
    if (!to_file) {
        auto p = by_date ? ecf::reading_by_date(range->start, range->end, kind)
                         : ecf::reading_by_crz(range->first, range->last, kind);
        return finish(
            p && ecf::send(by_date ? ecf::CMD_LMF_PRINT_BY_DATE : ecf::CMD_LMF_PRINT_BY_CRZ, {*p}));
    }
    const auto file = pafecf_folder() / (complete ? "lmfc.txt" : "lmfs.txt");
    auto p = by_date ? ecf::reading_file_by_date(file, range->start, range->end, kind)
                     : ecf::reading_file_by_crz(file, range->first, range->last, kind);
    if (!p) return refuse_path(file.string());
    if (!finish(ecf::send(by_date ? ecf::CMD_LMF_FILE_BY_DATE : ecf::CMD_LMF_FILE_BY_CRZ, {*p})))
        return false;
    prompt().message("Aviso",
                     "Geração de Arquivo (" + file.string() + ") Espelho " +
                         (complete ? "LMFC" : "LMF") + " gerado com Sucesso!!!|",
                     ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::fiscal
