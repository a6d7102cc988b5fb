#include "FakeReportPrinter.h"

#include <QPainter>

namespace ie::test {

bool FakeReportPrinter::printJob(const ReportPages& jobPages, QString& error) {
    const int job = jobsAttempted++;
    if (job == failAtJob) {
        error = QStringLiteral("用紙がありません。");
        return false;
    }
    const QSizeF area = pageValue.areaTwips;
    for (const ReportPageDraw& draw : jobPages) {
        auto device = std::make_unique<RecordingPaintDevice>(area.toSize(), 1440);
        {
            QPainter painter(device.get());
            draw(painter, ChohyoTarget{QRectF(QPointF(0, 0), area), area});
        }
        pages.push_back(std::move(device));
    }
    jobPageCounts.push_back(jobPages.size());
    return true;
}

bool FakeReportPrinter::writePdfPages(const QString& path, const ReportPages& pdfPages,
                                      QString& error) {
    pdfPaths << path;
    pdfPageCounts.push_back(pdfPages.size());
    return WriteReportPdf(path, pdfPages, error);
}

}  // namespace ie::test
