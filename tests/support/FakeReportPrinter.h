#pragma once

#include "RecordingPaintDevice.h"
#include "report/ReportPrinter.h"

#include <memory>
#include <vector>

namespace ie::test {

// A printer service for tests: each printed page is recorded on a RecordingPaintDevice in twips
// (the drawing area maps one to one) and each job's page count; a job can be made to fail; PDFs
// are written for real.
class FakeReportPrinter : public ReportPrinter {
public:
    bool printers = true;
    ReportPage pageValue = A4LandscapePage();
    int failAtJob = -1;  // the 0-based job that the "printer" refuses
    int jobsAttempted = 0;
    std::vector<std::unique_ptr<RecordingPaintDevice>> pages;  // of every job, in order
    std::vector<std::size_t> jobPageCounts;                    // of each job that printed
    QStringList pdfPaths;
    std::vector<std::size_t> pdfPageCounts;

    bool hasPrinter() override { return printers; }
    ReportPage page() override { return pageValue; }
    bool printJob(const ReportPages& jobPages, QString& error) override;
    bool writePdfPages(const QString& path, const ReportPages& pdfPages, QString& error) override;
};

}  // namespace ie::test
