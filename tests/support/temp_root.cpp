#include "support/temp_root.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace balcora::test {

static std::filesystem::path make_temp_dir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "balcora-root-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    return tmpl;
}

TempRoot::TempRoot() : root_(make_temp_dir()) {
    std::string error;
    if (!root_.create_layout(&error)) throw std::runtime_error(error);
}

TempRoot::~TempRoot() {
    std::error_code ec;
    std::filesystem::remove_all(root_.root(), ec);
}

}  // namespace balcora::test
