// CP932 (Shift-JIS as Japanese Windows writes it): bytes, the Linux twins, '?' for the rest,
// widths and round trips.
#include "common/Cp932.h"

#include <QTest>

using namespace ie;

namespace {
QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}
}  // namespace

class TstCommonCp932 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void encodesJapanese();
    void twinsBecomeTheWindowsCharacter_data();
    void twinsBecomeTheWindowsCharacter();
    void unmappableBecomesQuestionMark();
    void decodes();
    void byteWidth();
    void roundTrips();
    void manyConversionsReuseTheConverter();
};

void TstCommonCp932::encodesJapanese() {
    int unmappable = -1;
    QCOMPARE(cp932::Encode(QStringLiteral("あいう123"), &unmappable), Hex("82a082a282a4313233"));
    QCOMPARE(unmappable, 0);
    QCOMPARE(cp932::Encode(QStringLiteral("いえねだん帳")), Hex("82a282a682cb82be82f192a0"));
    QCOMPARE(cp932::Encode(QStringLiteral("ｱｲｳ")), Hex("b1b2b3"));    // half-width kana: one byte
    QCOMPARE(cp932::Encode(QStringLiteral("㎡①")), Hex("87758740"));  // NEC specials
    QCOMPARE(cp932::Encode(QStringLiteral("～")), Hex("8160"));
    QCOMPARE(cp932::Encode(QStringLiteral("\\~")), Hex("5c7e"));  // ASCII stays ASCII
    QCOMPARE(cp932::Encode(QStringLiteral("\u3000")), Hex("8140"));
    QCOMPARE(cp932::Encode(QString()), QByteArray());
}

void TstCommonCp932::twinsBecomeTheWindowsCharacter_data() {
    QTest::addColumn<QString>("linux");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("windows");
    QTest::newRow("wave dash") << QStringLiteral("\u301C") << Hex("8160")
                               << QStringLiteral("\uFF5E");
    QTest::newRow("minus sign") << QStringLiteral("\u2212") << Hex("817c")
                                << QStringLiteral("\uFF0D");
    QTest::newRow("double vertical line")
        << QStringLiteral("\u2016") << Hex("8161") << QStringLiteral("\u2225");
    QTest::newRow("em dash") << QStringLiteral("\u2014") << Hex("815c") << QStringLiteral("\u2015");
    QTest::newRow("yen") << QStringLiteral("\u00A5") << Hex("818f") << QStringLiteral("\uFFE5");
    QTest::newRow("cent") << QStringLiteral("\u00A2") << Hex("8191") << QStringLiteral("\uFFE0");
    QTest::newRow("pound") << QStringLiteral("\u00A3") << Hex("8192") << QStringLiteral("\uFFE1");
    QTest::newRow("not") << QStringLiteral("\u00AC") << Hex("81ca") << QStringLiteral("\uFFE2");
    QTest::newRow("broken bar") << QStringLiteral("\u00A6") << Hex("fa55")
                                << QStringLiteral("\uFFE4");
}

void TstCommonCp932::twinsBecomeTheWindowsCharacter() {
    QFETCH(QString, linux);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, windows);
    int unmappable = -1;
    QCOMPARE(cp932::Encode(linux, &unmappable), bytes);
    QCOMPARE(unmappable, 0);
    QCOMPARE(cp932::Encode(windows), bytes);
    QCOMPARE(cp932::Decode(bytes), windows);
    // Inside a longer text too.
    QCOMPARE(cp932::Encode(QStringLiteral("1") + linux + QStringLiteral("2")),
             QByteArray("1") + bytes + QByteArray("2"));
}

