#pragma once

#include "report/ModPrint.h"

#include <QSize>
#include <QSizeF>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

namespace ie {

struct BukkenJoho;
struct BreakdownContent;
struct SoubaContent;

// The page the report is laid out on: the whole sheet (whole twips) and the drawing area the
// printer offers on it (twips; the same as the sheet when there is no printer or for a PDF).
struct ReportPage {
    QSize pageTwips;
    QSizeF areaTwips;
};

// A4 landscape, 297 x 210 mm: 16838 x 11906 twips.
ReportPage A4LandscapePage();

// Draws one page. The painter is active on the page; target maps the twips of the drawing area.
using ReportPageDraw = std::function<void(QPainter& painter, const ChohyoTarget& target)>;
// The pages of one job or file, first page first.
using ReportPages = std::vector<ReportPageDraw>;

// The printer and PDF output the report windows use. Windows take it explicitly; QtReportPrinter
// is the real one, tests use a fake that records the pages.
class ReportPrinter {
public:
    virtual ~ReportPrinter() = default;

    // True when at least one printer is installed.
    virtual bool hasPrinter() = 0;
    // The default printer's page once set to A4 landscape; A4LandscapePage() without a printer.
    virtual ReportPage page() = 0;
    // Prints the pages as one job on the default printer, A4 landscape. Returns false with a
    // description in error when the job could not be started or was refused.
    virtual bool printJob(const ReportPages& pages, QString& error) = 0;
    // Writes the pages, A4 landscape (the whole sheet is the drawing area), to a PDF file,
    // replacing it only once the whole file is written. Returns false with a description in error.
    virtual bool writePdfPages(const QString& path, const ReportPages& pages, QString& error) = 0;

    // One page as a job of its own, or as a file.
    bool printPage(const ReportPageDraw& draw, QString& error) { return printJob({draw}, error); }
    bool writePdf(const QString& path, const ReportPageDraw& draw, QString& error) {
        return writePdfPages(path, {draw}, error);
    }
};

// The PDF writing every printer service shares: Qt's PDF engine, text and lines as vectors, the
// photo as JPEG at no more than 300 dpi of its frame.
bool WriteReportPdf(const QString& path, const ReportPages& pages, QString& error);

// The report in printer mode: nothing printed when no printer is installed (the caller shows
// NoPrinterText()); otherwise the report of rec as one job (its photo from photo when given, as
// PrintChohyo), with the breakdown as its second page when one is given. Asks and shows nothing.
enum class PrintOutcome { Printed, NoPrinter, Failed };
PrintOutcome PrintChohyoOnPrinter(ReportPrinter& printer, const BukkenJoho& rec, const QDate& today,
                                  QString& error, const QByteArray* photo = nullptr,
                                  const BreakdownContent* breakdown = nullptr,
                                  const SoubaContent* souba = nullptr);
// "使用可能なプリンタが存在しません。通常使用するプリンタを設定してください。", shown with the
// exclamation icon.
QString NoPrinterText();

// The drawing of the report's pages: page 1, then the breakdown when given, then 相場比較 when
// given. The objects must
// outlive the pages.
ReportPages ChohyoPages(const BukkenJoho& rec, const QDate& today, int mode,
                        const QByteArray* photo, const BreakdownContent* breakdown,
                        const SoubaContent* souba = nullptr);

// The program's printer service (a QtReportPrinter), one for the whole run.
ReportPrinter& DefaultReportPrinter();

}  // namespace ie
