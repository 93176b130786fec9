#pragma once

#include <functional>
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

// One run of a schema script, the controller its progress window shows: the
// window provided for it through the screen port calls execute() with
// itself as the view. Without a window the run reports a failure through the
// prompt port and stays quiet on success.
class ScriptRun {
  public:
    using Work = std::function<bool(ScriptProgressView&)>;

    ScriptRun(std::string caption, Work work)
        : caption_(std::move(caption)), work_(std::move(work)) {}

    void execute(ScriptProgressView& view);
    bool succeeded() const { return succeeded_; }

  private:
    std::string caption_;
    Work work_;
    bool succeeded_ = false;
};

// Executes the run in the window provided for it, or with the prompt port.
bool show_script_run(ScriptRun& run);

}  // namespace balcora::db
