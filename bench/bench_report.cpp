// The report with a phone's photo. Two measurements:
//
// 1. One report page with a 12 MP photo (the generated site photo, 4000 x 3000, JPEG quality 92)
//    written as PDF as the program writes it, against decoding that photo once at full size with
//    QImageReader. Targets: file size at most 2 MB; time at most 3 x the decode; the photo frame
//    of the page rasterised at 150 dpi (pdftoppm) has a PSNR of at least 40 dB against the same
//    frame of a page where the whole photo is drawn losslessly.
// 2. A batch print of 20 saved properties, each with a 12 MP photo, through a printer service that
//    draws each page on a 600 dpi device that keeps nothing. Target: the peak memory (VmHWM) after
//    page 20 is at most 10 MB above that after page 2. Run in a child process of its own, so that
//    the PDF measurement leaves no high-water mark behind.
//
// Usage: bench_report [repetitions] [--smoke]   (--smoke: a 1 MP photo, one repetition)
#include "BenchSupport.h"
#include "SitePhoto.h"

#include "platform/Database.h"
#include "platform/Photo.h"
#include "platform/UiServices.h"
#include "records/FrmData.h"
#include "report/ModPrint.h"
#include "report/ReportPrinter.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "state/PropertyStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace ie;

namespace {

double Ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

BukkenJoho Property() {
    BukkenJoho r;
    r.Jusho = QStringLiteral("東京都世田谷区桜丘三丁目1番2号");
    r.Kaisha = QStringLiteral("ＡＢＣ不動産");
    r.TotiMenseki = 132.23;
    r.TotiKakaku = Currency::fromRaw(300'000'000'000);
    r.KaokuKakaku = Currency::fromRaw(80'000'000'000);
    r.PicUmu = true;
    return r;
}

// The photo frame of the page at 150 dpi, a few pixels inside its outline.
QImage FrameAt150(const QString& png) {
    const QImage page(png);
    const auto px = [](int twips) { return int(std::lround(twips * 150.0 / 1440.0)); };
    return page.copy(QRect(QPoint(px(530) + 3, px(2230) + 3), QPoint(px(7870) - 3, px(10970) - 3)))
        .convertToFormat(QImage::Format_RGB32);
}

double Psnr(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return -1;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int d[] = {qRed(pa[x]) - qRed(pb[x]), qGreen(pa[x]) - qGreen(pb[x]),
                             qBlue(pa[x]) - qBlue(pb[x])};
            sum += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The reference page: the same page, its photo drawn whole and losslessly into the same place.
bool WriteLosslessReference(const QString& path, const BukkenJoho& rec, const QImage& photo) {
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    const QSizeF twips = A4LandscapePage().areaTwips;
    BukkenJoho withoutPhoto = rec;
    withoutPhoto.PicUmu = false;
    PrintChohyo(painter, ChohyoTarget{QRectF(0, 0, writer.width(), writer.height()), twips},
                kChohyoPrinter, withoutPhoto, QDate(2026, 12, 7));
    painter.scale(writer.width() / twips.width(), writer.height() / twips.height());
    painter.drawImage(FitCentred(QSizeF(photo.size()), QRectF(530, 2230, 7340, 8740)), photo);
    return painter.end();
}

bool Rasterise(const QString& pdf, const QString& prefix) {
    return QProcess::execute(QStringLiteral("pdftoppm"),
                             {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-png"),
                              QStringLiteral("-singlefile"), pdf, prefix}) == 0;
}

// ---- the batch print ----

// A paint engine that draws nothing, so that the device keeps no pixels.
class NullEngine : public QPaintEngine {
public:
    NullEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
    }
    void drawTextItem(const QPointF&, const QTextItem&) override {}
    Type type() const override { return QPaintEngine::User; }
};

// A 600 dpi sheet of A4 landscape.
class NullPrinterPage : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth:
                return 7016;
            case PdmHeight:
                return 4961;
            case PdmWidthMM:
                return 297;
            case PdmHeightMM:
                return 210;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 600;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return int(QPaintDevice::devicePixelRatioFScale());
            default:
                return 1;
        }
    }

private:
    mutable NullEngine engine_;
};

class PeakPrinter : public ReportPrinter {
public:
    std::vector<long> peakAfterPage;  // VmHWM in kB after each page
    bool hasPrinter() override { return true; }
    ReportPage page() override { return A4LandscapePage(); }
    bool printJob(const ReportPages& pages, QString&) override {
        for (const ReportPageDraw& draw : pages) {
            NullPrinterPage sheet;
            QPainter painter(&sheet);
            draw(painter, ChohyoTarget{QRectF(0, 0, 7016, 4961), A4LandscapePage().areaTwips});
            painter.end();
            peakAfterPage.push_back(bench::StatusKb("VmHWM"));
        }
        return true;
    }
    bool writePdfPages(const QString&, const ReportPages&, QString&) override { return false; }
};

class YesUi : public UiServices {
public:
    void message(QWidget*, const QString& text, MsgIcon, const QString&) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    }
    using UiServices::message;
    Answer question(QWidget*, const QString&, const QString&, Answer) override {
        return Answer::Yes;
    }
    int choose(QWidget*, const QString&, const QString&, const QStringList&) override { return 0; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    void note(QWidget*, const QString&) override {}
    QString saveFileName(QWidget*, const QString&, const QString&, QString*) override { return {}; }
    QDate today() override { return QDate(2026, 12, 7); }
    QString tempFolder() override { return QDir::tempPath(); }
};

