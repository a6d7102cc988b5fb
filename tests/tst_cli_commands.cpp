// The command line against the windows: the same figures as the worksheet for the same inputs,
// the same CSV bytes as the export menu, the same report pages as the list's print; its input
// formats, its exit codes, and a run with no display at all.
#include "app/CsvExportCommand.h"
#include "app/FrmMain.h"
#include "cli/CommandLine.h"
#include "cli/PropertyValuer.h"
#include "cli/ValueReader.h"
#include "common/Cp932.h"
#include "platform/DateInput.h"
#include "records/CalcBreakdown.h"
#include "records/CsvExport.h"
#include "records/FrmData.h"
#include "state/ModGlobal.h"
#include "support/FakeReportPrinter.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"
#include "valuation/RateLookup.h"

#include <QBuffer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace ie;
using namespace Qt::StringLiterals;
using ie::test::ExecSql;
using ie::test::ReadAll;
using ie::test::TestFolder;

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QString err;
};

// The program copied into a portable folder of the test's own (beside its databases), started
// with nothing of the caller's environment: no display, no platform chosen.
class Program {
public:
    Program() {
        QFile::copy(QStringLiteral(IE_BIN_DIR "/ienedancho"), folder.file(u"ienedancho"_s));
    }
    Run run(const QStringList& args, const QByteArray& input = QByteArray()) const {
        QProcess p;
        QProcessEnvironment env;
        env.insert(u"PATH"_s, u"/usr/bin:/bin"_s);
        env.insert(u"HOME"_s, folder.path());
        env.insert(u"LANG"_s, u"C.UTF-8"_s);
        env.insert(u"ASAN_OPTIONS"_s, u"detect_leaks=0"_s);
        p.setProcessEnvironment(env);
        p.start(folder.file(u"ienedancho"_s), args);
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }
    TestFolder folder;
};

// The records of JSON lines output as key -> value texts.
QList<QVariantMap> JsonLines(const QByteArray& out) {
    QList<QVariantMap> rows;
    for (const QByteArray& line : out.split('\n')) {
        if (!line.isEmpty())
            rows << QJsonDocument::fromJson(line).object().toVariantMap();
    }
    return rows;
}

QString Digits(const QString& shown) {
    return QString(shown).remove(u',');
}

void InsertProperties(const QString& db) {
    QVERIFY(ExecSql(db,
                    u"INSERT INTO 物件情報 (物件ID, 住所, 国税路線価, 敷地面積, 画地補正率, "
                    u"敷地評価額, 家屋評価額, 合計販売価格, 家屋建築年月日, 評価年月日, 備考) "
                    u"VALUES (1, '東京都世田谷区桜新町一丁目', 1000000000, 150, 1, "
                    u"187500000000, 103965000000, 300000000000, '2015-04-01', '2026-12-06', "
                    u"'=南向き, \"角地\"'), (2, 'ｶﾅ〜−', NULL, NULL, NULL, NULL, NULL, NULL, "
                    u"NULL, NULL, NULL), (5, '京都府京都市', 850000000, 123, 0.9, "
                    u"110030764856, NULL, 100000000000, NULL, '2027-03-11', NULL)"_s));
}

}  // namespace

class TestCliCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void value_sameAsWorksheet_data();
    void value_sameAsWorksheet();
    void value_refusedRowAmongGoodOnes();
    void value_csvEncodings_data();
    void value_csvEncodings();
    void value_brokenArrayStopsOnCompleteRecord();
    void valuer_guardsRefuse_data();
    void valuer_guardsRefuse();
    void valuer_defaultsAreTheWindows();
    void reader_jsonShapes();
    void exitCodes_data();
    void exitCodes();
    void writeFailureLeavesNoFile();
    void export_sameBytesAsMenu();
    void report_samePagesAsListPrint();
    void report_pdfWithoutDisplay();
    void list_figuresOfTheList();
};

// ---- value ------------------------------------------------------------------------------------

