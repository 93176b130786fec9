#pragma once

#include "db/pg_handles.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::forms {

// A lookup list of active rows filtered by a name the operator types, the
// filter remembered in an INI file between openings. A derived list gives its
// SELECT and takes its rows; the list keeps the filter, the row limit and the
// note about rows left out.
class NameFilteredList {
  public:
    static constexpr std::size_t kFilterLimit = 40;

    // Reads the remembered filter and loads the list; false when the list
    // could not be read (the error was shown).
    bool open();
    void close();  // remembers the filter

    const std::string& filter() const { return filter_; }
    bool set_filter(std::string_view text);

    bool truncated() const { return truncated_; }
    std::string note() const;

  protected:
    // `noun` names the rows in the note ("clientes").
    NameFilteredList(const char* ini_section, const char* ini_file, const char* noun)
        : ini_section_(ini_section), ini_file_(ini_file), noun_(noun) {}
    ~NameFilteredList() = default;

    // The SELECT for the trimmed filter (empty: every active row), in the
    // order shown, without LIMIT.
    virtual std::string statement(const std::string& filter) const = 0;
    virtual void clear_rows() = 0;
    virtual void take_row(const db::PgResult& r, int row) = 0;

  private:
    bool refresh();

    const char* ini_section_;
    const char* ini_file_;
    const char* noun_;
    std::string filter_;
    bool truncated_ = false;
};

// A name-filtered list of Line rows, each picked by its key.
template <class Line, std::int32_t Line::*kKey>
class NameFilteredLines : public NameFilteredList {
  public:
    const std::vector<Line>& lines() const { return lines_; }
    // The key of the chosen line.
    std::optional<std::int32_t> choose(std::size_t index) const {
        if (index >= lines_.size()) return std::nullopt;
        return lines_[index].*kKey;
    }

  protected:
    using NameFilteredList::NameFilteredList;
    ~NameFilteredLines() = default;

    void clear_rows() override { lines_.clear(); }

    std::vector<Line> lines_;
};

}  // namespace balcora::forms
