#include "blocox/xml_file_writer.h"
#include "ui/environment.h"

#include <libxml/xmlwriter.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace balcora::blocox {

namespace {

const xmlChar* x(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

void report_failure(int code, const std::filesystem::path& path) {
    prompt().message(
        "Erro", "Erro (" + std::to_string(code) + ") ao gerar arquivo \"" + path.string() + "\"!",
        ui::Icon::kError);
}

}  // namespace

XmlFileWriter::~XmlFileWriter() {
    discard();
}

void XmlFileWriter::discard() {
    if (writer_) xmlFreeTextWriter(writer_);
    writer_ = nullptr;
    if (!side_.empty()) {
        std::error_code ec;
        std::filesystem::remove(side_, ec);
        side_.clear();
    }
}

int XmlFileWriter::create(const std::filesystem::path& path) {
    discard();
    path_ = path;
    side_ = path;
    side_ += ".tmp";
    failed_ = false;
    errno = 0;
    writer_ = xmlNewTextWriterFilename(side_.c_str(), 0);
    if (!writer_) {
        const int code = errno ? errno : -1;
        side_.clear();
        return code;
    }
    xmlTextWriterSetIndent(writer_, 1);
    xmlTextWriterSetIndentString(writer_, BAD_CAST "  ");
    check(xmlTextWriterStartDocument(writer_, "1.0", "UTF-8", nullptr));
    return 0;
}

bool XmlFileWriter::create_or_report(const std::filesystem::path& path) {
    const int code = create(path);
    if (code != 0) report_failure(code, path);
    return code == 0;
}

void XmlFileWriter::check(int rc) {
    if (rc < 0) failed_ = true;
}

void XmlFileWriter::open(std::string_view element) {
    if (writer_) check(xmlTextWriterStartElement(writer_, x(std::string(element))));
}

void XmlFileWriter::attribute(std::string_view name, std::string_view value) {
    if (writer_)
        check(xmlTextWriterWriteAttribute(writer_, x(std::string(name)), x(std::string(value))));
}

void XmlFileWriter::leaf(std::string_view element, std::string_view text) {
    if (!writer_) return;
    // An empty text still writes the element, as <CodigoCEST></CodigoCEST>.
    check(xmlTextWriterStartElement(writer_, x(std::string(element))));
    check(xmlTextWriterWriteString(writer_, x(std::string(text))));
    check(xmlTextWriterFullEndElement(writer_));
}

void XmlFileWriter::close() {
    if (writer_) check(xmlTextWriterEndElement(writer_));
}

bool XmlFileWriter::finish() {
    if (!writer_) return false;
    check(xmlTextWriterEndDocument(writer_));
    // Freeing the writer flushes and closes the file; only then is it whole.
    xmlFreeTextWriter(writer_);
    writer_ = nullptr;
    std::error_code ec;
    if (!failed_) std::filesystem::rename(side_, path_, ec);
    if (failed_ || ec) {
        report_failure(ec ? ec.value() : (errno ? errno : -1), path_);
        discard();
        return false;
    }
    side_.clear();
    return true;
}

}  // namespace balcora::blocox