void TestCliCommands::value_sameAsWorksheet_data() {
    QTest::addColumn<QString>("rosenka");
    QTest::addColumn<QString>("area");
    QTest::addColumn<double>("factor");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QDate>("valued");
    QTest::addColumn<QString>("tsubo");
    QTest::addColumn<QString>("floor");
    QTest::addColumn<int>("structure");
    QTest::addColumn<QDate>("built");
    // The worked examples of the land calculation (road-price year 2025): 500 and 800 days on.
    QTest::newRow("rise 2 %") << u"100,000"_s << u"150"_s << 1.0 << u"2"_s << QDate(2026, 5, 16)
                              << QString() << QString() << 0 << QDate();
    QTest::newRow("fall 3 %, factor 0.9")
        << u"85,000"_s << u"123"_s << 0.9 << u"-3"_s << QDate(2027, 3, 11) << QString() << QString()
        << 0 << QDate();
    QTest::newRow("decimal area") << u"200,000"_s << u"132.23"_s << 1.0 << u"0"_s
                                  << QDate(2025, 1, 11) << QString() << QString() << 0 << QDate();
    // The house's worked example on the shipped table (age 11), alone and with land.
    QTest::newRow("house") << QString() << QString() << 1.0 << QString() << QDate(2026, 12, 6)
                           << u"500000"_s << u"30"_s << 0 << QDate(2015, 4, 1);
    QTest::newRow("both, structure 3, ㎡")
        << u"100,000"_s << u"150"_s << 1.0 << u"0"_s << QDate(2026, 12, 6) << u"650000"_s
        << u"100㎡"_s << 3 << QDate(1998, 7, 1);
}

// Both the worksheet (its buttons) and `ienedancho value` value the same inputs; the command's
// whole yen are the worksheet's texts.
void TestCliCommands::value_sameAsWorksheet() {
    QFETCH(QString, rosenka);
    QFETCH(QString, area);
    QFETCH(double, factor);
    QFETCH(QString, rate);
    QFETCH(QDate, valued);
    QFETCH(QString, tsubo);
    QFETCH(QString, floor);
    QFETCH(int, structure);
    QFETCH(QDate, built);

    Program program;
    test::RunningProgram window(program.folder);
    QVERIFY(window.start());
    FrmMain& w = *window.w;
    const auto field = [&w](const char* name) {
        return w.findChild<QLineEdit*>(QLatin1String(name));
    };
    const auto date = [&w](const char* name) {
        return w.findChild<DateInput*>(QLatin1String(name));
    };
    BukkenJoho& b = window.g.Bukken;
    b.RosenkaNendo = QDate(2025, 1, 1);
    date("imDateRosen")->setValue(b.RosenkaNendo);
    b.HyokaDate = valued;
    date("imDateHyoka")->setValue(valued);
    // What the lot-factor and structure dialogs leave in the record.
    b.KakutiHoseiRitu = factor;
    b.KaokuKozoCD = structure;
    QJsonObject in{{u"id"_s, u"x"_s},
                   {u"road_price_year"_s, u"2025"_s},
                   {u"valuation_date"_s, valued.toString(Qt::ISODate)}};
    if (!rosenka.isEmpty()) {
        field("TxtRosenka")->setText(rosenka);
        field("TxtTotiMenseki")->setText(area);
        field("TxtJiten")->setText(rate);
        QTest::mouseClick(w.findChild<QPushButton*>(u"CmdCalcLandPrise"_s), Qt::LeftButton);
        in.insert(u"rosenka"_s, rosenka);
        in.insert(u"land_area"_s, area.toDouble());
        in.insert(u"change_rate"_s, rate.toDouble());
        in.insert(u"lot_factor"_s, factor);
    }
    if (!tsubo.isEmpty()) {
        b.KaokuDate = built;
        date("imDateKaoku")->setValue(built);
        field("TxtKaokuTuboTanka")->setText(tsubo);
        field("TxtKaokuTateTubo")->setText(floor);
        QTest::mouseClick(w.findChild<QPushButton*>(u"CmdKaokuKeisan"_s), Qt::LeftButton);
        in.insert(u"tsubo_price"_s, tsubo);
        if (floor.endsWith(u'㎡'))
            in.insert(u"floor_area_m2"_s, floor.chopped(1).toDouble());
        else
            in.insert(u"floor_area_tsubo"_s, floor);
        in.insert(u"built"_s, built.toString(Qt::ISODate));
        if (structure)
            in.insert(u"structure"_s, structure);
    }
    QVERIFY2(window.ui.shown.empty(), qPrintable(window.ui.texts().join(u'\n')));
    QVERIFY(!field("TxtGokeiKakaku")->text().isEmpty());

    const Run r = program.run({u"value"_s}, QJsonDocument(in).toJson(QJsonDocument::Compact));
    QCOMPARE(r.code, 0);
    const QList<QVariantMap> rows = JsonLines(r.out);
    QCOMPARE(rows.size(), 1);
    const QVariantMap& got = rows[0];
    const auto text = [&got](const char* key) {
        const QVariant v = got.value(QLatin1String(key));
        return v.isNull() ? QString() : QString::number(v.toLongLong());
    };
    QCOMPARE(text("land_value"), Digits(field("TxtTotiKakaku")->text()));
    QCOMPARE(text("house_value"), Digits(field("TxtKaokuKakaku")->text()));
    QCOMPARE(text("total"), Digits(field("TxtGokeiKakaku")->text()));
    QCOMPARE(got.value(u"id"_s).toString(), u"x"_s);
}

