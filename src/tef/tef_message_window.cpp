#include "tef/tef_message_window.h"

#include "ui/environment.h"

#include <cstdio>
#include <cstdlib>

namespace balcora::tef {

MessageWindow::MessageWindow() {
    quit_handler_ = [] {
        // The pending transaction stays in its files; the next start-up
        // undoes it before any sale can begin.
        std::fflush(nullptr);
        std::_Exit(EXIT_FAILURE);
    };
    screens().show(*this);
}

MessageWindow::~MessageWindow() {
    close();
}

void MessageWindow::put(std::string_view text, bool closable) {
    text_ = text;
    history_.push_back(text_);
    open_ = true;
    if (view_) view_->show_text(text_, closable);
}

void MessageWindow::show(std::string_view text) {
    put(text, false);
    yield();
}

void MessageWindow::show_and_wait(std::string_view text) {
    put(text, true);
    if (view_) view_->wait_for_close();
    close();
}

void MessageWindow::close() {
    if (!open_) return;
    open_ = false;
    if (view_) view_->hide();
}

void MessageWindow::yield() {
    if (view_) view_->process_events();
}

void MessageWindow::offer_quit(bool on) {
    quit_offered_ = on;
    if (view_) view_->offer_quit(on);
}

void MessageWindow::request_quit() {
    if (!quit_offered_) return;
    if (prompt().confirm("Confirme",
                         "Fechar o programa?|A transação pendente será desfeita quando o "
                         "programa for aberto de novo."))
        quit_requested_ = true;
}

void MessageWindow::end_program() {
    if (quit_handler_) quit_handler_();
}

}  // namespace balcora::tef
