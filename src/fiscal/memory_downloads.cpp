#include "fiscal/memory_downloads.h"

#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "fiscal/ead_signing.h"
#include "fiscal/stamped_file.h"
#include "globals/globals.h"
#include "ui/environment.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace balcora::fiscal {

namespace fs = std::filesystem;

namespace {

bool path_fits(const std::optional<std::string>& p, const fs::path& file) {
    if (!p) report_path_too_long(file);
    return p.has_value();
}

// Renames what the printer wrote and signs it; the success is told only when
// both were done, so the operator never hands over an unnamed or unsigned file
// believing it complete.
std::string name_and_sign(const fs::path& temp, std::string_view prefix, std::string_view extension,
                          std::string_view what) {
    const fs::path target = stamped_file(prefix, clock().now(), extension);
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        prompt().message("Erro",
                         "Erro (" + std::to_string(ec.value()) + ") ao renomear o arquivo " +
                             temp.string() + " para " + target.string(),
                         ui::Icon::kError);
        return {};
    }
    if (!ASSINATURAEAD(target.string(), 2)) return {};
    prompt().message("Aviso",
                     std::string("Arquivo Binário da ") + std::string(what) + " (" +
                         target.string() + ") gerado com Sucesso!!!|",
                     ui::Icon::kInformation);
    return target.string();
}

}  // namespace

std::string download_fiscal_memory() {
    if (!ecf::printer().read_printer_info()) return {};
    const fs::path temp = pafecf_folder() / "temp.mf";
    auto p = ecf::path_field(temp);
    if (!path_fits(p, temp) || !ecf::printer().download_mf(temp)) return {};
    return name_and_sign(temp, "MF", ".mf", "MF");
}

std::string download_tape_memory() {
    if (!ecf::printer().check_printer() || !ecf::printer().read_printer_info()) return {};
    if (!glo::mfd) {
        prompt().message("Aviso", "Função não suportada pelo modelo de ECF utilizado!",
                         ui::Icon::kWarning);
        return {};
    }
    const fs::path temp = pafecf_folder() / "temp.mfd";
    auto p = ecf::whole_tape_download(temp);
    if (!path_fits(p, temp) || !ecf::printer().download_mfd(temp)) return {};
    return name_and_sign(temp, "MFD", ".mfd", "MFD");
}

}  // namespace balcora::fiscal