// A bad row is told with its line and skipped; the rows around it are valued; the road price under
// 1,000 is valued as given with the unit guard's text; an unknown key is a warning.
void TestCliCommands::value_refusedRowAmongGoodOnes() {
    Program program;
    const Run r = program.run(
        {u"value"_s, u"-"_s},
        "{\"id\":\"a\",\"rosenka\":100000,\"land_area\":150,\"asking_total\":\"15,000,000\"}\n"
        "{\"id\":\"b\",\"rosenka\":\"十万\",\"land_area\":150}\n"
        "\n"
        "{\"id\":\"c\",\"rosenka\":250,\"land_area\":100,\"colour\":\"red\"}\n"
        "{\"id\":\"d\",\"floor_area_tsubo\":30,\"built\":\"2015-04-01\"}\n");
    QCOMPARE(r.code, 65);
    const QList<QVariantMap> rows = JsonLines(r.out);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].value(u"land_value"_s).toLongLong(), 18750000);
    // 15,000,000 / 18,750,000.
    QCOMPARE(rows[0].value(u"sales_ratio"_s).toDouble(), 80.0);
    QCOMPARE(rows[1].value(u"id"_s).toString(), u"c"_s);
    QCOMPARE(rows[1].value(u"land_value"_s).toLongLong(), 31250);
    QVERIFY(rows[1].value(u"warnings"_s).toStringList().at(0).contains(u"250円/㎡"_s));
    QVERIFY2(r.err.contains(u"行 2: rosenka: 「十万」は数値ではありません。"_s), qPrintable(r.err));
    QVERIFY(r.err.contains(u"行 4: キー「colour」"_s));
    QVERIFY(r.err.contains(u"行 5: tsubo_price:"_s));
}

void TestCliCommands::value_csvEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QString text =
        u"id,rosenka,land_area,memo\r\n\"世田谷, 角地\",\"100,000\",150,\r\n"
        u"\"二行\n目\",85000,,\r\n"_s;
    QTest::newRow("UTF-8") << text.toUtf8();
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QTest::newRow("CP932") << cp932::Encode(text);
}

