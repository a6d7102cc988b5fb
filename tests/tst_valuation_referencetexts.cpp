// The texts with which the reference dialogs show their figures: signed rates, factors, what the
// その他 percentage does and the source line, without a window.
#include "valuation/ReferenceTexts.h"

#include <QtTest>

using namespace ie;
using namespace Qt::StringLiterals;

class TestReferenceTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void signedPercent_data();
    void signedPercent();
    void factor_data();
    void factor();
    void sonotaEffect();
    void sourceLine();
};

void TestReferenceTexts::signedPercent_data() {
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("text");
    QTest::newRow("rise") << 0.046 << u"+4.6%"_s;  // 4.6000000000000005 in binary
    QTest::newRow("fall") << -0.006 << u"-0.6%"_s;
    QTest::newRow("none") << 0.0 << u"0.0%"_s;
    QTest::newRow("rise 5.8") << 0.058 << u"+5.8%"_s;
    QTest::newRow("0.49 up") << 0.0049 << u"+0.5%"_s;
    QTest::newRow("whole -5") << -0.05 << u"-5.0%"_s;
    QTest::newRow("half away from zero") << 0.0005 << u"+0.1%"_s;
    QTest::newRow("negative half") << -0.0005 << u"-0.1%"_s;
    QTest::newRow("rounds to zero, no sign") << -0.0004 << u"0.0%"_s;
    QTest::newRow("over 100%") << 1.5 << u"+150.0%"_s;
}

void TestReferenceTexts::signedPercent() {
    QFETCH(double, rate);
    QFETCH(QString, text);
    QCOMPARE(SignedPercentText(rate), text);
}

void TestReferenceTexts::factor_data() {
    QTest::addColumn<double>("factor");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.03") << 1.03 << u"×1.03"_s;
    QTest::newRow("one") << 1.0 << u"×1.00"_s;
    QTest::newRow("0.9") << 0.9 << u"×0.90"_s;
    QTest::newRow("edited 1.035 kept") << 1.035 << u"×1.035"_s;
    QTest::newRow("zero") << 0.0 << u"×0.00"_s;
}

void TestReferenceTexts::factor() {
    QFETCH(double, factor);
    QFETCH(QString, text);
    QCOMPARE(FactorText(factor), text);
}

void TestReferenceTexts::sonotaEffect() {
    // The factor is the one the calculation takes, 2.5 rounding to 2 as it does there.
    QVERIFY(SonotaEffectText(u"-10"_s).startsWith(u"×0.90"_s));
    QVERIFY(SonotaEffectText(u"15"_s).startsWith(u"×1.15"_s));
    QVERIFY(SonotaEffectText(u"2.5"_s).startsWith(u"×1.02"_s));
    QVERIFY(SonotaEffectText(u"0"_s).startsWith(u"×1.00"_s));
    // No factor where the calculation makes none.
    for (const QString& none : {QString(), u"abc"_s, u"101"_s, u"-101"_s}) {
        QVERIFY2(!SonotaEffectText(none).contains(u"×"_s), qPrintable(none));
        QVERIFY2(SonotaEffectText(none).contains(u"補正なし"_s), qPrintable(none));
    }
}

void TestReferenceTexts::sourceLine() {
    const std::vector<DataSource> sources = {
        {u"A"_s, u"国税庁「通達」付表2 側方"_s, {}, {}},
        {u"B"_s, u"国税庁「通達」付表2 側方"_s, {}, {}},
        {u"C"_s, u"なし（推定値）"_s, {}, {}},
        {u"D"_s, u"国税庁「通達」付表3 二方"_s, {}, {}},
        {u"E"_s, u"なし（推定値）"_s, {}, {}},
    };
    // One document named once, a source without a document with its tables, an unknown table
    // left out.
    QCOMPARE(SourceLine(sources, {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"X"_s}),
             u"出典：国税庁「通達」付表2 側方、付表3 二方／C・E：なし（推定値）"_s);
    QCOMPARE(SourceLine(sources, {u"X"_s}), QString());
    QCOMPARE(SourceLine({}, {u"A"_s}), QString());
}

QTEST_MAIN(TestReferenceTexts)
#include "tst_valuation_referencetexts.moc"
