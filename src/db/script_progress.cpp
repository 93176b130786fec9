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

ScriptProgressFactory& factory_slot() {
    static ScriptProgressFactory f;
    return f;
}

}  // namespace

void set_script_progress_factory(ScriptProgressFactory factory) {
    factory_slot() = std::move(factory);
}

std::unique_ptr<ScriptProgressView> make_script_progress_view() {
    if (factory_slot()) return factory_slot()();
    return std::make_unique<PromptScriptProgress>();
}

}  // namespace balcora::db
