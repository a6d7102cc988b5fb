// The command line against the windows: the same figures as the worksheet for the same inputs,
// the same CSV bytes as the export menu, the same report pages as the list's print; its input
// formats, its exit codes, and a run with no display at all.
#include "app/CsvExportCommand.h"
#include "app/FrmMain.h"
#include "cli/CommandLine.h"
#include "cli/PropertyValuer.h"
#include "cli/ValueReader.h"
#include "common/Cp932.h"
#include "common/HouseNotes.h"
#include "platform/DateInput.h"
#include "records/CalcBreakdown.h"
#include "records/CsvExport.h"
#include "records/FrmData.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "state/RoadAccess.h"
#include "support/FakeReportPrinter.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"
#include "valuation/LandPrice.h"
#include "valuation/OfficialLotRecord.h"
#include "valuation/OfficialTables.h"
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
                    u"敷地評価額, 家屋評価額, 合計販売価格, 家屋建築年月日, 評価年月日, 備考, "
                    u"坪単価, 延床面積) "
                    u"VALUES (1, '東京都世田谷区桜新町一丁目', 1000000000, 150, 1, "
                    u"187500000000, 103965000000, 300000000000, '2015-04-01', '2026-12-06', "
                    u"'=南向き, \"角地\"', 500000, 30), (2, 'ｶﾅ〜−', NULL, NULL, NULL, NULL, "
                    u"NULL, NULL, NULL, NULL, NULL, NULL, NULL), (5, '京都府京都市', 850000000, "
                    u"123, 0.9, 110030764856, NULL, 100000000000, NULL, '2027-03-11', NULL, NULL, "
                    u"NULL)"_s));
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
    void valuer_costSourceAndAgeCount();
    void reader_jsonShapes();
    void official_sameAsEngineAndWorksheet();
    void official_refusedAsTheDialog_data();
    void official_refusedAsTheDialog();
    void trades_importThenCompare();
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

