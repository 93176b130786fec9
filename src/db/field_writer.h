#pragma once

#include <string>
#include <string_view>

namespace balcora {

// Formats one field of a text file and appends it to the output file.
// Type codes: "N" (and any other code starting with N) integer, "N2"/"N3"/"N4"
// decimal with a point, "N2,"/"N3,"/"N4,"/"N6," decimal with a comma, "A..."
// letters and digits only, anything else text without accents. Numbers keep
// only their digits (and point): signs are written by the caller as a field
// of their own. Width: a positive number of bytes (longer values are cut,
// shorter ones padded), or -1 for free length. Width 0 writes nothing and
// shows a notice. A failed write is shown here and the caller carries on.
void GRAVACAMPO(std::string_view value, std::string_view type_code, int width);
// The same as a plain text field.
void GRAVACAMPO(std::string_view value, int width);

namespace db {

// The process-wide output file of GRAVACAMPO: the caller names it, creates or
// opens it, writes its fields and closes it.
void set_output_file_name(std::string name);
const std::string& output_file_name();

// Each returns 0 or the system's error code; the caller reports it. A file
// still open is closed first.
int create_output_file();  // empty, created when missing
int open_output_file();    // appends to an existing file
// Writes what is still buffered and closes; a failure is shown as a failed
// write and its code returned. Nothing to do when no file is open.
int close_output_file();

bool output_file_is_open();
// True once a write has failed since the file was created or opened; later
// fields are dropped so the failure is shown once, not once per field.
bool output_file_failed();

// Closes the output file when the scope ends, so no return path leaves it open.
class OutputFileCloser {
  public:
    OutputFileCloser() = default;
    ~OutputFileCloser() { close_output_file(); }
    OutputFileCloser(const OutputFileCloser&) = delete;
    OutputFileCloser& operator=(const OutputFileCloser&) = delete;
};

// The bytes GRAVACAMPO appends for a field; empty when nothing is written.
// A number that does not fit a fixed width comes out as the whole field
// filled with '*', which no reader takes for a number.
std::string format_field(std::string_view value, std::string_view type_code, int width);
// The same bytes appended to `out`, without a text of their own.
void append_field(std::string& out, std::string_view value, std::string_view type_code, int width);

}  // namespace db

}  // namespace balcora
