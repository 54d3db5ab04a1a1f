// ReportDevice: where a printed report goes: the printer the report settings choose, or a PDF
// file the collector names. The PDF is written under a temporary name beside the file and put
// in place only when the job has ended well, and never over one of the collection's own files.
#pragma once

#include <QString>
#include <memory>

class QPrinter;

namespace vz {
class Interaction;
class FileReplacement;
}  // namespace vz
namespace vz::data {
struct ReportSettings;
}

namespace vz::reports {

class ReportDevice {
public:
    ReportDevice();
    ~ReportDevice();

    // Sets up the printer. When the settings print to a PDF file it asks for the file first
    // (the collection's own files and the program's are refused). False when the collector
    // cancelled or the file was refused; any message has been shown.
    bool open(const data::ReportSettings& settings, Interaction& ui, const QString& tablePath,
              const QString& programFolder);
    QPrinter& printer() { return *printer_; }
    bool toPdf() const { return !pdfFile_.isEmpty(); }
    // The printer's name or the PDF file's path, for messages.
    QString name() const;
    // Ends the job: when it went well the PDF file is put in place; false, with the message
    // shown, when that failed.
    bool finish(bool ok, Interaction& ui);

private:
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<FileReplacement> replacement_;
    QString pdfFile_;
};

}  // namespace vz::reports
