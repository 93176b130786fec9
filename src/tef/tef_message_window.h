#pragma once

// The small window that stays over the screen while the card-payment manager
// has the transaction: it shows what the exchange is doing ("Iniciando
// transação TEF! Aguarde...", the manager's message for the operator, "TEF:
// Cancelando transação..."), keeps the program's windows drawing while the
// exchange polls, and, in a loop that only the manager can end (the recovery
// of a pending transaction), lets the operator close the program instead.
//
//     tef::MessageWindow window;                 // the view, when the GUI has one
//     window.show("Iniciando transação TEF! Aguarde...");
//     tef::Exchange exchange(timer, window.yielder());
//     ...
//     window.show_and_wait("TEF: " + response.message);   // close button, waits
//
// The window closes when the controller goes. Without a view (tests, the
// command line) the texts are only recorded, and waiting returns at once.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::tef {

// What the GUI's window does for the controller.
class MessageView {
  public:
    virtual ~MessageView() = default;
    // The text; `closable` shows the close button.
    virtual void show_text(const std::string& text, bool closable) = 0;
    // Lets the program's windows draw and answer; returns at once.
    virtual void process_events() = 0;
    // Returns once the operator closed the message (button, Enter or Esc).
    virtual void wait_for_close() = 0;
    // Shows or hides the button that closes the program.
    virtual void offer_quit(bool on) = 0;
    virtual void hide() = 0;
};

class MessageWindow {
  public:
    // Takes its view from the screen port: the provided view attaches one.
    MessageWindow();
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // A text while the flow goes on; the close button is hidden.
    void show(std::string_view text);
    // A text the operator must read: the close button shows and this returns
    // once it was closed.
    void show_and_wait(std::string_view text);
    // Hides the window; a later show() opens it again.
    void close();

    // One turn of the program's event loop; what the exchange calls between
    // its polls.
    void yield();
    std::function<void()> yielder() {
        return [this] { yield(); };
    }

    // In a loop only the manager can end: offer the operator the way out.
    void offer_quit(bool on);
    // The operator asked to close the program (and confirmed): the loop stops
    // retrying; its caller then ends the program (end_program()), leaving the
    // pending transaction for the next start-up to undo.
    bool quit_requested() const { return quit_requested_; }
    // The view's quit button: asks the operator to confirm.
    void request_quit();
    // Ends the program at once, through the handler (by default the process
    // exits with status 1).
    void end_program();
    void set_quit_handler(std::function<void()> handler) { quit_handler_ = std::move(handler); }

    bool is_open() const { return open_; }
    const std::string& text() const { return text_; }
    // Every text shown, in order (what a test or a log reads back).
    const std::vector<std::string>& history() const { return history_; }

    // For the view provider.
    void attach(std::unique_ptr<MessageView> view) { view_ = std::move(view); }

  private:
    void put(std::string_view text, bool closable);

    std::unique_ptr<MessageView> view_;
    std::function<void()> quit_handler_;
    std::string text_;
    std::vector<std::string> history_;
    bool open_ = false;
    bool quit_offered_ = false;
    bool quit_requested_ = false;
};

}  // namespace balcora::tef
