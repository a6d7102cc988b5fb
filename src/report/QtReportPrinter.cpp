#include "report/QtReportPrinter.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace ie {

namespace {

constexpr double kTwipsPerMm = 1440.0 / 25.4;

QPrinterInfo ChosenPrinter() {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
        if (!all.isEmpty())
            info = all.first();
    }
    return info;
}

void SetA4Landscape(QPrinter& printer) {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setFullPage(false);
}

QSizeF Twips(const QSizeF& mm) {
    return mm * kTwipsPerMm;
}

}  // namespace

bool QtReportPrinter::hasPrinter() {
    return !ChosenPrinter().isNull();
}

ReportPage QtReportPrinter::page() {
    const QPrinterInfo info = ChosenPrinter();
    if (info.isNull())
        return A4LandscapePage();
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid())
        return A4LandscapePage();
    SetA4Landscape(printer);
    const QPageLayout layout = printer.pageLayout();
    const QSizeF full = Twips(layout.fullRect(QPageLayout::Millimeter).size());
    return ReportPage{QSize(qRound(full.width()), qRound(full.height())),
                      Twips(layout.paintRect(QPageLayout::Millimeter).size())};
}

bool QtReportPrinter::printJob(const ReportPages& pages, QString& error) {
    const QPrinterInfo info = ChosenPrinter();
    if (info.isNull()) {
        error = QStringLiteral("プリンタが見つかりません。");
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid()) {
        error = QStringLiteral("プリンタ「%1」を使用できません。").arg(info.printerName());
        return false;
    }
    SetA4Landscape(printer);
    printer.setDocName(QStringLiteral("物件帳票"));
    QPainter painter;
    if (!painter.begin(&printer)) {
        error =
            QStringLiteral("プリンタ「%1」で印刷を開始できませんでした。").arg(info.printerName());
        return false;
    }
    // The painter's origin is the top-left corner of the printer's drawing area.
    const ChohyoTarget target{
        QRectF(0, 0, printer.width(), printer.height()),
        Twips(printer.pageLayout().paintRect(QPageLayout::Millimeter).size())};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            error = QStringLiteral("プリンタ「%1」で次のページを始められませんでした。")
                        .arg(info.printerName());
            return false;
        }
        pages[i](painter, target);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        error =
            QStringLiteral("プリンタ「%1」が印刷を受け付けませんでした。").arg(info.printerName());
        return false;
    }
    return true;
}

bool QtReportPrinter::writePdfPages(const QString& path, const ReportPages& pages, QString& error) {
    return WriteReportPdf(path, pages, error);
}

ReportPrinter& DefaultReportPrinter() {
    static QtReportPrinter printer;
    return printer;
}

}  // namespace ie
