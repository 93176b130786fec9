#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace balcora::backoffice {
class LinkSession;
}

// "Spool ECF" (SPOOLECF, from the coupon browse): the documents the back
// office queues for the fiscal printer, printed one per timer tick as
// management reports and marked printed. The link stays open while the
// window is; a document cut by the printer stays waiting and is printed
// again whole on a later tick; one printed whose mark failed is only marked
// on a later tick, never printed twice. Every checkout of the shop polls the
// same rows: a document is claimed in the back office before the printer is
// touched (situacao 'I', which one checkout alone can win), and given back
// to waiting when the printer refuses it.
namespace balcora::backoffice {

class PrintSpoolScreen {
  public:
    static constexpr const char* kTitle = "Spool ECF";
    static constexpr int kTickMilliseconds = 3000;
    static constexpr std::size_t kStatusWidth = 199;

    PrintSpoolScreen();
    ~PrintSpoolScreen();
    PrintSpoolScreen(const PrintSpoolScreen&) = delete;
    PrintSpoolScreen& operator=(const PrintSpoolScreen&) = delete;

    // Opens the link with the link settings; false when it cannot be opened
    // (the window closes at once).
    bool open();
    // "&Fechar": the link is closed.
    void close();
    bool is_open() const { return link_ != nullptr; }

    // One timer tick: the first waiting document of the store printed and
    // marked. True when a document was printed and marked.
    bool tick();

    const std::string& status() const { return status_; }
    void on_status(std::function<void(const std::string&)> listener);

  private:
    void set_status(std::string text);
    bool print_document(const std::string& id_docto);
    bool print_and_keep(const std::string& id_docto, std::string_view title);

    std::unique_ptr<LinkSession> link_;
    std::string status_;
    bool failing_ = false;
    std::function<void(const std::string&)> listener_;
};

}  // namespace balcora::backoffice