void TstCommonCp932::unmappableBecomesQuestionMark() {
    int unmappable = -1;
    QCOMPARE(cp932::Encode(QStringLiteral("café"), &unmappable), QByteArray("caf?"));
    QCOMPARE(unmappable, 1);
    // The euro sign is not in CP932; a character outside the BMP is one '?', not two.
    QCOMPARE(cp932::Encode(QStringLiteral("é€"), &unmappable), QByteArray("??"));
    QCOMPARE(unmappable, 2);
    QCOMPARE(cp932::Encode(QStringLiteral("\U0001F600a"), &unmappable), QByteArray("?a"));
    QCOMPARE(unmappable, 1);
    // Korean and a lone surrogate.
    QCOMPARE(cp932::Encode(QStringLiteral("한") + QChar(0xD800) + QStringLiteral("x"), &unmappable),
             QByteArray("??x"));
    QCOMPARE(unmappable, 2);
    // A real '?' is not counted, and the count is reset on every call.
    QCOMPARE(cp932::Encode(QStringLiteral("?"), &unmappable), QByteArray("?"));
    QCOMPARE(unmappable, 0);
}

void TstCommonCp932::decodes() {
    QCOMPARE(cp932::Decode(Hex("8ca98f918abf8e9a")), QStringLiteral("見書漢字"));
    QCOMPARE(cp932::Decode(Hex("b1b2b3")), QStringLiteral("ｱｲｳ"));
    QCOMPARE(cp932::Decode(Hex("5c")), QStringLiteral("\\"));
    QCOMPARE(cp932::Decode(QByteArray()), QString());
    // Broken input decodes to something without crashing and keeps the bytes after it.
    const QString broken = cp932::Decode(Hex("8141") + Hex("ff") + QByteArray("ab") + Hex("81"));
    QVERIFY(broken.startsWith(QStringLiteral("、")));
    QVERIFY(broken.contains(QStringLiteral("ab")));
}

void TstCommonCp932::byteWidth() {
    QCOMPARE(cp932::ByteWidth(QString()), 0);
    QCOMPARE(cp932::ByteWidth(QStringLiteral("abc")), 3);
    QCOMPARE(cp932::ByteWidth(QStringLiteral("漢字")), 4);
    QCOMPARE(cp932::ByteWidth(QStringLiteral("かな")), 4);
    QCOMPARE(cp932::ByteWidth(QStringLiteral("ｶﾅ")), 2);
    QCOMPARE(cp932::ByteWidth(QStringLiteral("　敷地面積　 ")), 13);
    QCOMPARE(cp932::ByteWidth(QStringLiteral("12,500,000 円")), 13);
    QCOMPARE(cp932::ByteWidth(QStringLiteral("〜")), 2);    // as its twin
    QCOMPARE(cp932::ByteWidth(QStringLiteral("café")), 4);  // '?' takes one byte
}

void TstCommonCp932::roundTrips() {
    QVERIFY(cp932::RoundTrips(QString()));
    QVERIFY(cp932::RoundTrips(QStringLiteral("/home/user/いえねだん帳")));
    QVERIFY(cp932::RoundTrips(QStringLiteral("C:\\データ\\ｶﾅ～－")));
    QVERIFY(cp932::RoundTrips(QStringLiteral("髙")));  // IBM extension, in CP932
    QVERIFY(!cp932::RoundTrips(QStringLiteral("/tmp/café")));
    QVERIFY(!cp932::RoundTrips(QStringLiteral("a〜b")));  // would come back as ～
    QVERIFY(!cp932::RoundTrips(QStringLiteral("¥")));
    QVERIFY(!cp932::RoundTrips(QStringLiteral("\U0001F600")));
}

void TstCommonCp932::manyConversionsReuseTheConverter() {
    // Thousands of short conversions in a row, as the CSV export makes them, stay consistent.
    const QString field = QStringLiteral("東京都千代田区丸の内１－１〜");
    const QByteArray expected = cp932::Encode(field);
    QCOMPARE(expected.size(), 28);
    for (int i = 0; i < 20000; ++i) {
        if (cp932::Encode(field) != expected) {
            QFAIL("conversion changed");
        }
    }
    QCOMPARE(cp932::Decode(expected), QStringLiteral("東京都千代田区丸の内１－１～"));
}

QTEST_GUILESS_MAIN(TstCommonCp932)
#include "tst_common_cp932.moc"