// One reader for every encoding: the same requests, quoted commas and line breaks kept, an empty
// cell absent, a column the command does not know named.
void TestCliCommands::value_csvEncodings() {
    QFETCH(QByteArray, bytes);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    cli::ValueReader reader(buffer);
    cli::InputRecord rec;
    QVERIFY(reader.next(rec));
    QCOMPARE(reader.unknownColumns(), QStringList{u"memo"_s});
    QCOMPARE(rec.line, 2);
    QCOMPARE(rec.request.id, u"世田谷, 角地"_s);
    QCOMPARE(rec.request.rosenka, u"100,000"_s);
    QCOMPARE(rec.request.landArea, u"150"_s);
    QVERIFY(rec.error.isEmpty());
    QVERIFY(reader.next(rec));
    QCOMPARE(rec.line, 3);
    QCOMPARE(rec.request.id, u"二行\n目"_s);
    QCOMPARE(rec.request.landArea, std::nullopt);
    QVERIFY(!reader.next(rec));
    QVERIFY(reader.fatal().isEmpty());
}

// A document broken in its third element: two results, each whole, then the place of the fault.
void TestCliCommands::value_brokenArrayStopsOnCompleteRecord() {
    Program program;
    const Run r = program.run({u"value"_s, u"--format"_s, u"csv"_s},
                              "[\n  {\"id\": \"a\", \"rosenka\": 100000, \"land_area\": 150},\n"
                              "  {\"id\": \"b\", \"rosenka\": 90000, \"land_area\": 100},\n"
                              "  {\"id\": \"c\", \"rosenka\": 80000 \"land_area\": 90},\n"
                              "  {\"id\": \"d\", \"rosenka\": 70000, \"land_area\": 90}\n]\n");
    QCOMPARE(r.code, 65);
    QCOMPARE(r.out, QByteArray("id,lot_factor,land_value,house_value,total,sales_ratio,warnings\n"
                               "a,1,18750000,,18750000,,\n"
                               "b,1,11250000,,11250000,,\n"));
    // Where Qt's reader gave up, and that nothing after it was read.
    QVERIFY2(r.err.contains(QRegularExpression(u"^4行 3\\d列: .+。以降は読みません。$"_s,
                                               QRegularExpression::MultilineOption)),
             qPrintable(r.err));
}

// ---- the valuer and the reader, in the test's process ----------------------------------------

namespace {

// A valuer over the shipped reference database, today fixed.
struct ValuerFixture {
    TestFolder folder;
    ModGlobal g;
    ValuerFixture() {
        g.SysDbPath = folder.sysDb();
        OpenSysDb(g);
    }
    cli::ValueOutcome value(const QDate& today, const cli::ValueRequest& in) {
        return cli::PropertyValuer(g, today).value(in);
    }
};

cli::ValueRequest Land(const QString& rosenka, const QString& area) {
    cli::ValueRequest r;
    r.rosenka = rosenka;
    r.landArea = area;
    return r;
}

}  // namespace

void TestCliCommands::valuer_guardsRefuse_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("said");
    QTest::newRow("valued before the road-price year")
        << u"valuation_date"_s << u"2024-12-31"_s << u"valuation_date: 評価日に路線価年度より"_s;
    QTest::newRow("not a date") << u"valuation_date"_s << u"2026/05/01"_s
                                << u"valuation_date: 「2026/05/01」は日付"_s;
    QTest::newRow("future road-price year")
        << u"road_price_year"_s << u"2027"_s << u"road_price_year: 未来の年度"_s;
    QTest::newRow("rate beyond 99 %")
        << u"change_rate"_s << u"120"_s << u"change_rate: 地価変動率は(-99%～99%)"_s;
    QTest::newRow("rate no number")
        << u"change_rate"_s << u"2%"_s << u"change_rate: 「2%」は数値"_s;
    QTest::newRow("factor 0") << u"lot_factor"_s << u"0"_s << u"lot_factor: "_s;
    QTest::newRow("area 0") << u"land_area"_s << u"0"_s << u"land_area: 「0」は0より大きい"_s;
    QTest::newRow("built in the future")
        << u"built"_s << u"2026-12-08"_s << u"built: 家屋建築日に未来の日付"_s;
    QTest::newRow("structure 8") << u"structure"_s << u"8"_s << u"structure: 「8」は構造コード"_s;
}