// The prefecture's building cost and the NTA's age count, as the structure dialog and the setting
// give them, with the house's notes among the warnings.
void TestCliCommands::valuer_costSourceAndAgeCount() {
    ValuerFixture f;
    cli::ValueRequest house;
    house.structure = u"6"_s;  // 軽量鉄骨造, priced from the 鉄骨造 column
    house.floorAreaTsubo = u"30"_s;
    house.built = u"2008-03-15"_s;
    house.valuationDate = u"2026-12-07"_s;
    cli::ValueRequest local = house;
    local.costSource = u"prefecture"_s;
    local.prefecture = u"新潟県"_s;
    cli::ValueRequest typed = house;
    typed.tsuboPrice = QString::number(*ModGetPrefectureTuboTanka(f.g, u"新潟県"_s, 6));
    const cli::ValueOutcome a = f.value(QDate(2026, 12, 7), local);
    const cli::ValueOutcome b = f.value(QDate(2026, 12, 7), typed);
    QVERIFY(a.result && b.result);
    QCOMPARE(a.result->house, b.result->house);
    QVERIFY(a.result->warnings.contains(RemainingRateCaveatText()));

    // 18 years 8 months: 18 by the calendar, 19 by the NTA's count, so less is left.
    cli::ValueRequest nta = local;
    nta.ageCount = u"nta"_s;
    const cli::ValueOutcome c = f.value(QDate(2026, 12, 7), nta);
    QVERIFY(c.result);
    QVERIFY(*c.result->house < *a.result->house);

    cli::ValueRequest fukuoka = local;
    fukuoka.prefecture = u"福岡県"_s;  // no row in the cost table
    QVERIFY(f.value(QDate(2026, 12, 7), fukuoka).refusal.startsWith(u"prefecture"_s));
    cli::ValueRequest wrong = house;
    wrong.ageCount = u"months"_s;
    QVERIFY(f.value(QDate(2026, 12, 7), wrong).refusal.startsWith(u"age_count"_s));
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

// ---- the official way ------------------------------------------------------------------------

namespace {

// Plot 1: 110.45 ㎡, 間口 5.5 m, 奥行 20 m on a 普通住宅 road of 320,000 yen.
cli::ValueRequest PlotOne() {
    cli::ValueRequest in = Land(u"320000"_s, u"110.45"_s);
    in.district = u"普通住宅"_s;
    in.frontage = u"5.5"_s;
    in.depth = u"20"_s;
    in.valuationDate = u"2026-05-16"_s;
    in.roadPriceYear = u"2026"_s;
    return in;
}

// What the dialog and the worksheet make of the same inputs: the engine's result, and the land
// the worksheet values with its factor (and, on the 倍率 path, its 路線価).
struct Worked {
    official::Result lot;
    Currency land;
};
Worked WorkAsTheWindows(ModGlobal& g, const BukkenJoho& inputs, const QString& rosenka,
                        const QString& area) {
    Worked w;
    w.lot = WorkOfficialLot(ReadOfficialTables(g), inputs, rosenka, area);
    BukkenJoho rec = inputs;
    rec.KakutiHoseiRitu = w.lot.lotFactor;
    rec.RosenkaNendo = QDate(2026, 1, 1);
    rec.HyokaDate = QDate(2026, 5, 16);
    const QString road = inputs.MultiplierArea != 0 ? QString::number(w.lot.roadPrice) : rosenka;
    if (!CalcLandPrice(rec, {road, area, u"0"_s}).done())
        return w;
    w.land = rec.TotiKakaku;
    return w;
}

}  // namespace

// The command's figures are the worksheet's: the statement's lines, the factor and the land, on
// a road price and on the 倍率 path; a lot_factor given beside is overridden with a warning, and a
// frontage under 2 m warns as the dialog does.
void TestCliCommands::official_sameAsEngineAndWorksheet() {
    ValuerFixture f;
    const QDate today(2026, 12, 7);

    BukkenJoho plot;
    plot.Frontage = 5.5;
    plot.Depth = 20;
    const Worked expected = WorkAsTheWindows(f.g, plot, u"320000"_s, u"110.45"_s);
    QVERIFY(expected.lot.refusal.isEmpty());
    QCOMPARE(expected.lot.perSqm, 288768);

    cli::ValueRequest in = PlotOne();
    in.lotFactor = u"0.5"_s;
    const cli::ValueOutcome out = f.value(today, in);
    QVERIFY2(out.result, qPrintable(out.refusal));
    QCOMPARE(*out.result->lotFactor, expected.lot.lotFactor);
    QCOMPARE(*out.result->land, expected.land);
    QVERIFY(out.result->official);
    QCOMPARE(out.result->steps.size(), expected.lot.lines.size() + expected.lot.kept.size());
    const auto perSqm = std::find_if(out.result->steps.begin(), out.result->steps.end(),
                                     [](const official::Line& l) { return l.formula.isEmpty(); });
    QVERIFY(perSqm != out.result->steps.end());
    QCOMPARE(perSqm->yen, 288768);
    QVERIFY(!out.result->factors.isEmpty());
    QVERIFY(out.result->warnings.join(u' ').contains(u"lot_factor"_s));

    // Without the official keys the same row is the quick way with the given factor.
    cli::ValueRequest quick = Land(u"320000"_s, u"110.45"_s);
    quick.lotFactor = u"0.5"_s;
    quick.valuationDate = in.valuationDate;
    quick.roadPriceYear = in.roadPriceYear;
    const cli::ValueOutcome q = f.value(today, quick);
    QVERIFY(q.result && !q.result->official);
    QCOMPARE(*q.result->lotFactor, 0.5);

    // 倍率地域: the per-㎡ value from the assessment replaces the road price.
    BukkenJoho assessed;
    assessed.MultiplierArea = 1;
    assessed.AssessedValue = Currency::fromRaw(10'000'000LL * Currency::kScale);
    assessed.MultiplierRate = 1.1;
    const Worked byRate = WorkAsTheWindows(f.g, assessed, QString(), u"110.45"_s);
    QVERIFY(byRate.lot.refusal.isEmpty());
    // 10,000,000 × 1.1 ÷ 110.45, the fraction dropped.
    QCOMPARE(byRate.lot.roadPrice, 99592);
    cli::ValueRequest rate = PlotOne();
    rate.rosenka.reset();
    rate.frontage.reset();
    rate.depth.reset();
    rate.fixedAssetValue = u"10000000"_s;
    rate.multiplier = u"1.1"_s;
    const cli::ValueOutcome r = f.value(today, rate);
    QVERIFY2(r.result, qPrintable(r.refusal));
    QCOMPARE(*r.result->land, byRate.land);
    QCOMPARE(*r.result->lotFactor, byRate.lot.lotFactor);
    rate.rosenka = u"320000"_s;
    QVERIFY(f.value(today, rate).refusal.startsWith(u"rosenka: "_s));

    cli::ValueRequest narrow = PlotOne();
    narrow.frontage = u"1.8"_s;
    const cli::ValueOutcome n = f.value(today, narrow);
    QVERIFY(n.result);
    QVERIFY(n.result->warnings.contains(NarrowFrontageWarning()));
    QVERIFY(!out.result->warnings.contains(NarrowFrontageWarning()));
}

void TestCliCommands::official_refusedAsTheDialog_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("said");
    QTest::newRow("share over 100") << u"cliff_share"_s << u"100.5"_s << u"cliff_share: 「がけ地"_s;
    QTest::newRow("negative depth") << u"side1_depth"_s << u"-3"_s << u"side1_depth: "_s;
    QTest::newRow("assumed smaller than the plot")
        << u"assumed_area"_s << u"110.44"_s << u"assumed_area: "_s;
    QTest::newRow("no depth") << u"depth"_s << QString() << u"depth: "_s;
    QTest::newRow("frontage zero") << u"frontage"_s << u"0"_s << u"frontage: "_s;
    QTest::newRow("unknown corner") << u"side1_kind"_s << u"三方"_s << u"side1_kind: "_s;
    QTest::newRow("yes is no 1/0") << u"metro"_s << u"yes"_s << u"metro: "_s;
    QTest::newRow("other beyond 100") << u"other_percent"_s << u"-101"_s << u"other_percent: "_s;
    QTest::newRow("rate without assessment") << u"multiplier"_s << u"1.1"_s << u"rosenka: "_s;
}

