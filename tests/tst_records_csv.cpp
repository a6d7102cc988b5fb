// The CSV export: the exact bytes of the file, the overwrite question, and failures that leave an
// existing file as it was.
#include "app/CsvExportCommand.h"
#include "app/FrmMain.h"
#include "records/CsvExport.h"
#include "state/ModGlobal.h"
#include "state/UserDatabase.h"
#include "support/FileSizeLimit.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace ie;
using namespace Qt::StringLiterals;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Plain Japanese text in CP932 from Qt's own converter, for the lines whose characters all have
// a single code; the special characters are checked against hand-written bytes.
QByteArray Sjis(const QString& s) {
    QStringEncoder enc("windows-932");
    QByteArray out = enc.encode(s);
    Q_ASSERT(!enc.hasError());
    return out;
}

// The UTF-8 file's header: the rate in %, then the columns worked out for people.
const QString kReadableHeader =
    u"\"住所\",\"敷地面積\",\"敷地評価額\",\"家屋評価額\",\"敷地販売価格\",\"家屋販売価格\","
    u"\"合計販売価格\",\"合計価格\",\"国税路線価\",\"販売会社名\",\"担当者名\",\"電話番号\","
    u"\"備考\",\"坪単価\",\"延床面積\",\"年間地価変動率（%）\",\"その他ランク\",\"家屋建築年月日\","
    u"\"物件ID\",\"価格を調べる日\",\"構造\",\"築年数\",\"販売計算比（%）\",\"差額\"\r\n"_s;

const QString kHeader =
    u"\"住所\",\"敷地面積\",\"敷地評価額\",\"家屋評価額\",\"敷地販売価格\",\"家屋販売価格\","
    u"\"合計販売価格\",\"合計価格\",\"国税路線価\",\"販売会社名\",\"担当者名\",\"電話番号\","
    u"\"備考\",\"坪単価\",\"延床面積\",\"年間地価変動率\",\"その他ランク\",\"家屋建築年月日\"\r\n"_s;

// The columns written by the tests' rows, in table order after 物件ID.
const char* const kInsert =
    "INSERT INTO 物件情報 (物件ID, 住所, 敷地面積, 敷地評価額, 家屋評価額, 敷地販売価格, "
    "家屋販売価格, 合計販売価格, 国税路線価, 販売会社名, 担当者名, 電話番号, 備考, 坪単価, "
    "延床面積, 年間地価変動率, その他ランク, 家屋建築年月日, 評価年月日, 画地補正率, 現場写真) ";

// A device that takes `room` bytes and then fails as a file does on a full disk after a short
// write: no text of its own, errno set.
class FullDevice : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override {
        if ((room_ -= len) >= 0)
            return len;
        errno = ENOSPC;
        return -1;
    }

private:
    qint64 room_ = 1000;
};

}  // namespace

