// Reading the open price data's CSV: columns by their header names in every layout, the odd
// values of the measured columns, and records as the files write them.
#include "common/Cp932.h"
#include "common/TradeCsv.h"

#include <QBuffer>
#include <QTest>

using namespace ie;
using namespace ie::trades;

namespace {

QStringList Split(const QString& header) {
    return header.split(QLatin1Char(','));
}

const QString k30 = QStringLiteral(
    "種類,価格情報区分,地域,市区町村コード,都道府県名,市区町村名,地区名,最寄駅：名称,"
    "最寄駅：距離（分）,取引価格（総額）,坪単価,間取り,面積（㎡）,取引価格（㎡単価）,土地の形状,間口,"
    "延床面積（㎡）,建築年,建物の構造,用途,今後の利用目的,前面道路：方位,前面道路：種類,"
    "前面道路：幅員（ｍ）,都市計画,建ぺい率（％）,容積率（％）,取引時期,改装,取引の事情等");
const QString k21 = QStringLiteral(
    "種類,価格情報区分,地域,市区町村コード,都道府県名,市区町村名,地区名,最寄駅：名称,"
    "最寄駅：距離（分）,取引価格（総額）,間取り,面積（㎡）,建築年,建物の構造,用途,今後の利用目的,"
    "都市計画,建ぺい率（％）,容積率（％）,取引時期,取引の事情等");
const QString kOld = QStringLiteral(
    "No,種類,地域,市区町村コード,都道府県名,市区町村名,地区名,最寄駅：名称,最寄駅：距離（分）,"
    "取引価格（総額）,坪単価,間取り,面積（㎡）,取引価格（㎡単価）,土地の形状,間口,延床面積（㎡）,"
    "建築年,建物の構造,用途,今後の利用目的,前面道路：方位,前面道路：種類,前面道路：幅員（ｍ）,"
    "都市計画,建ぺい率（％）,容積率（％）,取引時点,改装,取引の事情等");

}  // namespace

class TestTradeCsv : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void headerLayouts();
    void headerRefused();
    void areas_data();
    void areas();
    void minutes_data();
    void minutes();
    void buildYears_data();
    void buildYears();
    void periods();
    void kindsAndWidths();
    void rowProblems();
    void readerEncodings_data();
    void readerEncodings();
    void readerQuotesAndChunks();
};

void TestTradeCsv::headerLayouts() {
    const auto m30 = MapHeader(Split(k30));
    QVERIFY(m30);
    QCOMPARE((*m30)[Column::Kind], 0);
    QCOMPARE((*m30)[Column::Price], 9);
    QCOMPARE((*m30)[Column::FloorArea], 16);
    QCOMPARE((*m30)[Column::Period], 27);
    QCOMPARE((*m30)[Column::Circumstances], 29);
    QCOMPARE(m30->fieldCount, 30);

    // Condominiums: no land columns, later columns shifted.
    const auto m21 = MapHeader(Split(k21));
    QVERIFY(m21);
    QCOMPARE((*m21)[Column::FloorArea], -1);
    QCOMPARE((*m21)[Column::Renovation], -1);
    QCOMPARE((*m21)[Column::Layout], 10);
    QCOMPARE((*m21)[Column::Period], 19);

    // The older layout: "No" first, 取引時点, no 価格情報区分.
    const auto mOld = MapHeader(Split(kOld));
    QVERIFY(mOld);
    QCOMPARE((*mOld)[Column::Kind], 1);
    QCOMPARE((*mOld)[Column::PriceClass], -1);
    QCOMPARE((*mOld)[Column::Period], 27);
    QCOMPARE((*mOld)[Column::Price], 9);
}

void TestTradeCsv::headerRefused() {
    QStringList missing;
    QVERIFY(!MapHeader(Split(QStringLiteral("種類,地域,市区町村コード,取引時期")), &missing));
    QCOMPARE(missing, QStringList{QStringLiteral("取引価格（総額）")});
    QVERIFY(!MapHeader(Split(QStringLiteral("name,price,date"))));
}

void TestTradeCsv::areas_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");  // -1 unreadable
    QTest::addColumn<qint64>("value");
    QTest::newRow("plain") << QStringLiteral("165") << int(Measure::Kind::Exact) << qint64(16500);
    QTest::newRow("decimal") << QStringLiteral("99.5") << int(Measure::Kind::Exact)
                             << qint64(9950);
    QTest::newRow("full width") << QStringLiteral("１２０") << int(Measure::Kind::Exact)
                                << qint64(12000);
    QTest::newRow("floor") << QStringLiteral("2,000㎡以上") << int(Measure::Kind::AtLeast)
                           << qint64(200000);
    QTest::newRow("blank") << QString() << int(Measure::Kind::Blank) << qint64(0);
    QTest::newRow("text") << QStringLiteral("不明") << -1 << qint64(0);
    QTest::newRow("too fine") << QStringLiteral("10.005") << -1 << qint64(0);
}

