#include "support/balcora_cli.h"

#include <cstdlib>

namespace balcora::test {

std::string balcora_program() {
    if (const char* app = std::getenv("BALCORA_APP"); app && *app) return app;
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (self.parent_path().parent_path() / "app" / "balcora").string();
}

platform::ProcessResult balcora_cli(const std::filesystem::path& root,
                                    const std::vector<std::string>& words,
                                    const std::string& as_user) {
    std::vector<std::string> argv{balcora_program(), "--root", root.string()};
    argv.insert(argv.end(), words.begin(), words.end());
    platform::ProcessOptions options;
    options.user = as_user;
    return platform::run_program(argv, options);
}

}  // namespace balcora::test
