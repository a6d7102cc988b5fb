#include "FakeReportPrinter.h"

#include <QPainter>

namespace ie::test {

bool FakeReportPrinter::printPage(const ReportPageDraw& draw, QString& error) {
    const int job = jobsAttempted++;
    if (job == failAtJob) {
        error = QStringLiteral("用紙がありません。");
        return false;
    }
    const QSizeF area = pageValue.areaTwips;
    auto device = std::make_unique<RecordingPaintDevice>(area.toSize(), 1440);
    {
        QPainter painter(device.get());
        draw(painter, ChohyoTarget{QRectF(QPointF(0, 0), area), area});
    }
    pages.push_back(std::move(device));
    return true;
}

bool FakeReportPrinter::writePdf(const QString& path, const ReportPageDraw& draw, QString& error) {
    pdfPaths << path;
    return WriteReportPdf(path, draw, error);
}

}  // namespace ie::test
