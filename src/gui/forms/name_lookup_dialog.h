#pragma once

#include <QDialog>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace balcora::gui {

// A list filtered by a name as the operator types, to pick one row's key:
// arrows move in the list from the filter field, Enter or "&Selecionar"
// chooses, Esc or "&Fechar" leaves without a choice. A list that offers it
// adds a row with "&Novo (Ins)", which chooses the row added.
class NameLookupDialog : public QDialog {
  public:
    std::optional<std::int32_t> chosen() const { return chosen_; }
    void done(int result) override;

  protected:
    NameLookupDialog(QWidget* parent, const QString& title, const char* object_name,
                     const QString& filter_label, const QStringList& headers, int filter_limit);

    // Fills the list from the lookup; called by the subclass once it opened.
    void show_lines(const std::string& filter);
    // Shows "&Novo (Ins)" ("add"): `add` adds a row, over this window, and
    // gives its key, or nothing when the operator gave up.
    void offer_add(std::function<std::optional<std::int32_t>(QWidget* over)> add);
    bool eventFilter(QObject* watched, QEvent* event) override;

    virtual bool apply_filter(const std::string& text) = 0;
    virtual std::vector<QStringList> rows() const = 0;
    virtual std::string note() const = 0;
    virtual std::optional<std::int32_t> choose(std::size_t index) const = 0;
    virtual void remember() = 0;

  private:
    void fill();
    void select_current();

    QLineEdit* filter_;
    QTableWidget* table_;
    QLabel* note_;
    QHBoxLayout* buttons_;
    std::optional<std::int32_t> chosen_;
    bool closed_ = false;
};

}  // namespace balcora::gui
