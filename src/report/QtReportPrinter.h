#pragma once

#include "report/ReportPrinter.h"

namespace ie {

// The real printer service over QPrinter and the system's printers (the default printer, or the
// first one installed when none is marked default).
class QtReportPrinter : public ReportPrinter {
public:
    bool hasPrinter() override;
    ReportPage page() override;
    bool printJob(const ReportPages& pages, QString& error) override;
    bool writePdfPages(const QString& path, const ReportPages& pages, QString& error) override;
};

}  // namespace ie
