#pragma once

#include "gui/forms/name_lookup_dialog.h"

#include <functional>
#include <type_traits>
#include <utility>

namespace balcora::gui {

// A name lookup window over one of the name-filtered lists (forms/): the
// filter, the note, the choice and the memory of the filter go to the list;
// the caller gives the columns and the texts of a line under them.
template <class Lookup>
class FilteredLookupWindow final : public NameLookupDialog {
  public:
    using Line =
        typename std::remove_cvref_t<decltype(std::declval<const Lookup&>().lines())>::value_type;
    using RowTexts = std::function<QStringList(const Line&)>;
    // Adds a row and gives its key (see NameLookupDialog::offer_add).
    using AddRow = std::function<std::optional<std::int32_t>(QWidget* over)>;

    FilteredLookupWindow(QWidget* parent, const char* object_name, const QStringList& headers,
                         RowTexts row_texts, AddRow add = {})
        : NameLookupDialog(parent, Lookup::kTitle, object_name, "Nome:", headers,
                           static_cast<int>(Lookup::kFilterLimit)),
          row_texts_(std::move(row_texts)) {
        opened_ = lookup_.open();
        show_lines(lookup_.filter());
        if (add) offer_add(std::move(add));
    }
    // False when the list could not be read (the error was shown).
    bool opened() const { return opened_; }

  private:
    std::vector<QStringList> rows() const override {
        std::vector<QStringList> out;
        for (const Line& l : lookup_.lines()) out.push_back(row_texts_(l));
        return out;
    }
    bool apply_filter(const std::string& text) override { return lookup_.set_filter(text); }
    std::string note() const override { return lookup_.note(); }
    std::optional<std::int32_t> choose(std::size_t index) const override {
        return lookup_.choose(index);
    }
    void remember() override { lookup_.close(); }

    Lookup lookup_;
    RowTexts row_texts_;
    bool opened_ = false;
};

}  // namespace balcora::gui
