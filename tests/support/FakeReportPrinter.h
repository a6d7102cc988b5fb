#pragma once

#include "RecordingPaintDevice.h"
#include "report/ReportPrinter.h"

#include <memory>
#include <vector>

namespace ie::test {

// A printer service for tests: each printed page is recorded on a RecordingPaintDevice in twips
// (the drawing area maps one to one); a job can be made to fail; PDFs are written for real.
class FakeReportPrinter : public ReportPrinter {
public:
    bool printers = true;
    ReportPage pageValue = A4LandscapePage();
    int failAtJob = -1;  // the 0-based job that the "printer" refuses
    int jobsAttempted = 0;
    std::vector<std::unique_ptr<RecordingPaintDevice>> pages;
    QStringList pdfPaths;

    bool hasPrinter() override { return printers; }
    ReportPage page() override { return pageValue; }
    bool printPage(const ReportPageDraw& draw, QString& error) override;
    bool writePdf(const QString& path, const ReportPageDraw& draw, QString& error) override;
};

}  // namespace ie::test