void TestTradeCsv::areas() {
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(qint64, value);
    const std::optional<Measure> m = ParseArea(text);
    QCOMPARE(m.has_value(), kind >= 0);
    if (m) {
        QCOMPARE(int(m->kind), kind);
        QCOMPARE(m->value, value);
    }
}

void TestTradeCsv::minutes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("value");
    QTest::newRow("exact") << QStringLiteral("12") << int(Measure::Kind::Exact) << qint64(12);
    QTest::newRow("range") << QStringLiteral("30分～60分") << int(Measure::Kind::AtLeast)
                           << qint64(30);
    QTest::newRow("hours") << QStringLiteral("1H～1H30") << int(Measure::Kind::AtLeast)
                           << qint64(60);
    QTest::newRow("hour and half") << QStringLiteral("1H30～2H") << int(Measure::Kind::AtLeast)
                                   << qint64(90);
    QTest::newRow("open") << QStringLiteral("2H～") << int(Measure::Kind::AtLeast) << qint64(120);
    QTest::newRow("full width") << QStringLiteral("１Ｈ３０～２Ｈ") << int(Measure::Kind::AtLeast)
                                << qint64(90);
    QTest::newRow("garbage") << QStringLiteral("駅前") << -1 << qint64(0);
}

void TestTradeCsv::minutes() {
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(qint64, value);
    const std::optional<Measure> m = ParseMinutes(text);
    QCOMPARE(m.has_value(), kind >= 0);
    if (m) {
        QCOMPARE(int(m->kind), kind);
        QCOMPARE(m->value, value);
    }
}

void TestTradeCsv::buildYears_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("year");
    QTest::newRow("western") << QStringLiteral("1980年") << int(BuildYear::Kind::Year) << 1980;
    QTest::newRow("showa") << QStringLiteral("昭和55年") << int(BuildYear::Kind::Year) << 1980;
    QTest::newRow("heisei first") << QStringLiteral("平成元年") << int(BuildYear::Kind::Year)
                                  << 1989;
    QTest::newRow("reiwa full width") << QStringLiteral("令和２年") << int(BuildYear::Kind::Year)
                                      << 2020;
    QTest::newRow("prewar") << QStringLiteral("戦前") << int(BuildYear::Kind::Prewar) << 0;
    QTest::newRow("blank") << QString() << int(BuildYear::Kind::Blank) << 0;
    QTest::newRow("past era's end") << QStringLiteral("昭和70年") << -1 << 0;
}

void TestTradeCsv::buildYears() {
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(int, year);
    const std::optional<BuildYear> b = ParseBuildYear(text);
    QCOMPARE(b.has_value(), kind >= 0);
    if (b) {
        QCOMPARE(int(b->kind), kind);
        QCOMPARE(b->year, year);
    }
}

void TestTradeCsv::periods() {
    QCOMPARE(ParsePeriod(u"2025年第1四半期"), std::optional<int>(2025 * 4));
    QCOMPARE(ParsePeriod(u"２０２６年第４四半期"), std::optional<int>(2026 * 4 + 3));
    QCOMPARE(ParsePeriod(u"平成27年第2四半期"), std::optional<int>(2015 * 4 + 1));
    QCOMPARE(ParsePeriod(u"2025年第5四半期"), std::nullopt);
    QCOMPARE(ParsePeriod(u"2025年"), std::nullopt);
    QCOMPARE(PeriodText(2025 * 4 + 2), QStringLiteral("2025年第3四半期"));
    // December is the fourth quarter, January the first.
    QCOMPARE(PeriodOfDate(2026, 12), 2026 * 4 + 3);
    QCOMPARE(PeriodOfDate(2026, 1), 2026 * 4);
    QCOMPARE(PeriodOfDate(2026, 4), 2026 * 4 + 1);
}

void TestTradeCsv::kindsAndWidths() {
    QCOMPARE(KindFromText(u"宅地(土地と建物)"), Kind::HouseAndLand);
    QCOMPARE(KindFromText(u"宅地（土地）"), Kind::Land);
    QCOMPARE(KindFromText(u"中古マンション等"), Kind::Condominium);
    QCOMPARE(KindFromText(u"農地"), Kind::Farmland);
    QCOMPARE(KindFromText(u"林地"), Kind::Forest);
    QCOMPARE(KindFromText(u"宅地"), Kind::Unknown);
    QCOMPARE(FoldWidth(u"３ＬＤＫ　ＲＣ"), QStringLiteral("3LDK RC"));
    // ㎡ and kana are not full-width ASCII.
    QCOMPARE(FoldWidth(u"㎡カ"), QStringLiteral("㎡カ"));
    QCOMPARE(ParseYen(u"25,000,000"), std::optional<qint64>(25000000));
    QCOMPARE(ParseYen(u"2500万"), std::nullopt);
}

