#include "report/PdfBook.h"

#include "platform/UiServices.h"

#include <QDir>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>

namespace ie {

PdfBook::PdfBook(const QString& path) : path_(path), file_(path) {}

PdfBook::~PdfBook() {
    if (painter_.isActive())
        painter_.end();
    // An unfinished book is dropped by the save file's own destructor.
}

bool PdfBook::fail(const QString& what) {
    if (painter_.isActive())
        painter_.end();
    error_ = file_.failed() ? file_.error() : QDir::toNativeSeparators(path_) + u'\r' + what;
    file_.cancel();
    return false;
}

bool PdfBook::open() {
    if (!file_.open()) {
        error_ = file_.error();
        return false;
    }
    // The same sheet and resolution as the report's own PDF (WriteReportPdf).
    writer_ = std::make_unique<QPdfWriter>(&file_.device());
    writer_->setResolution(1200);
    writer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    writer_->setTitle(QStringLiteral("物件帳票"));
    writer_->setCreator(AppTitle());
    // The painter begins with the first page: a QPdfWriter painted on starts its first page then.
    return true;
}

bool PdfBook::printJob(const ReportPages& pages, QString& error) {
    if (!writer_ || !error_.isEmpty()) {
        error = error_.isEmpty() ? QStringLiteral("PDFが開かれていません。") : error_;
        return false;
    }
    for (const ReportPageDraw& draw : pages) {
        if (pages_ == 0) {
            if (!painter_.begin(writer_.get())) {
                fail(QStringLiteral("PDFの作成を開始できませんでした。"));
                error = error_;
                return false;
            }
        } else if (!writer_->newPage()) {
            fail(QStringLiteral("PDFのページを追加できませんでした。"));
            error = error_;
            return false;
        }
        const ChohyoTarget target{QRectF(0, 0, writer_->width(), writer_->height()),
                                  A4LandscapePage().areaTwips};
        draw(painter_, target);
        ++pages_;
        if (file_.failed()) {
            fail(QString());
            error = error_;
            return false;
        }
    }
    return true;
}

bool PdfBook::writePdfPages(const QString& path, const ReportPages& pages, QString& error) {
    return WriteReportPdf(path, pages, error);
}

bool PdfBook::finish() {
    if (!writer_ || !error_.isEmpty())
        return false;
    if (painter_.isActive() && !painter_.end() && !file_.failed())
        return fail(QStringLiteral("PDFを書き終えることができませんでした。"));
    writer_.reset();
    if (!file_.commit()) {
        error_ = file_.error();
        return false;
    }
    return true;
}

}  // namespace ie