// Values the dialog refuses are refused rows naming the key; nothing is valued.
void TestCliCommands::official_refusedAsTheDialog() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, said);
    ValuerFixture f;
    cli::ValueRequest in = PlotOne();
    if (value.isEmpty())
        (in.*cli::FieldOfKey(key)).reset();
    else
        in.*cli::FieldOfKey(key) = value;
    const cli::ValueOutcome out = f.value(QDate(2026, 12, 7), in);
    QVERIFY(!out.result);
    QVERIFY2(out.refusal.startsWith(said), qPrintable(out.refusal));
}

// ---- trades -----------------------------------------------------------------------------------

namespace {

// A download of the open price data, CP932 as it comes: houses in one district of 13112, each
// of the same size and age so that all fall in the narrowest tier.
QByteArray TradesCsv(const std::vector<std::pair<qint64, QString>>& priceAndCircumstances) {
    const QStringList header =
        u"種類,価格情報区分,地域,市区町村コード,都道府県名,市区町村名,地区名,最寄駅：名称,"
        u"最寄駅：距離（分）,取引価格（総額）,坪単価,間取り,面積（㎡）,取引価格（㎡単価）,"
        u"土地の形状,間口,延床面積（㎡）,建築年,建物の構造,用途,今後の利用目的,前面道路：方位,"
        u"前面道路：種類,前面道路：幅員（ｍ）,都市計画,建ぺい率（％）,容積率（％）,取引時期,改装,"
        u"取引の事情等"_s.split(u',');
    QString text = u'"' + header.join(u"\",\""_s) + u"\"\r\n"_s;
    for (const auto& [price, circumstances] : priceAndCircumstances) {
        QStringList v(header.size());
        v[0] = u"宅地(土地と建物)"_s;
        v[1] = u"不動産取引価格情報"_s;
        v[3] = u"13112"_s;
        v[4] = u"東京都"_s;
        v[5] = u"世田谷区"_s;
        v[6] = u"桜丘"_s;
        v[9] = price > 0 ? QString::number(price) : u"非公開"_s;
        v[12] = u"120"_s;
        v[16] = u"100"_s;
        v[17] = u"2005年"_s;
        v[27] = u"2025年第1四半期"_s;
        v[29] = circumstances;
        text += u'"' + v.join(u"\",\""_s) + u"\"\r\n"_s;
    }
    return cp932::Encode(text);
}

}  // namespace

