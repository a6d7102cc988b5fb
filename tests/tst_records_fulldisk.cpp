// Every file the program writes, on a full disk: the earlier file stays byte for byte, nothing is
// left beside it, and the message names the file and the cause.
#include "app/CsvExportCommand.h"
#include "records/CsvExport.h"
#include "records/FrmHikaku.h"
#include "report/Breakdown.h"
#include "report/FrmPrint.h"
#include "state/ModGlobal.h"
#include "support/FakeReportPrinter.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include <cstring>

using namespace ie;
using namespace ie::test;
using namespace Qt::StringLiterals;

namespace {

enum Writer { Settings, SjisCsv, Utf8Csv, ReportPdf, ChartPng, ChartPdf };

// Writes path as the user would (the chooser answers path, the overwrite question yes); returns
// the last message shown.
QString Write(Writer writer, const QString& path, ModGlobal& g) {
    ScriptedUi ui;
    FakeReportPrinter printer;  // its PDF is the real one
    ui.files.push_back(path);
    ui.answers.push_back(Answer::Yes);
    if (writer == Settings) {
        FrmPrint(BukkenJoho{}, BreakdownContent{}, path, ui, printer)
            .findChild<QCheckBox*>(u"ChkUtiwake"_s)
            ->click();
    } else if (writer == SjisCsv || writer == Utf8Csv) {
        ui.filters.push_back((writer == Utf8Csv ? CsvUtf8() : CsvShiftJis()).name + u" (*.csv)"_s);
        RunCsvExport(g, ui, nullptr);
    } else if (writer == ReportPdf) {
        FrmPrint(BukkenJoho{}, ui, printer).findChild<QPushButton*>(u"CmdPdf"_s)->click();
    } else if (UsrDbSession db(g, ui, nullptr); db.ok()) {
        FrmHikaku w(g, ui, printer, std::nullopt);
        w.Form_Load();
        w.findChild<QPushButton*>(writer == ChartPng ? u"CmdPng"_s : u"CmdPdf"_s)->click();
    }
    return ui.shown.empty() ? QString() : ui.shown.back().text;
}

}  // namespace

class TestFullDisk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void earlierFileKept_data() {
        QTest::addColumn<int>("writer");
        QTest::addColumn<QString>("file");
        QTest::newRow("settings") << int(Settings) << u"Morinaxis.ini"_s;
        QTest::newRow("csv shift_jis") << int(SjisCsv) << u"a.csv"_s;
        QTest::newRow("csv utf-8") << int(Utf8Csv) << u"a.csv"_s;
        QTest::newRow("report pdf") << int(ReportPdf) << u"a.pdf"_s;
        QTest::newRow("comparison png") << int(ChartPng) << u"a.png"_s;
        QTest::newRow("comparison pdf") << int(ChartPdf) << u"a.pdf"_s;
    }

    void earlierFileKept() {
        QFETCH(int, writer);
        QFETCH(QString, file);
        TestFolder folder;
        ModGlobal g;
        g.UsrDbPath = folder.usrDb();
        QVERIFY(ExecSql(g.UsrDbPath, u"INSERT INTO 物件情報 (物件ID, 住所) VALUES (1, '東京')"_s));
        const QByteArray old("[DB_PATH]\r\nDB_PATH1=/data\r\n[OPTIONS]\r\nBREAKDOWN=1\r\n");
        // Written whole first, to learn its size; then the disk holds one byte less, so that only
        // the last write or the final flush fails.
        QVERIFY(QDir().mkpath(folder.file(u"whole"_s)) && QDir().mkpath(folder.file(u"full"_s)));
        const QString whole = folder.file(u"whole/"_s + file),
                      path = folder.file(u"full/"_s + file);
        QVERIFY(WriteAll(whole, old) && WriteAll(path, old));
        Write(Writer(writer), whole, g);
        QVERIFY(ReadAll(whole) != old);
        QString shown;
        {
            FileSizeLimit limit(rlim_t(QFileInfo(whole).size() - 1));
            QVERIFY(limit.ok());
            shown = Write(Writer(writer), path, g);
        }
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(QDir(folder.file(u"full"_s)).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY2(shown.contains(QDir::toNativeSeparators(path)) &&
                     shown.contains(QString::fromLocal8Bit(std::strerror(EFBIG))),
                 qPrintable(shown));
    }
};

QTEST_MAIN(TestFullDisk)
#include "tst_records_fulldisk.moc"