void TestTradeCsv::rowProblems() {
    const HeaderMap map = *MapHeader(Split(k21));
    QStringList values(21);
    values[0] = QStringLiteral("中古マンション等");
    values[3] = QStringLiteral("13101");
    values[4] = QStringLiteral("東京都");
    values[9] = QStringLiteral("52000000");
    values[10] = QStringLiteral("３ＬＤＫ");
    values[11] = QStringLiteral("2,000㎡以上");
    values[12] = QStringLiteral("戦前");
    values[19] = QStringLiteral("2025年第1四半期");
    const auto fieldsOf = [](const QStringList& v) {
        std::vector<QStringView> f;
        for (const QString& s : v)
            f.push_back(s);
        return f;
    };
    RowProblem problem;
    const std::optional<Trade> t = ReadTrade(map, fieldsOf(values), 7, &problem);
    QVERIFY(t);
    QCOMPARE(t->prefecture, 13);
    QCOMPARE(t->layout, QStringLiteral("3LDK"));
    QCOMPARE(t->area.kind, Measure::Kind::AtLeast);
    QCOMPARE(t->built.kind, BuildYear::Kind::Prewar);
    QCOMPARE(t->floorArea.kind, Measure::Kind::Blank);  // the layout has no such column

    // An odd value in a column the trade can do without leaves it blank.
    QStringList odd = values;
    odd[8] = QStringLiteral("遠い");
    QVERIFY(ReadTrade(map, fieldsOf(odd), 8, &problem));

    QStringList badPrice = values;
    badPrice[9] = QStringLiteral("非公開");
    QVERIFY(!ReadTrade(map, fieldsOf(badPrice), 9, &problem));
    QCOMPARE(problem.line, qint64(9));
    QCOMPARE(problem.column, QStringLiteral("取引価格（総額）"));

    QStringList badPeriod = values;
    badPeriod[19] = QString();
    QVERIFY(!ReadTrade(map, fieldsOf(badPeriod), 10, &problem));
    QCOMPARE(problem.column, QStringLiteral("取引時期"));

    QVERIFY(!ReadTrade(map, fieldsOf(values.mid(0, 20)), 11, &problem));
    QCOMPARE(problem.line, qint64(11));
    QVERIFY(problem.column.isEmpty());
}

void TestTradeCsv::readerEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QLatin1Char('"') + k21.split(QLatin1Char(',')).join(QStringLiteral("\",\"")) +
                         QStringLiteral("\"\r\n\"中古マンション等\",\"\",\"\",\"13101\"\r\n");
    QTest::newRow("cp932") << cp932::Encode(text);
    QTest::newRow("utf-8") << text.toUtf8();
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

void TestTradeCsv::readerEncodings() {
    QFETCH(QByteArray, bytes);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer);
    QVERIFY2(reader.readHeader(), qPrintable(reader.error()));
    QCOMPARE(reader.header()[Column::Period], 19);
    std::vector<QStringView> fields;
    qint64 line = 0;
    QVERIFY(reader.next(fields, line));
    QCOMPARE(line, qint64(2));
    QCOMPARE(fields.size(), size_t(4));
    QCOMPARE(fields[0].toString(), QStringLiteral("中古マンション等"));
    QVERIFY(!reader.next(fields, line));
}

void TestTradeCsv::readerQuotesAndChunks() {
    // Refused: a binary file, and a CSV of something else.
    QByteArray binary("PK\x03\x04\x00\x00garbage", 14);
    QBuffer b1(&binary);
    b1.open(QIODevice::ReadOnly);
    CsvReader r1(b1);
    QVERIFY(!r1.readHeader());
    QVERIFY(r1.error().contains(QStringLiteral("取引価格（総額）")));

    // Quoted commas, doubled quotes and a line break inside quotes; enough rows to cross the
    // reader's chunks, so that a record cut by a chunk's end is read whole.
    QString text = QLatin1Char('"') + k30.split(QLatin1Char(',')).join(QStringLiteral("\",\"")) +
                   QStringLiteral("\"\n");
    const int rows = 60000;
    for (int i = 0; i < rows; ++i) {
        text += QStringLiteral("\"宅地(土地)\",\"2,000㎡以上\",\"a\"\"b\",\"x\ny\",\"") +
                QString::number(i) + QStringLiteral("\"\n");
    }
    QByteArray bytes = cp932::Encode(text);
    QVERIFY(bytes.size() > 2 * (1 << 20));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer);
    QVERIFY(reader.readHeader());
    std::vector<QStringView> fields;
    qint64 line = 0;
    int count = 0;
    while (reader.next(fields, line)) {
        QCOMPARE(fields.size(), size_t(5));
        QCOMPARE(fields[1].toString(), QStringLiteral("2,000㎡以上"));
        QCOMPARE(fields[2].toString(), QStringLiteral("a\"b"));
        QCOMPARE(fields[3].toString(), QStringLiteral("x\ny"));
        QCOMPARE(fields[4].toString(), QString::number(count));
        // Each record takes two physical lines.
        QCOMPARE(line, qint64(2 + 2 * count));
        ++count;
    }
    QCOMPARE(count, rows);
}

QTEST_GUILESS_MAIN(TestTradeCsv)
#include "tst_common_tradecsv.moc"