// Trades imported from a generated download, then a property on standard input compared with
// them: the tier, the counts and quartiles of the trades, the ratios against the asking price
// and the estimate that `value` gives for the same keys, and the source credit.
void TestCliCommands::trades_importThenCompare() {
    Program program;
    std::vector<std::pair<qint64, QString>> rows;
    for (qint64 m = 3; m <= 9; ++m)
        rows.emplace_back(m * 10'000'000, QString());
    rows.emplace_back(200'000'000, u"関係者間取引"_s);
    rows.emplace_back(0, QString());
    QFile csv(program.folder.file(u"13_Tokyo.csv"_s));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write(TradesCsv(rows));
    csv.close();

    const Run imported = program.run({u"trades"_s, u"import"_s, csv.fileName()});
    // The unreadable price is skipped and named; the rest are in.
    QCOMPARE(imported.code, 65);
    const QString said = QString::fromUtf8(imported.out);
    QVERIFY2(said.contains(u"追加 8 件"_s) && said.contains(u"読み飛ばし 1 件"_s),
             qPrintable(said));
    QVERIFY(said.contains(u"10行目"_s));
    QVERIFY(imported.err.isEmpty());

    const QByteArray property =
        "{\"city_code\":\"13112\",\"town\":\"桜丘\",\"valuation_date\":\"2025-03-31\","
        "\"road_price_year\":\"2024\",\"floor_area_m2\":100,\"built\":\"2005-04-01\","
        "\"structure\":1,\"asking_total\":54000000,\"rosenka\":300000,\"land_area\":120}\n";
    const Run compared = program.run({u"trades"_s, u"compare"_s, u"-"_s}, property);
    QCOMPARE(compared.code, 0);
    const QVariantMap r = JsonLines(compared.out).value(0);
    QCOMPARE(r.value(u"kind"_s).toString(), u"宅地(土地と建物)"_s);
    QCOMPARE(r.value(u"tier"_s).toInt(), 1);
    QCOMPARE(r.value(u"count"_s).toInt(), 7);
    QCOMPARE(r.value(u"excluded"_s).toInt(), 1);
    QCOMPARE(r.value(u"median_price"_s).toLongLong(), 60'000'000);
    QCOMPARE(r.value(u"q1_price"_s).toLongLong(), 45'000'000);
    QCOMPARE(r.value(u"q3_price"_s).toLongLong(), 75'000'000);
    QCOMPARE(r.value(u"median_price_per_m2"_s).toLongLong(), 500'000);
    // Ratios with their two decimals as written.
    QVERIFY(compared.out.contains("\"asking_ratio\":90.00,"));
    QCOMPARE(r.value(u"trades"_s).toList().size(), 8);
    QVERIFY(r.value(u"source"_s).toString().contains(u"不動産情報ライブラリ"_s));
    const Run valued = program.run({u"value"_s, u"-"_s}, property);
    const qint64 total = JsonLines(valued.out).value(0).value(u"total"_s).toLongLong();
    QVERIFY(total > 0);
    QVERIFY(compared.out.contains(
        "\"estimate_ratio\":" + QByteArray::number(double(total) / 60'000'000 * 100, 'f', 2) +
        ','));

    // Too few even in the widest tier: tier 0, no statistics.
    const QByteArray elsewhere =
        "{\"city_code\":\"13112\",\"land_area\":120,\"valuation_date\":\"2025-03-31\"}";
    const QVariantMap land =
        JsonLines(program.run({u"trades"_s, u"compare"_s, u"-"_s}, elsewhere).out).value(0);
    QCOMPARE(land.value(u"kind"_s).toString(), u"宅地(土地)"_s);
    QCOMPARE(land.value(u"tier"_s).toInt(), 0);
    QVERIFY(land.value(u"median_price"_s).isNull());

    const Run noCity = program.run({u"trades"_s, u"compare"_s, u"-"_s}, "{\"land_area\":120}");
    QCOMPARE(noCity.code, 65);
    const Run badCity =
        program.run({u"trades"_s, u"compare"_s, u"-"_s}, "{\"city_code\":\"1311\"}");
    QVERIFY2(badCity.err.contains(u"行 1: city_code: "_s), qPrintable(badCity.err));
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
    QTest::newRow("trades without files")
        << QStringList{u"trades"_s, u"import"_s} << 64 << u"trades import"_s;
    QTest::newRow("trades file missing")
        << QStringList{u"trades"_s, u"import"_s, u"gone.csv"_s} << 66 << u"gone.csv"_s;
    QTest::newRow("compare before any import")
        << QStringList{u"trades"_s, u"compare"_s, u"1"_s} << 69 << u"取り込まれていません"_s;
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
        g.SysDbPath = program.folder.sysDb();
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
    QVERIFY(PrintSelectedBukken(
        nullptr, ui, window, g.UsrDbCon, {5, 1}, windowBase,
        [&g](const BukkenJoho& rec) { return MakeBreakdown(g, rec); }, StructureNamesFrom(g)));
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
