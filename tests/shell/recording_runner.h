#pragma once

#include "shell/external_command.h"

#include <set>
#include <string>
#include <vector>

namespace balcora::test {

// Records every external command instead of running it; the commands listed
// as missing fail to start, the ones listed as failing end with code 1.
class RecordingRunner final : public shell::CommandRunner {
  public:
    shell::CommandOutcome run(const std::string& line) override { return outcome(line, true); }
    shell::CommandOutcome start(const std::string& line) override { return outcome(line, false); }

    std::vector<std::string> ran;      // waited for
    std::vector<std::string> started;  // not waited for
    std::set<std::string> missing;
    std::set<std::string> failing;

  private:
    shell::CommandOutcome outcome(const std::string& line, bool wait) {
        (wait ? ran : started).push_back(line);
        shell::CommandOutcome o;
        if (missing.count(line)) {
            o.error = line + ": No such file or directory";
            return o;
        }
        o.started = true;
        if (wait) o.exit_code = failing.count(line) ? 1 : 0;
        if (o.exit_code == 1) o.error = "falhou";
        return o;
    }
};

}  // namespace balcora::test
