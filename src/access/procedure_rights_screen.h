#pragma once

#include "access/access_control.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::access {

// The rights of one procedure for every operator, as a screen edits them
// from its own window (e.g. Quick Sale's Ctrl+F8 with the rights list
// "Access", "Supervisor"): one row per operator, one column per right.
// Bit n of the stored value is the n-th name of the rights list.
class ProcedureRightsScreen {
  public:
    struct Column {
        std::uint8_t bit = 0;
        std::string label;
    };
    struct Row {
        Operator op;
        std::uint8_t bits = 0;
        std::uint8_t stored = 0;
        bool editable = true;
    };

    // Needs access to the operator maintenance. An empty rights list takes
    // the procedure's own from the catalogue ("Access" when it is unknown).
    bool open(std::string_view procedure, const std::vector<std::string>& right_names = {});
    bool save();
    // Asks about changes not yet stored, then closes.
    void close();
    bool is_open() const { return open_; }

    const std::string& caption() const { return caption_; }
    const std::string& procedure() const { return procedure_; }
    const std::vector<Column>& columns() const { return columns_; }
    const std::vector<Row>& rows() const { return rows_; }
    // When the first right is access, setting another sets it as well and
    // clearing it clears the rest.
    void set_right(int row, int column, bool on);
    bool changed() const;

  private:
    bool open_ = false;
    bool access_gate_ = false;
    std::string procedure_;
    std::string caption_;
    std::vector<Column> columns_;
    std::vector<Row> rows_;
};

// Opens the rights window of a procedure; false when it could not be shown
// (no right, or no window available).
bool edit_procedure_rights(std::string_view procedure,
                           const std::vector<std::string>& right_names = {});

}  // namespace balcora::access
