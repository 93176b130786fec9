#include "fiscal/cotepe_window.h"

#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "fiscal/ead_signing.h"
#include "fiscal/stamped_file.h"
#include "platform/folder_snapshot.h"
#include "ui/environment.h"

namespace balcora::fiscal {

const char* cotepe_type_name(int type) {
    static const char* const names[CotepeWindow::kTypes] = {"MF", "MFD", "TDM", "RZ", "RFD"};
    return type >= 0 && type < CotepeWindow::kTypes ? names[type] : names[0];
}

std::string cotepe_type_caption(int type) {
    return std::to_string(type) + "-" + cotepe_type_name(type);
}

bool CotepeWindow::generate() {
    auto range = checked_range();
    if (!range) return false;
    const auto folder = pafecf_folder();
    auto p = by_date ? ecf::file_by_date(folder, range->start, range->end)
                     : ecf::cotepe_file_by_coo(folder, range->first, range->last);
    if (!p) return refuse_path(folder.string());
    const platform::FolderSnapshot before(folder);
    if (!finish(by_date
                    ? ecf::printer().cotepe_file_by_date(folder, range->start, range->end, type)
                    : ecf::printer().cotepe_file_by_coo(folder, range->first, range->last, type)))
        return false;
    // One second on, so that an MF download of the same second keeps a name
    // of its own.
    const auto target =
        stamped_file(cotepe_type_name(type), one_second_later(clock().now()), ".txt");
    // The printer names its file itself. Only the file it wrote for this
    // request is renamed (and its source deleted): when it wrote nothing, an
    // earlier regulatory file of the folder stays as it is.
    const std::string written = before.written_since();
    if (written.empty()) {
        prompt().message("Erro",
                         "Arquivo gerado pela impressora não encontrado em " + folder.string(),
                         ui::Icon::kError);
        return finish(false);
    }
    if (!ATUALIZAEAD(written, target.string())) return finish(false);
    file_ = target.string();
    prompt().message("Aviso",
                     "Geração de Arquivo Ato COTEPE/ICMS 17/04 (" + file_ + ") " +
                         cotepe_type_name(type) + " gerado com Sucesso!!!|",
                     ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::fiscal
