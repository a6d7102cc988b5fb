#include "report/ReportPrinter.h"

#include "report/SoubaChart.h"

#include "platform/SafeWrite.h"
#include "platform/UiServices.h"
#include "report/Breakdown.h"
#include "state/BukkenJoho.h"

#include <QDir>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace ie {

namespace {

constexpr double kTwipsPerMm = 1440.0 / 25.4;

}  // namespace

ReportPage A4LandscapePage() {
    // From millimetres, as the page is defined; Qt's own A4 is rounded to whole points.
    const QSize twips(qRound(297 * kTwipsPerMm), qRound(210 * kTwipsPerMm));
    return ReportPage{twips, QSizeF(twips)};
}

bool WriteReportPdf(const QString& path, const ReportPages& pages, QString& error) {
    // Written beside the target and renamed over it only when complete, so a failure never
    // leaves half a file in place of a good one.
    CheckedSaveFile file(path);
    if (!file.open()) {
        error = file.error();
        return false;
    }
    // What failed, for the failures that are not the file's.
    const auto failed = [&](const QString& what) {
        file.cancel();
        error = QDir::toNativeSeparators(path) + QLatin1Char('\r') + what;
        return false;
    };
    {
        QPdfWriter writer(&file.device());
        writer.setResolution(1200);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        writer.setTitle(QStringLiteral("物件帳票"));
        writer.setCreator(AppTitle());
        QPainter painter;
        if (!painter.begin(&writer))
            return failed(QStringLiteral("PDFの作成を開始できませんでした。"));
        const ChohyoTarget target{QRectF(0, 0, writer.width(), writer.height()),
                                  A4LandscapePage().areaTwips};
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0 && !writer.newPage()) {
                painter.end();
                return failed(QStringLiteral("PDFのページを追加できませんでした。"));
            }
            pages[i](painter, target);
        }
        if (!painter.end() && !file.failed())
            return failed(QStringLiteral("PDFを書き終えることができませんでした。"));
    }
    if (!file.commit()) {
        error = file.error();
        return false;
    }
    return true;
}

ReportPages ChohyoPages(const BukkenJoho& rec, const QDate& today, int mode,
                        const QByteArray* photo, const BreakdownContent* breakdown,
                        const SoubaContent* souba) {
    ReportPages pages;
    pages.push_back([&rec, today, mode, photo](QPainter& painter, const ChohyoTarget& target) {
        PrintChohyo(painter, target, mode, rec, today, photo);
    });
    if (breakdown) {
        pages.push_back([breakdown, today, mode](QPainter& painter, const ChohyoTarget& target) {
            PrintBreakdown(painter, target, mode, *breakdown, today);
        });
    }
    if (souba) {
        pages.push_back([souba](QPainter& painter, const ChohyoTarget& target) {
            PrintSouba(painter, target, *souba);
        });
    }
    return pages;
}

PrintOutcome PrintChohyoOnPrinter(ReportPrinter& printer, const BukkenJoho& rec, const QDate& today,
                                  QString& error, const QByteArray* photo,
                                  const BreakdownContent* breakdown, const SoubaContent* souba) {
    if (!printer.hasPrinter()) {
        return PrintOutcome::NoPrinter;
    }
    const bool ok =
        printer.printJob(ChohyoPages(rec, today, kChohyoPrinter, photo, breakdown, souba), error);
    return ok ? PrintOutcome::Printed : PrintOutcome::Failed;
}

QString NoPrinterText() {
    return QStringLiteral(
        "使用可能なプリンタが存在しません。通常使用するプリンタを設定してください。");
}

}  // namespace ie
