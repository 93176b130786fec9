#pragma once

#include <functional>
#include <memory>
#include <string>

namespace balcora::db {

// What the operator sees while a schema script runs: the caption, the
// statement text being gathered and a status line. The screen stays open with
// the failing batch and its error when the run fails.
class ScriptProgressView {
  public:
    virtual ~ScriptProgressView() = default;
    virtual void show(const std::string& caption) = 0;
    virtual void gathered_text(const std::string& text) = 0;
    virtual void status(const std::string& line) = 0;
    // Success closes the window; failure leaves it until the operator closes it.
    virtual void finished(bool success) = 0;
};

// The GUI installs a factory for its window; without one the run reports a
// failure through the prompt port and stays quiet on success.
using ScriptProgressFactory = std::function<std::unique_ptr<ScriptProgressView>()>;
void set_script_progress_factory(ScriptProgressFactory factory);
std::unique_ptr<ScriptProgressView> make_script_progress_view();

}  // namespace balcora::db