// The window's guards, as refusals naming the key: nothing is valued.
void TestCliCommands::valuer_guardsRefuse() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, said);
    ValuerFixture f;
    cli::ValueRequest in = Land(u"100000"_s, u"150"_s);
    in.roadPriceYear = u"2025"_s;
    in.valuationDate = u"2026-05-16"_s;
    if (key == u"built"_s || key == u"structure"_s) {
        in.floorAreaTsubo = u"30"_s;
        in.built = u"2015-04-01"_s;
        in.structure = u"1"_s;
    }
    in.*cli::FieldOfKey(key) = value;
    const cli::ValueOutcome out = f.value(QDate(2026, 12, 7), in);
    QVERIFY(!out.result);
    QVERIFY2(out.refusal.startsWith(said), qPrintable(out.refusal));
}

// Without dates, the window's: valued today, the road-price year that of today − 180 days (the
// year turns between 29 and 30 June); without a price per tsubo, the structure's reference price.
void TestCliCommands::valuer_defaultsAreTheWindows() {
    ValuerFixture f;
    cli::ValueRequest in = Land(u"100000"_s, u"150"_s);
    in.changeRate = u"2"_s;
    for (const auto& [today, year] :
         {std::pair{QDate(2026, 6, 29), u"2025"_s}, std::pair{QDate(2026, 6, 30), u"2026"_s}}) {
        cli::ValueRequest dated = in;
        dated.roadPriceYear = year;
        dated.valuationDate = today.toString(Qt::ISODate);
        const cli::ValueOutcome byDefault = f.value(today, in);
        const cli::ValueOutcome given = f.value(today, dated);
        QVERIFY(byDefault.result && given.result);
        QCOMPARE(byDefault.result->land, given.result->land);
    }
    QVERIFY(f.value(QDate(2026, 6, 29), in).result->land !=
            f.value(QDate(2026, 6, 30), in).result->land);

    cli::ValueRequest house;
    house.structure = u"3"_s;
    house.floorAreaM2 = u"100"_s;
    house.built = u"1998-07-01"_s;
    house.valuationDate = u"2026-12-06"_s;
    cli::ValueRequest priced = house;
    priced.tsuboPrice = QString::number(ModGetKaokuTuboTanka(f.g, 3), 'f', 0);
    const cli::ValueOutcome a = f.value(QDate(2026, 12, 7), house);
    const cli::ValueOutcome b = f.value(QDate(2026, 12, 7), priced);
    QVERIFY(a.result && b.result);
    QCOMPARE(a.result->house, b.result->house);
    QVERIFY(!a.result->land && !a.result->lotFactor);
    QCOMPARE(a.result->total, *a.result->house);
}