// The child: 20 properties with the photo, printed as a batch; prints the peak after each page.
int BatchChild(const QString& photoFile) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Morinaxis_u.mdb"));
    if (!bench::MakeUserDatabase(db))
        return 1;
    QFile f(photoFile);
    if (!f.open(QIODevice::ReadOnly))
        return 1;
    std::vector<qint32> ids;
    db::Connection con;
    con.setConnectionString(ConnectionString(db));
    con.open();
    {
        const QByteArray photo = f.readAll();
        db::Transaction tx(con);
        PropertyStore store(con);
        con.execute(QStringLiteral("DELETE FROM 物件情報"));
        for (int i = 0; i < 20; ++i)
            ids.push_back(store.insert(Property(), photo));
        tx.commit();
    }
    YesUi ui;
    PeakPrinter printer;
    BukkenJoho current;
    current.PicTempFile = dir.filePath(QStringLiteral("~my1.tmp"));
    if (!PrintSelectedBukken(nullptr, ui, printer, con, ids, current))
        return 1;
    for (const long kb : printer.peakAfterPage)
        std::printf("%ld ", kb);
    std::printf("\n");
    return printer.peakAfterPage.size() == 20 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = ie::bench::TakeSmokeFlag(argc, argv);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("--batch"))
        return BatchChild(args[2]);
    const int reps = smoke ? 1 : args.size() > 1 ? args[1].toInt() : 5;
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
        std::fprintf(stderr, "pdftoppm is missing (Debian package poppler-utils)\n");
        return 1;
    }

    QTemporaryDir dir;
    const QString photoFile = dir.filePath(QStringLiteral("site.jpg"));
    const QSize photoSize = smoke ? QSize(1200, 900) : QSize(4000, 3000);
    const QByteArray photo = bench::GeneratedSitePhotoJpeg(photoSize);
    {
        QFile f(photoFile);
        if (!f.open(QIODevice::WriteOnly) || f.write(photo) != photo.size())
            return 1;
    }
    const BukkenJoho rec = Property();

    std::vector<double> decodes, writes;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    for (int i = 0; i <= reps; ++i) {
        QElapsedTimer t;
        t.start();
        QImageReader reader(photoFile);
        if (reader.read().isNull())
            return 1;
        const double decode = Ms(t);
        t.restart();
        QString error;
        if (!WriteReportPdf(pdf,
                            ChohyoPages(rec, QDate(2026, 12, 7), kChohyoPrinter, &photo, nullptr),
                            error)) {
            std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            return 1;
        }
        const double write = Ms(t);
        if (i > 0) {  // the first round warms the caches
            decodes.push_back(decode);
            writes.push_back(write);
        }
    }
    const double decode = bench::Median(decodes);
    const double write = bench::Median(writes);
    const double sizeMb = QFileInfo(pdf).size() / 1048576.0;

    const QString reference = dir.filePath(QStringLiteral("lossless.pdf"));
    QElapsedTimer t;
    t.start();
    if (!WriteLosslessReference(reference, rec, QImage(photoFile))) {
        std::fprintf(stderr, "cannot write the lossless reference page\n");
        return 1;
    }
    const double referenceMs = Ms(t);
    if (!Rasterise(pdf, dir.filePath(QStringLiteral("report"))) ||
        !Rasterise(reference, dir.filePath(QStringLiteral("lossless")))) {
        std::fprintf(stderr, "pdftoppm failed\n");
        return 1;
    }
    const double psnr = Psnr(FrameAt150(dir.filePath(QStringLiteral("report.png"))),
                             FrameAt150(dir.filePath(QStringLiteral("lossless.png"))));
    if (psnr < 0) {
        std::fprintf(stderr, "the rasterised pages cannot be compared\n");
        return 1;
    }

    std::printf(
        "bench_report: one report page with a %.1f MP photo (generated site photo, %.1f MB "
        "JPEG), median of %d\n",
        photoSize.width() * photoSize.height() / 1e6, photo.size() / 1048576.0, reps);
    std::printf("  full-size decode of the photo (QImageReader): %8.1f ms\n", decode);
    std::printf(
        "  report page written as PDF:                   %8.1f ms  ratio %.2f (target <= 3)\n",
        write, write / decode);
    std::printf("  PDF file size:                                %8.2f MB  (target <= 2)\n",
                sizeMb);
    std::printf("  the same page, photo whole and lossless:      %8.1f ms, %.2f MB\n", referenceMs,
                QFileInfo(reference).size() / 1048576.0);
    std::printf("  photo frame at 150 dpi, PSNR against lossless: %7.2f dB  (target >= 40)\n",
                psnr);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--batch"), photoFile});
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::fprintf(stderr, "batch failed: %s\n", child.readAllStandardError().data());
        return 1;
    }
    const QList<QByteArray> peaks = child.readAllStandardOutput().trimmed().split(' ');
    if (peaks.size() != 20) {
        std::fprintf(stderr, "batch printed %lld of 20 pages\n",
                     static_cast<long long>(peaks.size()));
        return 1;
    }
    const double page2 = peaks[1].toLong() / 1024.0, page20 = peaks[19].toLong() / 1024.0;
    std::printf(
        "  batch print of 20 properties with the same photo, 600 dpi printer, child process:\n"
        "    peak memory after page 2 %.1f MB, after page 20 %.1f MB, growth %.1f MB "
        "(target <= 10)\n",
        page2, page20, page20 - page2);
    return 0;
}
