#pragma once

#include "report/ModPrint.h"

#include <QSize>
#include <QSizeF>
#include <QString>

#include <functional>

class QPainter;
class QWidget;

namespace ie {

struct BukkenJoho;
class UiServices;

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

// The printer and PDF output the report windows use. Windows take it explicitly; QtReportPrinter
// is the real one, tests use a fake that records the pages.
class ReportPrinter {
public:
    virtual ~ReportPrinter() = default;

    // True when at least one printer is installed.
    virtual bool hasPrinter() = 0;
    // The default printer's page once set to A4 landscape; A4LandscapePage() without a printer.
    virtual ReportPage page() = 0;
    // Prints one page as a job of its own on the default printer, A4 landscape. Returns false with
    // a description in error when the job could not be started or was refused.
    virtual bool printPage(const ReportPageDraw& draw, QString& error) = 0;
    // Writes one A4 landscape page (the whole sheet is the drawing area) to a PDF file, replacing
    // it only once the whole file is written. Returns false with a description in error.
    virtual bool writePdf(const QString& path, const ReportPageDraw& draw, QString& error) = 0;
};

// The PDF writing every printer service shares: Qt's PDF engine, the photo stored losslessly.
bool WriteReportPdf(const QString& path, const ReportPageDraw& draw, QString& error);

// The report in printer mode: with no printer installed the message
// "使用可能なプリンタが存在しません。…" (exclamation) and nothing printed; otherwise the report of
// rec as one page job (its photo from photo when given, as PrintChohyo).
enum class PrintOutcome { Printed, NoPrinter, Failed };
PrintOutcome PrintChohyoOnPrinter(ReportPrinter& printer, UiServices& ui, QWidget* parent,
                                  const BukkenJoho& rec, const QDate& today, QString& error,
                                  const QByteArray* photo = nullptr);

// The program's printer service (a QtReportPrinter), one for the whole run.
ReportPrinter& DefaultReportPrinter();

}  // namespace ie
