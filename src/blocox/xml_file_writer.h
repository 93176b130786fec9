#pragma once

#include <filesystem>
#include <string>
#include <string_view>

typedef struct _xmlTextWriter xmlTextWriter;

namespace balcora::blocox {

// A UTF-8 XML file written element by element through libxml2. The text goes
// to a side file that replaces the target only when finish() succeeds, so a
// file that failed half-way never stands where a complete one is expected.
class XmlFileWriter {
  public:
    XmlFileWriter() = default;
    ~XmlFileWriter();
    XmlFileWriter(const XmlFileWriter&) = delete;
    XmlFileWriter& operator=(const XmlFileWriter&) = delete;

    // 0 when the file could be created, otherwise the system's error code
    // (or -1 when the library gave none).
    int create(const std::filesystem::path& path);
    // create() with the message "Erro (n) ao gerar arquivo "path"!" on failure.
    bool create_or_report(const std::filesystem::path& path);

    void open(std::string_view element);
    void attribute(std::string_view name, std::string_view value);
    // A leaf element holding the text (an empty element when the text is).
    void leaf(std::string_view element, std::string_view text);
    void close();  // the innermost open element

    // Closes every open element and the file and puts it in place; false
    // when any write failed (the message was shown).
    bool finish();

  private:
    void discard();
    void check(int rc);

    xmlTextWriter* writer_ = nullptr;
    std::filesystem::path path_, side_;
    bool failed_ = false;
};

}  // namespace balcora::blocox
