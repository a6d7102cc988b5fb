// The print preview window (layout, scroll ranges, printing, the PDF file with its overwrite
// question and failures) and the batch print of the list window (question, one job per property,
// the record and scratch photo put back, a refused job stopping the batch).
#include "platform/QtUiServices.h"
#include "records/FrmData.h"
#include "report/FrmPrint.h"
#include "report/QtReportPrinter.h"
#include "state/ModGlobal.h"
#include "support/FakeReportPrinter.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <sqlite3.h>

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ExecSql;
using ie::test::FakeReportPrinter;
using ie::test::ReadAll;
using ie::test::ScriptedUi;
using ie::test::TestFolder;
using ie::test::WriteAll;

namespace {

const QString kNoPrinter =
    u"使用可能なプリンタが存在しません。通常使用するプリンタを設定してください。"_s;

Currency Yen(qint64 yen) {
    return Currency::fromRaw(yen * Currency::kScale);
}

BukkenJoho PreviewRecord() {
    BukkenJoho r;
    r.Jusho = u"東京都千代田区丸の内１－１"_s;
    r.Kaisha = u"山田不動産"_s;
    r.TotiHanbaiKakaku = Yen(30000000);
    r.TotiKakaku = Yen(30000000);
    r.Biko = u"角地"_s;
    return r;
}

QByteArray PngBytes(QSize size, QColor color) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(color);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

// Runs a poppler tool; empty when it is not installed.
QString RunTool(const QString& tool, const QStringList& args) {
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return {};
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The property being edited on the main window when the batch starts.
BukkenJoho EditedRecord(const QString& scratch) {
    BukkenJoho r;
    r.BukkenID = 2;
    r.NewBukken = false;
    r.BukkenRead = true;
    r.UsrRecCount = 4;
    r.PicUmu = true;
    r.PicFile = u"/home/user/写真/現場.jpg"_s;
    r.PicTempFile = scratch;
    r.CsvFile = u"/home/user/一覧.csv"_s;
    r.Jusho = u"編集中の物件"_s;
    r.Biko = u"まだ保存していない"_s;
    r.Rosenka = Yen(150000);
    r.TotiMenseki = 123.45;
    r.Sokumen1Rank = 3;
    r.SonotaRank = -5;
    r.ChikaHendoRitu = 0.046;
    r.KakutiHoseiRitu = 0.9;
    r.TotiKakaku = Yen(20000000);
    r.KaokuTuboTanka = 550000;
    r.KaokuTateTubo = 30.25;
    r.KaokuDate = QDate(2015, 4, 1);
    r.HyokaDate = QDate(2026, 12, 1);
    r.KaokuKakaku = Yen(10000000);
    r.GokeiKakaku = Yen(30000000);
    r.TotiHanbaiKakaku = Yen(21000000);
    r.KeikaNensu = 11;
    return r;
}

void CompareRecords(const BukkenJoho& a, const BukkenJoho& b) {
    QCOMPARE(a.BukkenID, b.BukkenID);
    QCOMPARE(a.NewBukken, b.NewBukken);
    QCOMPARE(a.BukkenRead, b.BukkenRead);
    QCOMPARE(a.UsrRecCount, b.UsrRecCount);
    QCOMPARE(a.PicUmu, b.PicUmu);
    QCOMPARE(a.PicFile, b.PicFile);
    QCOMPARE(a.PicTempFile, b.PicTempFile);
    QCOMPARE(a.CsvFile, b.CsvFile);
    QCOMPARE(a.Jusho, b.Jusho);
    QCOMPARE(a.Kaisha, b.Kaisha);
    QCOMPARE(a.Biko, b.Biko);
    QCOMPARE(a.Rosenka, b.Rosenka);
    QCOMPARE(a.TotiMenseki, b.TotiMenseki);
    QCOMPARE(a.Sokumen1Rank, b.Sokumen1Rank);
    QCOMPARE(a.SonotaRank, b.SonotaRank);
    QCOMPARE(a.ChikaHendoRitu, b.ChikaHendoRitu);
    QCOMPARE(a.KakutiHoseiRitu, b.KakutiHoseiRitu);
    QCOMPARE(a.TotiKakaku, b.TotiKakaku);
    QCOMPARE(a.KaokuTuboTanka, b.KaokuTuboTanka);
    QCOMPARE(a.KaokuTateTubo, b.KaokuTateTubo);
    QCOMPARE(a.KaokuDate, b.KaokuDate);
    QCOMPARE(a.HyokaDate, b.HyokaDate);
    QCOMPARE(a.KaokuKakaku, b.KaokuKakaku);
    QCOMPARE(a.GokeiKakaku, b.GokeiKakaku);
    QCOMPARE(a.TotiHanbaiKakaku, b.TotiHanbaiKakaku);
    QCOMPARE(a.KeikaNensu, b.KeikaNensu);
}

const QByteArray kEditedPhoto = QByteArray("EDITING-PHOTO\0\x01\x02\xff", 17);

// A user database with four saved properties: 1 with a photo, 3 without address, 4 and 7 plain.
struct BatchFixture {
    TestFolder folder;
    ScriptedUi ui;
    ModGlobal g;
    FakeReportPrinter printer;
    QByteArray rowPhoto = PngBytes(QSize(6, 4), Qt::blue);
    QString scratch;

    BatchFixture() {
        ui.tempDir = folder.tempPath();
        g.UsrDbPath = folder.usrDb();
        g.SysDbPath = folder.sysDb();  // the breakdown page's reference data
        scratch = folder.tempPath() + u"/~my1F.tmp"_s;
        WriteAll(scratch, kEditedPhoto);
        g.Bukken = EditedRecord(scratch);
        ExecSql(g.UsrDbPath,
                u"INSERT INTO 物件情報 (物件ID, 住所, 敷地評価額, 敷地販売価格, 現場写真) VALUES "
                u"(1, '大阪府堺市', 100000000000, 95000000000, X'"_s +
                    QString::fromLatin1(rowPhoto.toHex()) +
                    u"');"
                    u"INSERT INTO 物件情報 (物件ID, 住所, 敷地面積) VALUES (3, NULL, 80);"
                    u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (4, '京都府京都市');"
                    u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (7, '奈良県奈良市');"_s);
    }
    bool open() { return ModUsrDbOpen(g, ui, nullptr) && ModUsrRecCount(g.UsrDbCon) == 4; }
    // The address line of each printed job's first page.
    QStringList printedAddresses() const {
        QStringList out;
        std::size_t first = 0;
        for (const std::size_t count : printer.jobPageCounts) {
            const QStringList texts = printer.pages[first]->textList();
            out << (texts.size() > 2 ? texts[2] : QString());
            first += count;
        }
        return out;
    }
};

}  // namespace

class TestReportPrint : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase() {
        InstallFontSubstitutions();
        QVERIFY(dir_.isValid());
    }

    // ---- the preview window ----

    // Captions, positions and the Tab order are in tests/window_layout.txt.
    void previewDrawsInsideItsFrame() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("PicDraw"))->parentWidget(),
                 w.findChild<QWidget*>(QStringLiteral("PicFrame")));
        QVERIFY(ui.unexpected.isEmpty());
    }

    void previewScrollRangesForA4() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        printer.printers = false;  // the default A4 landscape sheet
        BukkenJoho rec;
        FrmPrint w(rec, ui, printer);
        QCOMPARE(w.page().pageTwips, QSize(16838, 11906));
        w.findChild<QComboBox*>(QStringLiteral("CboZoom"))
            ->setCurrentIndex(int(FrmPrint::Zoom::Actual));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("PicDraw"))->size(),
                 QSize(1123, 794));  // 16838 and 11906 twips at 15 a pixel
        QCOMPARE(w.findChild<QScrollBar*>(QStringLiteral("HScroll1"))->minimum(), 0);
        QCOMPARE(w.findChild<QScrollBar*>(QStringLiteral("HScroll1"))->maximum(), 7463);
        QCOMPARE(w.findChild<QScrollBar*>(QStringLiteral("HScroll1"))->pageStep(), 746);
        QCOMPARE(w.findChild<QScrollBar*>(QStringLiteral("HScroll1"))->singleStep(), 75);
        QCOMPARE(w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))->maximum(), 6131);
        QCOMPARE(w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))->pageStep(), 613);
        QCOMPARE(w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))->singleStep(), 61);
        QVERIFY(ui.shown.empty());  // no printer is no reason for a message when previewing

        w.findChild<QScrollBar*>(QStringLiteral("HScroll1"))->setValue(7463);
        w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))->setValue(6131);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("PicDraw"))->x() +
                     w.findChild<QLabel*>(QStringLiteral("PicDraw"))->width(),
                 w.findChild<QWidget*>(QStringLiteral("PicFrame"))->width());
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("PicDraw"))->y() +
                     w.findChild<QLabel*>(QStringLiteral("PicDraw"))->height(),
                 w.findChild<QWidget*>(QStringLiteral("PicFrame"))->height());
        w.findChild<QScrollBar*>(QStringLiteral("HScroll1"))->setValue(746);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("PicDraw"))->x(),
                 -50);  // 746 of 7463 twips: a tenth of the 498 px
        w.findChild<QScrollBar*>(QStringLiteral("HScroll1"))->setValue(0);
        w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))->setValue(0);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("PicDraw"))->pos(), QPoint(0, 0));
    }

    // It opens showing the whole page; the page's width, 100 % and Ctrl+wheel steps zoom it, and a
    // larger window gives the page more room.
    void previewZoomsAndResizes() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        printer.printers = false;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto inside = [&w] {
            return QRect(QPoint(0, 0), w.findChild<QWidget*>(QStringLiteral("PicFrame"))->size())
                .contains(w.findChild<QLabel*>(QStringLiteral("PicDraw"))->geometry());
        };
        QCOMPARE(w.findChild<QComboBox*>(QStringLiteral("CboZoom"))->currentIndex(),
                 int(FrmPrint::Zoom::FitPage));
        QVERIFY(inside() && w.zoomFactor() < 0.6);  // about half the page at 100 %
        QCOMPARE(w.findChild<QScrollBar*>(QStringLiteral("HScroll1"))->maximum() +
                     w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))->maximum(),
                 0);

        w.findChild<QComboBox*>(QStringLiteral("CboZoom"))
            ->setCurrentIndex(int(FrmPrint::Zoom::FitWidth));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("PicDraw"))->width(),
                 w.findChild<QWidget*>(QStringLiteral("PicFrame"))->width());
        QVERIFY(w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))->maximum() > 0);
        w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))
            ->setValue(w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))->maximum());
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("PicDraw"))->y() +
                     w.findChild<QLabel*>(QStringLiteral("PicDraw"))->height(),
                 w.findChild<QWidget*>(QStringLiteral("PicFrame"))->height());

        const double before = w.zoomFactor();
        QWheelEvent in(
            QPointF(10, 10),
            w.findChild<QWidget*>(QStringLiteral("PicFrame"))->mapToGlobal(QPointF(10, 10)),
            QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w.findChild<QWidget*>(QStringLiteral("PicFrame")), &in);
        QCOMPARE(w.zoomFactor(), before * 1.25);
        QCOMPARE(w.findChild<QComboBox*>(QStringLiteral("CboZoom"))->currentText(),
                 QStringLiteral("%1%").arg(qRound(before * 125)));

        w.findChild<QComboBox*>(QStringLiteral("CboZoom"))
            ->setCurrentIndex(int(FrmPrint::Zoom::FitPage));
        const double small = w.zoomFactor();
        const QPoint ok = w.findChild<QPushButton*>(QStringLiteral("CmdOK"))->pos();
        w.resize(w.width() + 300, w.height() + 200);
        QTRY_VERIFY(w.zoomFactor() > small);
        QVERIFY(inside());
        QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("CmdOK"))->pos(),
                 ok + QPoint(300, 200));  // 戻る keeps to the lower right
    }

    void previewIsDrawnOnceAtLoad() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        const QImage atLoad = w.pageImage().copy();
        QCOMPARE(atLoad.size(), QSize(1123, 794));
        // Something was drawn: the page is not blank.
        QVERIFY(atLoad != [&] {
            QImage blank(atLoad.size(), atLoad.format());
            blank.fill(Qt::white);
            return blank;
        }());
        QVERIFY(!w.findChild<QLabel*>(QStringLiteral("PicDraw"))->pixmap().isNull());
        rec.Jusho = u"別の物件"_s;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.findChild<QScrollBar*>(QStringLiteral("VScroll1"))->setValue(3000);
        w.repaint();
        QCOMPARE(w.pageImage(), atLoad);
    }

    void printWithoutPrinterShowsMessage() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        printer.printers = false;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        w.show();
        w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
        QVERIFY(w.isVisible());  // the preview stays open
        QCOMPARE(ui.shown.size(), std::size_t(1));
        QCOMPARE(ui.shown[0].text, kNoPrinter);
        QCOMPARE(ui.shown[0].icon, MsgIcon::Exclamation);
        QCOMPARE(ui.shown[0].caption, u"いえねだん帳"_s);
        QCOMPARE(printer.jobsAttempted, 0);
        QVERIFY(!w.pageImage().isNull());
    }

    void printTwiceGivesTwoJobs() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
        w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
        QCOMPARE(printer.pages.size(), std::size_t(2));
        for (const auto& page : printer.pages) {
            const QStringList texts = page->textList();
            QCOMPARE(texts.size(), 20);
            QCOMPARE(texts[0], u"物件帳票"_s);
            QCOMPARE(texts[1], u"出力日：2026/12/07"_s);
            QCOMPARE(texts[2], u"住　　　　所 東京都千代田区丸の内１－１"_s);
            QCOMPARE(texts[9], u"  販売計算比 "_s + QString(8, u' ') + u"100.00　％"_s);
            QCOMPARE(page->frames.size(), std::size_t(3));
        }
        QVERIFY(ui.shown.empty());
    }

    void printRefusedIsReported() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        printer.failAtJob = 0;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
        QCOMPARE(ui.shown.size(), std::size_t(1));
        QCOMPARE(ui.shown[0].text, u"物件帳票を印刷できませんでした。\r用紙がありません。"_s);
        QCOMPARE(ui.shown[0].icon, MsgIcon::Critical);
        QVERIFY(printer.pages.empty());
    }

    void pdfWrittenAndReadable() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        printer.printers = false;  // a PDF needs no printer
        BukkenJoho rec = PreviewRecord();
        rec.PicUmu = true;
        rec.PicTempFile = dir_.filePath(u"photo.png"_s);
        QVERIFY(WriteAll(rec.PicTempFile, PngBytes(QSize(8, 4), Qt::red)));
        FrmPrint w(rec, ui, printer);
        const QString pdf = dir_.filePath(u"物件帳票 1.pdf"_s);
        ui.files.push_back(pdf);
        w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
        QVERIFY(ui.unexpected.isEmpty());
        QVERIFY(ui.shown.empty());
        QCOMPARE(ui.choosers.size(), std::size_t(1));
        QVERIFY(ui.choosers[0].save);
        QVERIFY(ui.choosers[0].filter.contains(u"*.pdf"_s));
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));

        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
            QSKIP("pdftotext is not installed (Debian package poppler-utils)");
        const QString text = RunTool(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
        QVERIFY2(!text.trimmed().isEmpty(), "pdftotext found no text in the PDF");
        QVERIFY2(text.contains(u"物件帳票"_s), qPrintable(text));
        QVERIFY(text.contains(u"出力日：2026/12/07"_s));
        QVERIFY(text.contains(u"東京都千代田区丸の内１－１"_s));
        QVERIFY(text.contains(u"30,000,000 円"_s));
        QVERIFY(text.contains(u"物件現況写真"_s));
        const QString info = RunTool(u"pdfinfo"_s, {pdf});
        QVERIFY2(info.contains(QRegularExpression(u"Pages: +1\\n"_s)), qPrintable(info));
        QVERIFY2(info.contains(u"(A4)"_s), qPrintable(info));
        QVERIFY(info.contains(u"842 x 595"_s));  // landscape
        QVERIFY(info.contains(u"物件帳票"_s));   // title
        // The photo is stored as JPEG.
        const QString images = RunTool(u"pdfimages"_s, {u"-list"_s, pdf});
        QVERIFY2(images.contains(u" jpeg "_s), qPrintable(images));
        QVERIFY(ReadAll(pdf).contains("/DCTDecode"));
        const QString fonts = RunTool(u"pdffonts"_s, {pdf});
        QVERIFY2(fonts.contains(u"IPAMincho"_s), qPrintable(fonts));
        QVERIFY(!fonts.contains(u"DejaVu"_s));
    }

    void pdfPhotoDownsampledAndJpeg() {
        // A 12 MP photo (4000 x 3000) in the 7340-twip-wide frame: stored at 300 dpi of the frame
        // (1530 x 1147 pixels) as JPEG, not at its own size.
        if (QStandardPaths::findExecutable(u"pdfimages"_s).isEmpty())
            QSKIP("pdfimages is not installed (Debian package poppler-utils)");
        BukkenJoho rec = PreviewRecord();
        rec.PicUmu = true;
        QImage photo(4000, 3000, QImage::Format_RGB32);
        photo.fill(QColor(90, 140, 60));
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        QVERIFY(photo.save(&buf, "JPEG", 90));
        const QString pdf = dir_.filePath(u"photo12.pdf"_s);
        QString error;
        QVERIFY2(
            WriteReportPdf(
                pdf, ChohyoPages(rec, QDate(2026, 12, 7), kChohyoPrinter, &bytes, nullptr), error),
            qPrintable(error));
        const QStringList lines = RunTool(u"pdfimages"_s, {u"-list"_s, pdf}).split(u'\n');
        QVERIFY(lines.size() >= 3);
        // page num type width height color comp bpc enc ...
        const QStringList image = lines[2].simplified().split(u' ');
        QCOMPARE(image.mid(3, 2), (QStringList{u"1530"_s, u"1147"_s}));
        QCOMPARE(image[8], u"jpeg"_s);
        QVERIFY(ReadAll(pdf).contains("/DCTDecode"));
    }

    void pdfNameWithoutSuffixGetsOne() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        ui.files.push_back(dir_.filePath(u"report"_s));
        w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
        QCOMPARE(printer.pdfPaths, QStringList{dir_.filePath(u"report.pdf"_s)});
        QVERIFY(ReadAll(dir_.filePath(u"report.pdf"_s)).startsWith("%PDF"));
    }

    void pdfOverwriteQuestion() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        const QString pdf = dir_.filePath(u"old.pdf"_s);
        QVERIFY(WriteAll(pdf, "old bytes"));

        ui.files.push_back(pdf);
        ui.answers.push_back(Answer::No);
        w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
        QCOMPARE(ui.shown.size(), std::size_t(1));
        QVERIFY(ui.shown[0].isQuestion);
        QCOMPARE(ui.shown[0].text, u"同じ名前のファイルが存在します。上書きしますか"_s);
        QCOMPARE(ui.shown[0].caption, u"いえねだん帳"_s);
        QCOMPARE(ReadAll(pdf), QByteArray("old bytes"));
        QVERIFY(printer.pdfPaths.isEmpty());

        ui.clear();
        ui.files.push_back(pdf);
        ui.answers.push_back(Answer::Yes);
        w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
        QCOMPARE(ui.shown.size(), std::size_t(1));
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));
        QVERIFY(ui.unexpected.isEmpty());
    }

    void pdfWriteFailureIsReported() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        const QString pdf = dir_.filePath(u"no such folder/report.pdf"_s);
        ui.files.push_back(pdf);
        w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
        QCOMPARE(ui.shown.size(), std::size_t(1));
        QCOMPARE(ui.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(ui.shown[0].text,
                 u"PDFファイルに保存できませんでした。\rファイルに書き込めません。\r"_s +
                     QDir::toNativeSeparators(pdf) + u"\r"_s +
                     QString::fromLocal8Bit(std::strerror(ENOENT)) + u"。"_s);
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(ui.notes.isEmpty());
    }

    void pdfSaveNamedRememberedAndNoted() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        const QString ini = dir_.filePath(u"settings.ini"_s);
        QVERIFY(QDir(dir_.path()).mkpath(u"saved"_s));
        const QString pdf = dir_.filePath(u"saved/a.pdf"_s);
        const BukkenJoho named = PreviewRecord();
        {
            FrmPrint w(named, std::nullopt, ini, ui, printer);
            ui.files.push_back(pdf);
            w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
        }
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));
        const QFileInfo first(ui.choosers.at(0).initialPath);
        QCOMPARE(first.fileName(), u"物件帳票_東京都千代田区丸の内１－１_20261207.pdf"_s);
        QVERIFY(first.absolutePath() != QFileInfo(pdf).absolutePath());
        QCOMPARE(ui.notes.size(), 1);
        QVERIFY(ui.notes[0].contains(QDir::toNativeSeparators(pdf)));

        // A later window (a later start too) opens where the last PDF went.
        BukkenJoho unnamed;
        unnamed.BukkenID = 12;
        FrmPrint w(unnamed, std::nullopt, ini, ui, printer);
        ui.files.push_back(QString());
        w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
        QCOMPARE(ui.choosers.at(1).initialPath,
                 dir_.filePath(u"saved/物件帳票_物件ID12_20261207.pdf"_s));
        QCOMPARE(ui.notes.size(), 1);
        QVERIFY(ui.shown.empty());
    }

    void proposedFileNames_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("location");
        QTest::addColumn<bool>("isNew");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unsafe characters")
            << u" 東京都/調布市:1*2?\"x\"<y>|z\r\n2階 "_s << QString() << false
            << u"K_東京都_調布市_1_2__x__y__z_2階_20261207.pdf"_s;
        QTest::newRow("cut at 40") << QString(50, QChar(u'あ')) << QString() << false
                                   << u"K_"_s + QString(40, QChar(u'あ')) + u"_20261207.pdf"_s;
        // 39 characters then 𠮷 (two UTF-16 units): the pair is not split.
        QTest::newRow("surrogate pair at the cut")
            << QString(39, QChar(u'あ')) + u"𠮷"_s << QString() << false
            << u"K_"_s + QString(39, QChar(u'あ')) + u"_20261207.pdf"_s;
        QTest::newRow("dots only") << u".."_s << QString() << false << u"K_物件ID7_20261207.pdf"_s;
        QTest::newRow("location when no address")
            << QString() << u"東京都"_s << false << u"K_東京都_20261207.pdf"_s;
        QTest::newRow("unsaved property has no ID")
            << QString() << QString() << true << u"K_20261207.pdf"_s;
    }

    void proposedFileNames() {
        QFETCH(QString, address);
        QFETCH(QString, location);
        QFETCH(bool, isNew);
        BukkenJoho rec;
        rec.Jusho = address;
        rec.ShozaiKen = location;
        rec.BukkenID = 7;
        rec.NewBukken = isNew;
        QTEST(PropertyFileName(u"K"_s, rec, QDate(2026, 12, 7), u"pdf"_s), "expected");
    }

    void pdfChooserCancelled() {
        ScriptedUi ui;
        FakeReportPrinter printer;
        BukkenJoho rec = PreviewRecord();
        FrmPrint w(rec, ui, printer);
        ui.files.push_back(QString());
        w.findChild<QPushButton*>(QStringLiteral("CmdPdf"))->click();
        QVERIFY(ui.shown.empty());
        QVERIFY(printer.pdfPaths.isEmpty());
    }

    void qtPrinterWithoutPrinters() {
        // This machine has no printer installed: the real service says so, offers the whole A4
        // sheet, refuses a job with a reason, and still writes PDFs.
        QtReportPrinter printer;
        if (printer.hasPrinter())
            QSKIP("a printer is installed here");
        QCOMPARE(printer.page().pageTwips, QSize(16838, 11906));
        QCOMPARE(printer.page().areaTwips, QSizeF(16838, 11906));
        QString error;
        bool drawn = false;
        QVERIFY(!printer.printPage([&](QPainter&, const ChohyoTarget&) { drawn = true; }, error));
        QVERIFY(!drawn);
        QVERIFY(!error.isEmpty());
        const QString pdf = dir_.filePath(u"qt.pdf"_s);
        ChohyoTarget seen;
        QVERIFY(printer.writePdf(
            pdf, [&](QPainter&, const ChohyoTarget& target) { seen = target; }, error));
        QCOMPARE(seen.twips, QSizeF(16838, 11906));
        QVERIFY(seen.device.width() > seen.device.height());
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));
    }

    // ---- the batch print of the list window ----

    void batchPrintsInSelectionOrderAndRestores() {
        BatchFixture f;
        QVERIFY(f.open());
        const BukkenJoho before = f.g.Bukken;
        f.ui.answers.push_back(Answer::Yes);
        QWidget window;
        const bool ran =
            PrintSelectedBukken(&window, f.ui, f.printer, f.g.UsrDbCon, {4, 1}, f.g.Bukken);
        QVERIFY(ran);
        QCOMPARE(f.ui.shown.size(), std::size_t(1));
        QCOMPARE(f.ui.shown[0].text, u"選択物件2件を印刷しますか。"_s);
        QCOMPARE(f.ui.shown[0].caption, u"物件情報印刷"_s);
        QCOMPARE(f.ui.shown[0].defaultButton, Answer::No);
        QCOMPARE(f.printedAddresses(),
                 (QStringList{u"住　　　　所 京都府京都市"_s, u"住　　　　所 大阪府堺市"_s}));
        // The second page carries row 1's own photo, handed over as the stored bytes.
        QVERIFY(f.printer.pages[0]->pictures.empty());
        QCOMPARE(f.printer.pages[1]->pictures.size(), std::size_t(1));
        QCOMPARE(f.printer.pages[1]->pictures[0].size, QSize(6, 4));
        // 6:4, as wide as the frame and centred in its height.
        QCOMPARE(f.printer.pages[1]->pictures[0].rect,
                 QRectF(949, 2230 + (8740 - 7340 * 4 / 6.0) / 2, 7340, 7340 * 4 / 6.0));
        // 95,000,000 asked for 100,000,000 computed.
        QCOMPARE(f.printer.pages[1]->textList()[9],
                 u"  販売計算比 "_s + QString(9, u' ') + u"95.00　％"_s);

        CompareRecords(f.g.Bukken, before);
        QCOMPARE(ReadAll(f.scratch), kEditedPhoto);
        QVERIFY(window.isEnabled());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(f.ui.unexpected.isEmpty());
    }

    void batchNoPrintsNothing() {
        BatchFixture f;
        QVERIFY(f.open());
        const BukkenJoho before = f.g.Bukken;
        f.ui.answers.push_back(Answer::No);
        QVERIFY(
            !PrintSelectedBukken(nullptr, f.ui, f.printer, f.g.UsrDbCon, {1, 3, 7}, f.g.Bukken));
        QCOMPARE(f.ui.texts(), QStringList{u"選択物件3件を印刷しますか。"_s});
        QCOMPARE(f.printer.jobsAttempted, 0);
        CompareRecords(f.g.Bukken, before);
        QCOMPARE(ReadAll(f.scratch), kEditedPhoto);
    }

    void batchStopsAtRefusedJob() {
        BatchFixture f;
        QVERIFY(f.open());
        const BukkenJoho before = f.g.Bukken;
        f.printer.failAtJob = 1;
        f.ui.answers.push_back(Answer::Yes);
        QVERIFY(PrintSelectedBukken(nullptr, f.ui, f.printer, f.g.UsrDbCon, {7, 1, 4}, f.g.Bukken));
        QCOMPARE(f.printer.jobsAttempted, 2);
        QCOMPARE(f.printedAddresses(), QStringList{u"住　　　　所 奈良県奈良市"_s});
        QCOMPARE(f.ui.shown.size(), std::size_t(2));
        QCOMPARE(f.ui.shown[1].text,
                 u"「大阪府堺市」の物件を印刷できませんでした。\r"
                 u"用紙がありません。\r残りの1件は印刷していません。"_s);
        QCOMPARE(f.ui.shown[1].icon, MsgIcon::Critical);
        CompareRecords(f.g.Bukken, before);
        QCOMPARE(ReadAll(f.scratch), kEditedPhoto);  // row 1's photo never passed through it
    }

    void batchNamesPropertyWithoutAddressByItsId() {
        BatchFixture f;
        QVERIFY(f.open());
        f.printer.failAtJob = 0;
        f.ui.answers.push_back(Answer::Yes);
        QVERIFY(PrintSelectedBukken(nullptr, f.ui, f.printer, f.g.UsrDbCon, {3}, f.g.Bukken));
        QCOMPARE(f.ui.shown.back().text,
                 u"物件ID 3 の物件を印刷できませんでした。\r用紙がありません。"_s);
    }

    void batchWithoutPrinterTellsForEachProperty() {
        BatchFixture f;
        QVERIFY(f.open());
        const BukkenJoho before = f.g.Bukken;
        f.printer.printers = false;
        f.ui.answers.push_back(Answer::Yes);
        QVERIFY(PrintSelectedBukken(nullptr, f.ui, f.printer, f.g.UsrDbCon, {1, 4}, f.g.Bukken));
        QCOMPARE(f.ui.texts(),
                 (QStringList{u"選択物件2件を印刷しますか。"_s, kNoPrinter, kNoPrinter}));
        QCOMPARE(f.ui.shown[1].icon, MsgIcon::Exclamation);
        QCOMPARE(f.printer.jobsAttempted, 0);
        CompareRecords(f.g.Bukken, before);
        QCOMPARE(ReadAll(f.scratch), kEditedPhoto);
    }

    void batchLeavesNoScratchFileThatWasNotThere() {
        BatchFixture f;
        QVERIFY(f.open());
        QVERIFY(QFile::remove(f.scratch));
        f.ui.answers.push_back(Answer::Yes);
        QVERIFY(PrintSelectedBukken(nullptr, f.ui, f.printer, f.g.UsrDbCon, {1}, f.g.Bukken));
        QCOMPARE(f.printer.pages.size(), std::size_t(1));
        QCOMPARE(f.printer.pages[0]->pictures.size(), std::size_t(1));
        QVERIFY(!QFile::exists(f.scratch));
    }

    void listWindowPrintButton() {
        BatchFixture f;
        QVERIFY(ModUsrDbOpen(f.g, f.ui, nullptr));
        const BukkenJoho before = f.g.Bukken;
        FrmData w(f.g, f.ui);
        w.setReportPrinter(f.printer);
        QVERIFY(w.Form_Load());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QHeaderView* h = w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->verticalHeader();
        const auto click = [&](int row, Qt::KeyboardModifiers mods) {
            const QPoint p(h->width() / 2,
                           h->sectionViewportPosition(row) + h->sectionSize(row) / 2);
            QTest::mouseClick(h->viewport(), Qt::LeftButton, mods, p);
        };
        click(3, Qt::NoModifier);       // 奈良県奈良市
        click(0, Qt::ControlModifier);  // 大阪府堺市
        QVERIFY(w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->isEnabled());
        f.ui.answers.push_back(Answer::Yes);
        w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
        QCOMPARE(f.printedAddresses(),
                 (QStringList{u"住　　　　所 奈良県奈良市"_s, u"住　　　　所 大阪府堺市"_s}));
        // The list is rebuilt with nothing selected and the row buttons disabled.
        QCOMPARE(w.selectedCount(), 0);
        QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->isEnabled());
        QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("CmdDel"))->isEnabled());
        QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("CmdRead"))->isEnabled());
        QCOMPARE(w.findChild<QTableView*>(QStringLiteral("DataGrid1"))->model()->rowCount(), 4);
        // The record on the main window is the one being edited, not the last printed.
        f.g.Bukken.UsrRecCount = before.UsrRecCount;  // the rebuilt list counts again
        f.g.Bukken.BukkenRead = before.BukkenRead;    // the list window's load resets it
        CompareRecords(f.g.Bukken, before);
        QCOMPARE(ReadAll(f.scratch), kEditedPhoto);
        QVERIFY(f.ui.unexpected.isEmpty());
        w.close();
        ModUsrDbClose(f.g);
    }
};

QTEST_MAIN(TestReportPrint)
#include "tst_report_print.moc"
