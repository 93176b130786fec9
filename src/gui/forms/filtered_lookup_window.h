#pragma once

#include "gui/forms/name_lookup_dialog.h"

namespace balcora::gui {

// A name lookup window over one of the name-filtered lists (forms/): the
// filter, the note, the choice and the memory of the filter go to the list;
// a window gives its columns and its rows.
template <class Lookup>
class FilteredLookupWindow : public NameLookupDialog {
  public:
    FilteredLookupWindow(QWidget* parent, const char* object_name, const QStringList& headers)
        : NameLookupDialog(parent, Lookup::kTitle, object_name, "Nome:", headers,
                           static_cast<int>(Lookup::kFilterLimit)) {}
    // False when the list could not be read (the error was shown).
    bool opened() const { return opened_; }

  protected:
    // Called by the window's constructor, once its rows() can run.
    void load() {
        opened_ = lookup_.open();
        show_lines(lookup_.filter());
    }
    bool apply_filter(const std::string& text) override { return lookup_.set_filter(text); }
    std::string note() const override { return lookup_.note(); }
    std::optional<std::int32_t> choose(std::size_t index) const override {
        return lookup_.choose(index);
    }
    void remember() override { lookup_.close(); }

    Lookup lookup_;

  private:
    bool opened_ = false;
};

}  // namespace balcora::gui