// Objects over several lines one after the other, and an array whose element is no object (a row
// refused, the rest read); null and "" absent, a number kept as written, a true refused.
void TestCliCommands::reader_jsonShapes() {
    QByteArray objects =
        "{\n \"id\": \"a\",\n \"rosenka\": 1.50e5, \"land_area\": null\n}\n"
        "  {\"id\": \"b\\\"c\", \"built\": \"\", \"lot_factor\": true}\n";
    QBuffer one(&objects);
    QVERIFY(one.open(QIODevice::ReadOnly));
    cli::ValueReader reader(one);
    cli::InputRecord rec;
    QVERIFY(reader.next(rec));
    QCOMPARE(rec.line, 1);
    QCOMPARE(rec.request.rosenka, u"1.50e5"_s);
    QCOMPARE(rec.request.landArea, std::nullopt);
    QVERIFY(reader.next(rec));
    QCOMPARE(rec.line, 5);
    QCOMPARE(rec.request.id, u"b\"c"_s);
    QCOMPARE(rec.request.built, std::nullopt);
    QVERIFY(rec.error.startsWith(u"lot_factor: "_s));
    QVERIFY(!reader.next(rec));
    QVERIFY(reader.fatal().isEmpty());

    QByteArray array = "[{\"id\":\"a\"},\n 7,\n {\"id\":\"b\"}]";
    QBuffer many(&array);
    QVERIFY(many.open(QIODevice::ReadOnly));
    cli::ValueReader arrayReader(many);
    QStringList seen;
    while (arrayReader.next(rec))
        seen << QStringLiteral("%1:%2").arg(rec.line).arg(rec.error.isEmpty() ? *rec.request.id
                                                                              : u"refused"_s);
    QCOMPARE(seen, (QStringList{u"1:a"_s, u"2:refused"_s, u"3:b"_s}));
    QVERIFY(arrayReader.fatal().isEmpty());
}

// ---- exit codes -------------------------------------------------------------------------------

void TestCliCommands::exitCodes_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");
    QTest::newRow("help") << QStringList{u"value"_s, u"--help"_s} << 0 << QString();
    QTest::newRow("version") << QStringList{u"--version"_s} << 0 << QString();
    QTest::newRow("list") << QStringList{u"list"_s, u"--format"_s, u"csv"_s} << 0 << QString();
    QTest::newRow("unknown option") << QStringList{u"list"_s, u"--colour"_s} << 64 << u"--colour"_s;
    QTest::newRow("bad format") << QStringList{u"value"_s, u"--format"_s, u"xml"_s} << 64
                                << u"json か csv"_s;
    QTest::newRow("report without output")
        << QStringList{u"report"_s, u"1"_s} << 64 << u"--output"_s;
    QTest::newRow("report of no property")
        << QStringList{u"report"_s, u"9"_s, u"--output"_s, u"r.pdf"_s} << 65 << u"物件ID 9"_s;
    QTest::newRow("missing input")
        << QStringList{u"value"_s, u"nothing.json"_s} << 66 << u"nothing.json"_s;
    QTest::newRow("missing database")
        << QStringList{u"list"_s, u"--database"_s, u"gone.mdb"_s} << 69 << u"gone.mdb"_s;
    QTest::newRow("output folder missing")
        << QStringList{u"export"_s, u"--format"_s, u"utf8"_s, u"--output"_s, u"no/x.csv"_s} << 74
        << u"ファイルに書き込めません。"_s;
}

void TestCliCommands::exitCodes() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, said);
    Program program;
    const Run r = program.run(args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
    if (code == 0)
        QVERIFY(!r.out.isEmpty());
}

