#include "db/script_progress.h"

#include "ui/environment.h"

namespace balcora::db {

namespace {

// Keeps what a window would show and, on failure, shows it as a message so
// the failing batch and error are never lost.
class PromptScriptProgress final : public ScriptProgressView {
  public:
    void show(const std::string& caption) override { caption_ = caption; }
    void gathered_text(const std::string& text) override { text_ = text; }
    void status(const std::string& line) override { status_ = line; }
    void finished(bool success) override {
        if (!success) prompt().message(caption_, status_ + "|" + text_, ui::Icon::kError);
    }

  private:
    std::string caption_, text_, status_;
};

}  // namespace

void ScriptRun::execute(ScriptProgressView& view) {
    view.show(caption_);
    succeeded_ = work_(view);
    view.finished(succeeded_);
}

bool show_script_run(ScriptRun& run) {
    if (!screens().show(run)) {
        PromptScriptProgress progress;
        run.execute(progress);
    }
    return run.succeeded();
}

}  // namespace balcora::db
