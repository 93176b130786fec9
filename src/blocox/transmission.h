#pragma once

#include <string>
#include <string_view>

// BLOCOX: the transmission of the Bloco X files to the tax authority and
// the queries of what became of them, each run in a small progress window.
namespace balcora::blocox {

inline constexpr std::string_view kSendReductions = "EnviarReducaoZ";
inline constexpr std::string_view kSendStock = "EnviarEstoque";
inline constexpr std::string_view kQueryReductions = "ConsultarReducao";
inline constexpr std::string_view kQueryStock = "ConsultarEstoque";

// What the progress window shows: a caption and one line of 49 characters.
class ProgressView {
  public:
    virtual ~ProgressView() = default;
    virtual void open(const std::string& caption) = 0;
    virtual void line(const std::string& text) = 0;
    // Called over and over while the web-service client runs.
    virtual void wait() {}
    virtual void close() = 0;
};

// One run of an action. The window provided for it through the screen port
// calls execute() with itself as the view; without one, execute() runs with
// the messages alone (the command line).
class BlocoXRun {
  public:
    static constexpr const char* kCaption = "Gera XML - Bloco XX";
    static constexpr std::size_t kLineWidth = 49;

    explicit BlocoXRun(std::string action) : action_(std::move(action)) {}

    const std::string& action() const { return action_; }
    void execute(ProgressView& view);

    // After execute(): false when the action is unknown or the run stopped
    // before it could look at the items (no printer, no company).
    bool ran() const { return ran_; }
    // Items the action leaves undone: still pending after a send, still not
    // accepted after a query; -1 when they could not be counted.
    long long left() const { return left_; }

  private:
    void send_reductions();
    void send_stock();
    void query(bool reductions);
    void show(const std::string& text);

    std::string action_;
    ProgressView* view_ = nullptr;
    bool ran_ = false;
    long long left_ = -1;
};

}  // namespace balcora::blocox

namespace balcora {

// Runs the action in the window provided for it, or without a window. 0 when
// the action left nothing undone, 1 otherwise.
int BLOCOX(std::string_view acao);

}  // namespace balcora
