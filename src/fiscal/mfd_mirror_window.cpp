#include "fiscal/mfd_mirror_window.h"

#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "fiscal/ead_signing.h"
#include "ui/environment.h"

namespace balcora::fiscal {

bool MfdMirrorWindow::generate() {
    auto range = checked_range();
    if (!range) return false;
    const auto file = pafecf_folder() / "espelhomfd.txt";
    auto p = by_date ? ecf::file_by_date(file, range->start, range->end)
                     : ecf::mirror_file_by_coo(file, range->first, range->last);
    if (!p) return refuse_path(file.string());
    if (!finish(by_date ? ecf::printer().mfd_mirror_by_date(file, range->start, range->end)
                        : ecf::printer().mfd_mirror_by_coo(file, range->first, range->last)))
        return false;
    prompt().message("Aviso",
                     "Geração de Arquivo (" + file.string() + ") Espelho MFD gerado com Sucesso!!!",
                     ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::fiscal