// A value run whose file cannot be written: the write failure's text with its cause, exit 74,
// and no file under the name.
void TestCliCommands::writeFailureLeavesNoFile() {
    Program program;
    // A file where the output's folder should be.
    QVERIFY(QFile(program.folder.file(u"blocked"_s)).open(QIODevice::WriteOnly));
    const QString target = program.folder.file(u"blocked/out.csv"_s);
    const Run r = program.run({u"value"_s, u"--output"_s, target},
                              "{\"rosenka\":100000,\"land_area\":150}\n");
    QCOMPARE(r.code, 74);
    QVERIFY2(r.err.contains(u"ファイルに書き込めません。"_s), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QVERIFY(!QFile::exists(target));
}

// ---- export, report, list ---------------------------------------------------------------------

void TestCliCommands::export_sameBytesAsMenu() {
    Program program;
    InsertProperties(program.folder.usrDb());
    for (const CsvFormat* format : {&CsvShiftJis(), &CsvUtf8()}) {
        ModGlobal g;
        g.UsrDbPath = program.folder.usrDb();
        test::ScriptedUi ui;
        const QString menu = program.folder.file(u"menu.csv"_s);
        ui.files.push_back(menu);
        ui.filters.push_back(format->name + u" (*.csv)"_s);
        if (QFile::exists(menu))
            ui.answers.push_back(Answer::Yes);
        RunCsvExport(g, ui, nullptr);
        QVERIFY(ui.unexpected.isEmpty());
        const QString cli = program.folder.file(u"cli.csv"_s);
        const Run r =
            program.run({u"export"_s, u"--format"_s, format == &CsvUtf8() ? u"utf8"_s : u"sjis"_s,
                         u"--output"_s, cli});
        QCOMPARE(r.code, 0);
        QVERIFY(ReadAll(menu).size() > 100);
        QCOMPARE(ReadAll(cli), ReadAll(menu));
    }
}

// The pages of `report` are those the list window prints for the same properties, with the
// breakdown too; a property that is gone is passed over and named.
void TestCliCommands::report_samePagesAsListPrint() {
    TestFolder folder;
    InsertProperties(folder.usrDb());
    const QDate today(2026, 12, 7);
    ModGlobal g;
    g.UsrDbPath = folder.usrDb();
    g.SysDbPath = folder.sysDb();
    test::ScriptedUi ui;
    ui.answers.push_back(Answer::Yes);
    ui.todayValue = today;
    QVERIFY(ModUsrDbOpen(g, ui, nullptr));
    QVERIFY(ModSysDbOpen(g));
    const BukkenJoho windowBase = cli::StartRecord(today);
    test::FakeReportPrinter window;
    QVERIFY(PrintSelectedBukken(nullptr, ui, window, g.UsrDbCon, {5, 1}, windowBase,
                                [&g](const BukkenJoho& rec) { return MakeBreakdown(g, rec); }));
    test::FakeReportPrinter command;
    QStringList failures;
    QVERIFY(cli::PrintProperties(command, g, {5, 4, 1}, true, today, failures));
    QCOMPARE(failures.size(), 1);
    QVERIFY(failures[0].startsWith(u"物件ID 4 の物件"_s));
    QCOMPARE(command.jobPageCounts, window.jobPageCounts);
    QCOMPARE(command.pages.size(), std::size_t(4));
    for (std::size_t i = 0; i < window.pages.size(); ++i)
        QCOMPARE(command.pages[i]->textList(), window.pages[i]->textList());
}

// No display and no platform named: the PDF is written with a page per property.
void TestCliCommands::report_pdfWithoutDisplay() {
    Program program;
    InsertProperties(program.folder.usrDb());
    const QString pdf = program.folder.file(u"r.pdf"_s);
    const Run r = program.run({u"report"_s, u"1"_s, u"2"_s, u"--output"_s, pdf, u"--breakdown"_s});
    QCOMPARE(r.code, 0);
    const QByteArray bytes = ReadAll(pdf);
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                 bytes.count("/Type /Page>") + bytes.count("/Type /Page "),
             4);
}

// The list's own figures: 販売計算比 as a number with two decimals, 差額, 築年数.
void TestCliCommands::list_figuresOfTheList() {
    Program program;
    InsertProperties(program.folder.usrDb());
    const Run r = program.run({u"list"_s});
    QCOMPARE(r.code, 0);
    const QList<QVariantMap> rows = JsonLines(r.out);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].value(u"物件ID"_s).toInt(), 1);
    // 30,000,000 asked for 18,750,000 + 10,396,500 = 29,146,500.
    QCOMPARE(rows[0].value(u"販売計算比"_s).toDouble(), 102.93);
    QCOMPARE(rows[0].value(u"差額"_s).toLongLong(), 853500);
    QCOMPARE(rows[0].value(u"築年数"_s).toInt(), 11);
    QVERIFY(rows[1].value(u"販売計算比"_s).isNull());
    QCOMPARE(rows[1].value(u"住所"_s).toString(), u"ｶﾅ〜−"_s);
}

QTEST_MAIN(TestCliCommands)
#include "tst_cli_commands.moc"
