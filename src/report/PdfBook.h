#pragma once

#include "platform/SafeWrite.h"
#include "report/ReportPrinter.h"

#include <QPainter>
#include <QPdfWriter>

#include <memory>

namespace ie {

// A printer service that prints every job into one PDF file, one job's pages after the other, as
// the same pages a printer would get (the whole A4 landscape sheet is the drawing area). The file
// is written beside its target and replaces it only at finish(), so that a failure, or a book that
// is never finished, leaves no half-written file under the name.
class PdfBook : public ReportPrinter {
public:
    explicit PdfBook(const QString& path);
    ~PdfBook() override;
    PdfBook(const PdfBook&) = delete;
    PdfBook& operator=(const PdfBook&) = delete;

    // Opens the file; false with error() set when it cannot be written.
    bool open();
    // The number of pages drawn so far.
    int pageCount() const { return pages_; }
    // Ends the PDF and puts it in place of the target; false with error() set when the file
    // could not be written whole (the target is then as it was).
    bool finish();
    // What failed: WriteFailedText for the file's own failures.
    const QString& error() const { return error_; }

    // False once the file has failed: nothing more can be printed into it.
    bool hasPrinter() override { return error_.isEmpty(); }
    ReportPage page() override { return A4LandscapePage(); }
    bool printJob(const ReportPages& pages, QString& error) override;
    bool writePdfPages(const QString& path, const ReportPages& pages, QString& error) override;

private:
    bool fail(const QString& what);

    QString path_;
    CheckedSaveFile file_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
    int pages_ = 0;
    QString error_;
};

}  // namespace ie