class TestCsv : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString dbPath_;

    void exec(const QString& sql) {
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open_v2(dbPath_.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        char* err = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
        const QString message = err ? QString::fromUtf8(err) : QString();
        sqlite3_free(err);
        sqlite3_close(db);
        QVERIFY2(rc == SQLITE_OK, qPrintable(message));
    }

    void insert(const QString& values) { exec(QString::fromUtf8(kInsert) + u"VALUES "_s + values); }

    // Runs the export on a fresh connection to the test database.
    CsvExportResult exportTo(const QString& path, const CsvFormat& format = CsvShiftJis(),
                             const StructureNamer& names = {}) {
        db::Connection con;
        con.setConnectionString(ConnectionString(dbPath_));
        con.open();
        return ExportCsv(con, path, format, names);
    }

    QString out(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

private Q_SLOTS:
    void init() {
        QVERIFY(dir_.isValid());
        dbPath_ = dir_.filePath(u"Morinaxis_u.mdb"_s);
        QFile::remove(dbPath_);
        CreateUserDatabase(dbPath_);
    }

    // --- The exact bytes -----------------------------------------------------------------

    void twoPropertiesExactBytes() {
        // Currency is stored in ten-thousandths: 18,750,000 yen is 187500000000.
        insert(
            u"(1, '東京都千代田区丸の内1-1', 150.0, 187500000000, 5164726027, 200000000000, "
            u"50000000000, 250000000000, 2500000000, 'ＡＢＣ不動産', '山田', '03-1234-5678', "
            u"'南向き', 600000.0, 30.25, 0.03, 5, '2001-04-01', '2026-12-07', 0.9, X'0102')"_s);
        // No memo data and no land value: fields 1, 3, 5 to 13 and the computed total are empty.
        insert(
            u"(2, NULL, 99.5, NULL, 10000000000, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            u"NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"_s);

        const QString path = out("two.csv");
        const CsvExportResult r = exportTo(path);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.rows, 2);
        QCOMPARE(r.unmappable, 0);

        const QByteArray bytes = ReadAll(path);
        // The header starts with "住所" in CP932: 8F 5A 8F 8A.
        QVERIFY(bytes.startsWith(QByteArray("\"\x8F\x5A\x8F\x8A\",")));
        const QByteArray expected =
            Sjis(kHeader) +
            Sjis(
                u"東京都千代田区丸の内1-1,150,18750000,516472.6027,20000000,5000000,25000000,"
                u"19266472.6027,250000,ＡＢＣ不動産,山田,03-1234-5678,南向き,600000,30.25,0.03,5,"
                u"2001/04/01"_s) +
            "\r" + ",99.5,,1000000,0,0,0,,,,,,,,,,," + "\r\n";
        QCOMPARE(bytes, expected);
    }

    void quotingKeepsEighteenFields() {
        insert(
            u"(1, '大阪市北区1,2丁目 \"梅田\"ビル', 10.0, 10000, 20000, NULL, NULL, NULL, "
            u"NULL, 'A,B', NULL, NULL, '一行目' || char(13) || char(10) || '二行目', NULL, "
            u"NULL, NULL, NULL, NULL, NULL, NULL, NULL)"_s);
        const QString path = out("quoted.csv");
        const CsvExportResult r = exportTo(path);
        QVERIFY2(r.ok, qPrintable(r.error));
        const QByteArray expected =
            Sjis(kHeader) +
            Sjis(
                u"\"大阪市北区1,2丁目 \"\"梅田\"\"ビル\",10,1,2,0,0,0,3,,\"A,B\",,,"
                u"\"一行目\r\n二行目\",,,,,"_s) +
            "\r\n";
        QCOMPARE(ReadAll(path), expected);
    }

    void cp932TwinsAndUnmappable() {
        // 〜 U+301C, − U+2212, ‖ U+2016 and ¥ U+00A5 have CP932 twins; Hangul 가 has none.
        insert(
            u"(1, 'A〜−‖¥가B', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            u"'가', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"_s);
        const QString path = out("twins.csv");
        const CsvExportResult r = exportTo(path);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.unmappable, 2);
        const QByteArray line =
            QByteArray("A\x81\x60\x81\x7C\x81\x61\x81\x8F?B") + ",,,,0,0,0,,,,,,?,,,,," + "\r\n";
        QCOMPARE(ReadAll(path), Sjis(kHeader) + line);
    }

    void emptyTableGivesZeroBytes() {
        const QString path = out("empty.csv");
        WriteAll(path, "old contents\r\n");
        const CsvExportResult r = exportTo(path);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.rows, 0);
        QVERIFY(QFile::exists(path));
        QCOMPARE(ReadAll(path), QByteArray());
    }

    void askingPriceNotGiven() {
        // Null (saved now) and 0 (saved before) are one thing: 0 in the Shift_JIS file, as every
        // such row was written before; empty in the UTF-8 one.
        insert(
            u"(1, NULL, NULL, NULL, NULL, NULL, 0, 50000000000, NULL, NULL, NULL, NULL, NULL, "
            u"NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"_s);
        const QString sjis = out("asking.csv");
        QVERIFY(exportTo(sjis).ok);
        QCOMPARE(ReadAll(sjis), Sjis(kHeader) + ",,,,0,0,5000000,,,,,,,,,,,\r\n");
        const QString utf8 = out("asking-utf8.csv");
        QVERIFY(exportTo(utf8, CsvUtf8()).ok);
        QCOMPARE(ReadAll(utf8), QByteArray("\xEF\xBB\xBF") + kReadableHeader.toUtf8() +
                                    ",,,,,,\"5,000,000\",,,,,,,,,,,,1,,,,,\r\n");
    }

    // --- The UTF-8 format ----------------------------------------------------------------

    void utf8BytesAndFormulaGuard() {
        // Commas, quotes, a line break and 𠮷 (outside CP932); texts that a spreadsheet would run
        // as formulas; a negative number, which stays a number.
        insert(
            u"(1, '大阪市北区1,2丁目 \"梅田\"ビル𠮷', 10.0, 10000, 20000, NULL, NULL, NULL, "
            u"NULL, '=HYPERLINK(\"x\")', '-山田', '+81-3-1234', "
            u"'一行目' || char(13) || char(10) || '二行目', NULL, NULL, -0.012, NULL, "
            u"'2001-04-01', NULL, NULL, NULL)"_s);
        insert(
            u"(2, '@横浜', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            u"char(9) || 'タブ', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"_s);

        const QString path = out("utf8.csv");
        const CsvExportResult r = exportTo(path, CsvUtf8());
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.rows, 2);
        QCOMPARE(r.unmappable, 0);
        const QByteArray expected =
            QByteArray("\xEF\xBB\xBF") + kReadableHeader.toUtf8() +
            u"\"大阪市北区1,2丁目 \"\"梅田\"\"ビル𠮷\",10.00,1,2,,,,3,,\"'=HYPERLINK(\"\"x\"\")\","
            u"\"'-山田\",\"'+81-3-1234\",\"一行目\r\n二行目\",,,-1.2,,2001/04/01,1,,,,,\r\n"
            u"\"'@横浜\",,,,,,,,,,,,\"'\tタブ\",,,,,,2,,,,,\r\n"_s.toUtf8();
        QCOMPARE(ReadAll(path), expected);

        // The Shift_JIS file of the same rows: the same guards (the negative number still a
        // number), records apart by a lone CR, 𠮷 as '?'.
        const QString sjisPath = out("sjis.csv");
        const CsvExportResult s = exportTo(sjisPath);
        QVERIFY2(s.ok, qPrintable(s.error));
        QCOMPARE(s.unmappable, 1);
        QCOMPARE(ReadAll(sjisPath),
                 Sjis(kHeader) + Sjis(u"\"大阪市北区1,2丁目 \"\"梅田\"\"ビル"_s) + "?\"" +
                     Sjis(u",10,1,2,0,0,0,3,,\"'=HYPERLINK(\"\"x\"\")\",\"'-山田\",\"'+81-3-1234\","
                          u"\"一行目\r\n二行目\",,,-0.012,,2001/04/"
                          u"01\r\"'@横浜\",,,,0,0,0,,,,,,\"'\tタブ\","
                          u",,,,\r\n"_s));
    }

    void utf8ReadsAsTheWindowsShow() {
        // A whole property: the estimate 44,230,159.43 + 9,804,078.40, asking 60 million; a
        // structure named by the reference database. And one whose stored 0 asking price and
        // odd values stay readable.
        exec(
            u"INSERT INTO 物件情報 (物件ID, 住所, 敷地面積, 敷地評価額, 家屋評価額, "
            u"合計販売価格, 国税路線価, 坪単価, 延床面積, 年間地価変動率, 家屋建築年月日, "
            u"評価年月日, 画地補正率, 家屋構造CD) VALUES "
            u"(7, '東京都調布市', 1234.5, 442301594300, 98040784000, 600000000000, 2500000000, "
            u"612345.5, 30.254, 0.023, '2001-04-01', '2026-12-07', 1, 3), "
            u"(8, NULL, 99, NULL, 1000000, 0, NULL, 500000, 20, -0.005, 'soon', '2026-12-07', "
            u"1, NULL)"_s);
        std::vector<qint32> asked;
        const StructureNamer names = [&asked](qint32 code) {
            asked.push_back(code);
            return code == 0 ? u"構造未設定"_s : u"鉄骨造"_s;
        };
        const QString path = out("readable.csv");
        const CsvExportResult r = exportTo(path, CsvUtf8(), names);
        QVERIFY2(r.ok, qPrintable(r.error));
        const QList<QByteArray> lines = ReadAll(path).split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(QString::fromUtf8(lines[1]),
                 u"東京都調布市,\"1,234.50\",\"44,230,159\",\"9,804,078\",,,\"60,000,000\","
                 u"\"54,034,238\",\"250,000\",,,,,\"612,346\",30.25,2.3,,2001/04/01,7,2026/12/07,"
                 u"鉄骨造,25,111.04,\"5,965,762\"\r"_s);
        // No asking price: no ratio and no difference; a build date that is not a date gives no
        // age, though the house has a structure (none chosen, valued as wood).
        QCOMPARE(
            QString::fromUtf8(lines[2]),
            u",99.00,,100,,,,,,,,,,\"500,000\",20.00,-0.5,,soon,8,2026/12/07,構造未設定,,,\r"_s);
        QCOMPARE(asked, (std::vector<qint32>{3, 0}));

        // The Shift_JIS file of the same rows keeps the stored forms.
        const QString sjis = out("same.csv");
        QVERIFY(exportTo(sjis).ok);
        QVERIFY(ReadAll(sjis).contains(",1234.5,44230159.43,9804078.4,0,0,60000000,"));
    }

    void extensionAddedAndAskedOnce() {
        insert(
            u"(1, '東京', 1.0, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            u"NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"_s);
        QCOMPARE(CsvTargetPath(u"/d.v1/list"_s), u"/d.v1/list.csv"_s);  // the folder's dot aside
        QCOMPARE(CsvTargetPath(u"/d/list.txt"_s), u"/d/list.txt"_s);

        // A bare name in the UTF-8 format: written to name.csv, and the name is remembered so.
        ModGlobal g;
        g.UsrDbPath = dbPath_;
        test::ScriptedUi ui;
        const QString bare = out("物件一覧");
        ui.files.push_back(bare);
        ui.filters.push_back(u"CSV（UTF-8） (*.csv)"_s);
        RunCsvExport(g, ui, nullptr);
        QVERIFY(ReadAll(bare + u".csv"_s).startsWith("\xEF\xBB\xBF\"住所\""));
        QCOMPARE(g.Bukken.CsvFile, bare + u".csv"_s);
        QVERIFY(ui.texts().at(0).endsWith(u".csv\r形式：CSV（UTF-8）"_s));

        // The same bare name again: the file with ".csv" exists, and is asked about once.
        ui.clear();
        ui.files.push_back(bare);
        ui.answers.push_back(Answer::No);
        RunCsvExport(g, ui, nullptr);
        QCOMPARE(ui.texts(), QStringList{u"同じ名前のファイルが存在します。上書きしますか"_s});
        QVERIFY(ui.unexpected.isEmpty() && !QFile::exists(bare));
    }

    // --- The menu command ----------------------------------------------------------------

    void overwriteQuestionNoKeepsFile() {
        insert(
            u"(1, '東京', 1.0, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            u"NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"_s);
        const QString path = out("existing.csv");
        const QByteArray old("\x00\x01 keep me \r\n\x82\xA0", 15);
        WriteAll(path, old);

        ModGlobal g;
        g.UsrDbPath = dbPath_;
        test::ScriptedUi ui;
        ui.files.push_back(path);
        ui.answers.push_back(Answer::No);
        RunCsvExport(g, ui, nullptr);

        QCOMPARE(ReadAll(path), old);
        QCOMPARE(ui.shown.size(), size_t(1));
        QCOMPARE(ui.shown[0].text, u"同じ名前のファイルが存在します。上書きしますか"_s);
        QCOMPARE(ui.shown[0].icon, MsgIcon::Question);
        QCOMPARE(ui.shown[0].caption, u"いえねだん帳"_s);
        QVERIFY(ui.shown[0].isQuestion);
        QVERIFY(ui.unexpected.isEmpty());
        QVERIFY(!g.UsrDbCon.isOpen());

        // Yes writes it, and the next export offers the same name.
        ui.clear();
        ui.files.push_back(path);
        ui.answers.push_back(Answer::Yes);
        RunCsvExport(g, ui, nullptr);
        QVERIFY(ui.unexpected.isEmpty());
        // The question, then one message: how many, where, in which format.
        QCOMPARE(ui.shown.size(), size_t(2));
        QCOMPARE(ui.shown[1].text,
                 u"1件の物件を書き出しました。\rファイル：%1\r形式：CSV（Excel用 Shift_JIS）"_s.arg(
                     QDir::toNativeSeparators(path)));
        QCOMPARE(ui.shown[1].icon, MsgIcon::Information);
        QCOMPARE(ReadAll(path), Sjis(kHeader) + Sjis(u"東京,1,,,0,0,0,,,,,,,,,,,"_s) + "\r\n");
        QCOMPARE(ui.choosers.size(), size_t(1));
        QVERIFY(ui.choosers[0].save);
        QCOMPARE(ui.choosers[0].initialPath, path);
        // Shift_JIS is offered first, UTF-8 beside it.
        QCOMPARE(ui.choosers[0].offeredFilter, u"CSV（Excel用 Shift_JIS） (*.csv)"_s);
        QVERIFY(ui.choosers[0].filter.contains(u"CSV（UTF-8） (*.csv)"_s));
        QVERIFY(!g.UsrDbCon.isOpen());
    }

    void newFileNoQuestionAndCancelKeepsName() {
        ModGlobal g;
        g.UsrDbPath = dbPath_;
        g.Bukken.CsvFile = u"/somewhere/last.csv"_s;
        test::ScriptedUi ui;
        ui.files.push_back(QString());  // cancelled
        RunCsvExport(g, ui, nullptr);
        QVERIFY(ui.shown.empty());
        QCOMPARE(g.Bukken.CsvFile, u"/somewhere/last.csv"_s);
        QCOMPARE(ui.choosers.at(0).initialPath, u"/somewhere/last.csv"_s);

        const QString path = out("fresh.csv");
        ui.files.push_back(path);
        RunCsvExport(g, ui, nullptr);
        QCOMPARE(ui.shown.size(), size_t(1));  // no file of that name yet: no question
        QVERIFY(!ui.shown[0].isQuestion);
        QVERIFY(ui.unexpected.isEmpty());
        QCOMPARE(g.Bukken.CsvFile, path);
        QCOMPARE(ReadAll(path), QByteArray());  // empty table
    }

    void unmappableCountTold() {
        insert(
            u"(1, '가나', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            u"NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"_s);
        ModGlobal g;
        g.UsrDbPath = dbPath_;
        test::ScriptedUi ui;
        ui.files.push_back(out("hangul.csv"));
        RunCsvExport(g, ui, nullptr);
        QCOMPARE(ui.shown.size(), size_t(1));
        QCOMPARE(ui.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY2(ui.shown[0].text.contains(u"2文字"_s), qPrintable(ui.shown[0].text));
        QCOMPARE(ReadAll(out("hangul.csv")),
                 Sjis(kHeader) + QByteArray("??,,,,0,0,0,,,,,,,,,,,\r\n"));
    }

    void mainWindowMenu() {
        // The menu entry of the main window runs the same command, on the program's own database.
        test::TestFolder folder;
        QVERIFY(folder.isValid());
        test::ScriptedUi ui;
        ui.tempDir = folder.tempPath();
        ModGlobal g;
        g.ProgramFolder = folder.path();
        FrmMain w(g, ui, FrmMain::Options{false, test::InstanceName(folder)});
        QVERIFY(w.startUp());
        ui.clear();

        const QString path = out("menu.csv");
        const QByteArray old("untouched\r\n");
        WriteAll(path, old);
        ui.files.push_back(path);
        ui.answers.push_back(Answer::No);
        w.mnuExport_Click();
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(ui.texts(), QStringList{u"同じ名前のファイルが存在します。上書きしますか"_s});

        ui.files.push_back(path);
        ui.answers.push_back(Answer::Yes);
        w.mnuExport_Click();
        QCOMPARE(ReadAll(path), QByteArray());  // the fresh user database has no rows
        QCOMPARE(ui.choosers.at(1).initialPath, path);
        QVERIFY(ui.unexpected.isEmpty());

        // A reset of the record (after a save) forgets the name.
        ModClearGlobal(g.Bukken);
        ui.files.push_back(QString());
        w.mnuExport_Click();
        QCOMPARE(ui.choosers.at(2).initialPath, QString());
    }

    // --- Failures ------------------------------------------------------------------------

    void missingFolderReported() {
        ModGlobal g;
        g.UsrDbPath = dbPath_;
        test::ScriptedUi ui;
        const QString path = dir_.filePath(u"no-such-folder/x.csv"_s);
        ui.files.push_back(path);
        RunCsvExport(g, ui, nullptr);
        QCOMPARE(ui.shown.size(), size_t(1));
        QCOMPARE(ui.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(ui.shown[0].caption, u"いえねだん帳"_s);
        QVERIFY(ui.shown[0].text.startsWith(u"エクスポートに失敗しました。\r"_s));
        QVERIFY(ui.shown[0].text.contains(path));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!g.UsrDbCon.isOpen());
    }

    void diskFullLeavesOldFile() {
        // 300 rows make a file of well over 4 KB; the process may write no more than 4 KB.
        QString values;
        for (int i = 1; i <= 300; ++i) {
            if (i > 1)
                values += u',';
            values +=
                u"(%1, '東京都新宿区西新宿二丁目8番1号', 165.29, 300000000000, 120000000000, "
                u"NULL, NULL, NULL, 4500000000, NULL, NULL, NULL, NULL, 550000.0, 35.5, "
                u"-0.012, 0, '1998-10-20', NULL, NULL, NULL)"_s.arg(i);
        }
        insert(values);
        const QString path = out("full.csv");
        const QByteArray old("previous export\r\n");
        WriteAll(path, old);

        ModGlobal g;
        g.UsrDbPath = dbPath_;
        test::ScriptedUi ui;
        ui.files.push_back(path);
        ui.answers.push_back(Answer::Yes);

        {
            test::FileSizeLimit limit(4096);
            QVERIFY(limit.ok());
            RunCsvExport(g, ui, nullptr);
        }

        QCOMPARE(ui.shown.size(), size_t(2));
        QCOMPARE(ui.shown[1].icon, MsgIcon::Critical);
        // The cause as the system names it, not Qt's "Unknown error" of a short write.
        QCOMPARE(ui.shown[1].text, u"エクスポートに失敗しました。\rファイルに書き込めません。\r"_s +
                                       QDir::toNativeSeparators(path) + u'\r' +
                                       QString::fromLocal8Bit(std::strerror(EFBIG)) + u'。');
        QCOMPARE(ReadAll(path), old);
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir_.path()).entryList({u"full.csv*"_s}, QDir::Files).size(), 1);
        QVERIFY(!g.UsrDbCon.isOpen());
    }

    void fullDiskNamed() {
        QString values;
        for (int i = 1; i <= 100; ++i) {
            values += (i > 1 ? u","_s : QString()) +
                      u"(%1, '東京都新宿区西新宿二丁目8番1号', 165.29, 300000000000, NULL, NULL, "
                      u"NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
                      u"NULL, NULL, NULL)"_s.arg(i);
        }
        insert(values);
        db::Connection con;
        con.setConnectionString(ConnectionString(dbPath_));
        con.open();
        FullDevice device;
        QVERIFY(device.open(QIODevice::WriteOnly));
        const CsvExportResult r = WriteCsv(con, device, out("full.csv"));
        QVERIFY(!r.ok);
        QVERIFY(r.writeFailed);
        QCOMPARE(r.error, u"ファイルに書き込めません。\r"_s +
                              QDir::toNativeSeparators(out("full.csv")) +
                              u"\rディスクの空き容量が足りません。"_s);
    }

    void nulNeverReachesTheFile() {
        // Written by an older version that let a NUL through into the memo texts.
        insert(
            u"(1, 'A' || char(0) || 'B', NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            u"char(0), NULL, NULL, '備' || char(0) || '考', NULL, NULL, NULL, NULL, NULL, NULL, "
            u"NULL, NULL)"_s);
        const QString path = out("nul.csv");
        QVERIFY(exportTo(path).ok);
        const QByteArray bytes = ReadAll(path);
        QVERIFY(!bytes.contains('\0'));
        QVERIFY(bytes.endsWith(Sjis(u"AB,,,,0,0,0,,,,,,備考,,,,,\r\n"_s)));
    }

    void databaseErrorLeavesOldFile() {
        exec(u"ALTER TABLE 物件情報 RENAME TO 物件情報_old"_s);
        const QString path = out("dberror.csv");
        const QByteArray old("keep\r\n");
        WriteAll(path, old);
        const CsvExportResult r = exportTo(path);
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(u"データベース"_s), qPrintable(r.error));
        QCOMPARE(ReadAll(path), old);
        exec(u"ALTER TABLE 物件情報_old RENAME TO 物件情報"_s);
    }

    void programsOwnFilesRefused() {
        // Each of the files the program holds, named as it is, by another spelling, through a
        // symbolic link and through a hard link: refused, with nothing asked and nothing written.
        ModGlobal g;
        g.UsrDbPath = dbPath_;
        g.SysDbPath = out("Morinaxis_s.mdb");
        g.IniFilePath = out("Morinaxis.ini");
        g.Bukken.PicTempFile = out("~ph1.tmp");
        for (const QString& file : {g.SysDbPath, g.IniFilePath, g.Bukken.PicTempFile})
            WriteAll(file, file.toUtf8());
        QVERIFY(QFile::link(g.SysDbPath, out("link.csv")));
        QCOMPARE(
            ::link(QFile::encodeName(g.Bukken.PicTempFile), QFile::encodeName(out("hard.csv"))), 0);
        const QByteArray usr = ReadAll(dbPath_);
        for (const QString& target :
             {dbPath_, out("link.csv"), dir_.path() + u"/./Morinaxis.ini"_s, out("hard.csv")}) {
            test::ScriptedUi ui;
            ui.files.push_back(target);
            RunCsvExport(g, ui, nullptr);
            QCOMPARE(ui.shown.size(), size_t(1));
            QVERIFY2(!ui.shown[0].isQuestion &&
                         ui.shown[0].text.contains(QDir::toNativeSeparators(target) + u'\r'),
                     qPrintable(ui.shown[0].text));
        }
        QCOMPARE(ReadAll(dbPath_), usr);
        for (const QString& file : {g.SysDbPath, g.IniFilePath, g.Bukken.PicTempFile})
            QCOMPARE(ReadAll(file), file.toUtf8());
    }

    void unopenableDatabaseAbandons() {
        ModGlobal g;
        g.UsrDbPath = dir_.filePath(u"missing.mdb"_s);
        test::ScriptedUi ui;
        const QString path = out("never.csv");
        ui.files.push_back(path);
        RunCsvExport(g, ui, nullptr);
        QCOMPARE(ui.shown.size(), size_t(1));
        QCOMPARE(ui.shown[0].icon, MsgIcon::Critical);
        QVERIFY(ui.shown[0].text.endsWith(u"への接続失敗"_s));
        QVERIFY(!QFile::exists(path));
    }

    void quotingRule() {
        QCOMPARE(CsvField(u"plain 値"_s), u"plain 値"_s);
        QCOMPARE(CsvField(QString()), QString());
        QCOMPARE(CsvField(u"a,b"_s), u"\"a,b\""_s);
        QCOMPARE(CsvField(u"say \"hi\""_s), u"\"say \"\"hi\"\"\""_s);
        QCOMPARE(CsvField(u"a\rb"_s), u"\"a\rb\""_s);
        QCOMPARE(CsvField(u"a\nb"_s), u"\"a\nb\""_s);
    }
};

QTEST_MAIN(TestCsv)
#include "tst_records_csv.moc"
