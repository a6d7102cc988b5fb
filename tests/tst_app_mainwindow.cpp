// The main window found by object names: captions, tooltips, read-only fields, tab order, menus,
// the start-up values of the worksheet, the separator lines on resize and the help window.
#include "app/FrmMain.h"
#include "app/HelpWindow.h"
#include "state/ModGlobal.h"
#include "platform/TypingLimit.h"
#include "support/RunningProgram.h"
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

using namespace ie;
using ie::test::RunningProgram;
using ie::test::ScriptedUi;
using ie::test::TestFolder;

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void captions_data();
    void captions();
    void buttonTooltips_data();
    void buttonTooltips();
    void fields();
    void tabOrder();
    void menus();
    void startValues();
    void linesFollowWidth();
    void helpOpensAtFirstPage();

private:
    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<RunningProgram> program_;
    ScriptedUi* ui_ = nullptr;
    ModGlobal* g_ = nullptr;
    FrmMain* w_ = nullptr;
};

void TestMainWindow::init() {
    folder_ = std::make_unique<TestFolder>();
    program_ = std::make_unique<RunningProgram>(*folder_);
    ui_ = &program_->ui;
    g_ = &program_->g;
    w_ = program_->w.get();
    QVERIFY(program_->start());
}

void TestMainWindow::cleanup() {
    w_ = nullptr;
    g_ = nullptr;
    ui_ = nullptr;
    program_.reset();
    folder_.reset();
}

void TestMainWindow::captions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const QList<QPair<const char*, const char*>> rows = {
        {"Label7", "敷地の価格を決める項目は①②③④です。"},
        {"LblStreetPrise", "①路線価"},
        {"LblStreetPrizeUnit", "円"},
        {"Label16", "年度"},
        {"LblLandArea", "②敷地面積"},
        {"LblLandAreaUnit", "㎡"},
        {"LblFeaMod", "③敷地の状況"},
        {"Label14", "％"},
        {"CmdFeaMod", "詳細設定"},
        {"LblTimeMod", "④１年間の地価変動率"},
        {"Label13", "％"},
        {"CmdTimeMod", "←参考値取得"},
        {"CmdCalcLandPrise", "敷地価格計算"},
        {"LblLandResult", "敷地の価格"},
        {"Label5", "円"},
        {"Label1", "家屋の価格を決める項目は①②③です。"},
        {"Label3", "①坪単価"},
        {"Label11", "円"},
        {"CmdKaokuKozo", "←参考値取得"},
        {"Label8", "②延床面積"},
        {"Label9", "坪"},
        {"LblKentikuNen", "③建築日"},
        {"CmdKaokuKeisan", "家屋価格計算"},
        {"Label12", "家屋の価格"},
        {"Label10", "円"},
        {"Label4", "敷地・家屋共通の項目です。"},
        {"LblJiten", "価格を調べる日"},
        {"Label2", "合計価格"},
        {"Label6", "円"},
        {"CmdMemo", "メモ情報設定"},
        {"CmdClear", "クリア"},
        {"CmdSave", "新規物件保存"},
        {"CmdEnd", "終了"},
    };
    for (const auto& r : rows) {
        QTest::newRow(r.first) << QString::fromUtf8(r.first) << QString::fromUtf8(r.second);
    }
}

void TestMainWindow::captions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QWidget* w = w_->findChild<QWidget*>(name);
    QVERIFY2(w, qPrintable(name));
    if (auto* l = qobject_cast<QLabel*>(w)) {
        QCOMPARE(l->text(), caption);
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
        QCOMPARE(b->text(), caption);
    } else {
        QFAIL("neither a label nor a button");
    }
    QVERIFY(w->isVisible());
}

void TestMainWindow::buttonTooltips_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tip");
    const QList<QPair<const char*, const char*>> rows = {
        {"CmdFeaMod", "敷地の形などによる価格へ影響を選択します。"},
        {"CmdTimeMod", "都道府県別の地価変動率を取得することができます。"},
        {"CmdCalcLandPrise", "敷地の価格を計算します。"},
        {"CmdKaokuKozo", "家屋の構造別坪単価の参考値を取得することができます。"},
        {"CmdKaokuKeisan", "家屋の価格を計算します。"},
        {"CmdMemo", "価格には影響しませんが、物件所在地等のメモ情報を入力することができます。"},
        {"CmdClear", "物件メモ情報も含め、入力値をクリアします。"},
        {"CmdSave", "物件情報をファイルに保存します。"},
        {"CmdEnd", "プログラムを終了します。"},
        {"TxtRosenka", "国税路線価を入力します。路線価の調べ方はヘルプで詳しく解説しています。"},
        {"TxtTotiMenseki", "敷地の面積を㎡単位で入力します。"},
        {"TxtKakuti",
         "敷地の状況による価格への影響を％で表示します。[詳細設定]で詳しく設定できます。"},
        {"TxtJiten", "１年間の土地価格の変動率を入力します。[参考値取得]を使うこともできます。"},
        {"TxtTotiKakaku", "敷地の計算価格を表示します。"},
        {"TxtKaokuTuboTanka", "建築したときの坪単価を入力してください。"},
        {"TxtKaokuTateTubo", "家屋の延床面積を坪単位で入力してください。"},
        {"TxtKaokuKakaku", "家屋の計算価格を表示します。"},
        {"TxtGokeiKakaku", "敷地・家屋の合計価格を表示します。"},
        {"imDateRosen", "国税路線価の年度を選択してください。"},
        {"imDateKaoku", "家屋が建てられた年・月を入力してください。日付は適当でいいです。"},
        {"imDateHyoka", "価格を試算する日付です。通常は変更する必要はありません。"},
    };
    for (const auto& r : rows) {
        QTest::newRow(r.first) << QString::fromUtf8(r.first) << QString::fromUtf8(r.second);
    }
}

void TestMainWindow::buttonTooltips() {
    QFETCH(QString, name);
    QFETCH(QString, tip);
    QWidget* w = w_->findChild<QWidget*>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->toolTip(), tip);
}

void TestMainWindow::fields() {
    const QStringList all = {
        QStringLiteral("TxtRosenka"),       QStringLiteral("TxtTotiMenseki"),
        QStringLiteral("TxtKakuti"),        QStringLiteral("TxtJiten"),
        QStringLiteral("TxtTotiKakaku"),    QStringLiteral("TxtKaokuTuboTanka"),
        QStringLiteral("TxtKaokuTateTubo"), QStringLiteral("TxtKaokuKakaku"),
        QStringLiteral("TxtGokeiKakaku")};
    const QStringList readOnly = {QStringLiteral("TxtKakuti"), QStringLiteral("TxtKaokuKakaku"),
                                  QStringLiteral("TxtGokeiKakaku")};
    for (const QString& name : all) {
        auto* t = w_->findChild<QLineEdit*>(name);
        QVERIFY2(t, qPrintable(name));
        QVERIFY(t->alignment() & Qt::AlignRight);
        QVERIFY2(!t->testAttribute(Qt::WA_InputMethodEnabled), qPrintable(name));
        QCOMPARE(t->isReadOnly(), readOnly.contains(name));
    }
    QCOMPARE(TypingLimit::of(w_->TxtRosenka), 12);
    QCOMPARE(TypingLimit::of(w_->TxtTotiMenseki), 7);
    QCOMPARE(TypingLimit::of(w_->TxtJiten), 3);
    QCOMPARE(TypingLimit::of(w_->TxtKaokuTuboTanka), 12);
    QCOMPARE(TypingLimit::of(w_->TxtKaokuTateTubo), 7);
    // Positions from the window design (15 twips to a pixel).
    QCOMPARE(w_->TxtRosenka->geometry(), QRect(152, 32, 97, 25));
    QCOMPARE(w_->CmdEnd->geometry(), QRect(280, 512, 97, 33));
    QCOMPARE(w_->findChild<QLabel*>(QStringLiteral("ImgIcon"))->geometry(),
             QRect(296, 312, 32, 32));
    QVERIFY(!w_->findChild<QLabel*>(QStringLiteral("ImgIcon"))->pixmap().isNull());
}

void TestMainWindow::tabOrder() {
    const QStringList expected = {
        QStringLiteral("TxtRosenka"),        QStringLiteral("TxtTotiMenseki"),
        QStringLiteral("TxtJiten"),          QStringLiteral("CmdCalcLandPrise"),
        QStringLiteral("TxtKaokuTuboTanka"), QStringLiteral("TxtKaokuTateTubo"),
        QStringLiteral("imDateKaoku"),       QStringLiteral("CmdKaokuKeisan"),
        QStringLiteral("CmdFeaMod"),         QStringLiteral("CmdTimeMod"),
        QStringLiteral("CmdKaokuKozo"),      QStringLiteral("imDateHyoka"),
        QStringLiteral("CmdClear"),          QStringLiteral("CmdSave"),
        QStringLiteral("CmdMemo"),           QStringLiteral("CmdEnd"),
        QStringLiteral("TxtTotiKakaku"),     QStringLiteral("TxtKaokuKakaku"),
        QStringLiteral("TxtGokeiKakaku"),    QStringLiteral("TxtKakuti"),
        QStringLiteral("imDateRosen")};
    // Walk the focus chain from the first field, skipping what cannot take the focus.
    QStringList seen;
    QWidget* w = w_->TxtRosenka;
    for (int guard = 0; guard < 200 && seen.size() < expected.size(); ++guard) {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() && w->window() == w_ &&
            !qobject_cast<QMenuBar*>(w) &&
            w->objectName() != QStringLiteral("qt_scrollarea_viewport")) {
            if (expected.contains(w->objectName()) && !seen.contains(w->objectName())) {
                seen << w->objectName();
            }
        }
        w = w->nextInFocusChain();
    }
    QCOMPARE(seen, expected);
}

void TestMainWindow::menus() {
    struct Item {
        const char* name;
        const char* caption;
    };
    const QList<Item> items = {{"mnuPrint", "印刷(&P)"},
                               {"mnuExport", "エクスポート(&E)"},
                               {"mnuEnd", "終了(&X)"},
                               {"mnuSearch", "物件一覧(&S)"},
                               {"mnuEnv", "環境設定(&E)"},
                               {"mnuIndex", "ヘルプ(&C)"},
                               {"mnuVersion", "バージョン情報(&A)"}};
    for (const Item& i : items) {
        auto* a = w_->findChild<QAction*>(QString::fromUtf8(i.name));
        QVERIFY2(a, i.name);
        QCOMPARE(a->text(), QString::fromUtf8(i.caption));
        QVERIFY(a->shortcut().isEmpty());
    }
    QStringList tops;
    for (QAction* a : w_->menuBar()->actions())
        tops << a->text();
    QCOMPARE(tops, (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"),
                                QStringLiteral("オプション(&O)"), QStringLiteral("ヘルプ(&H)")}));
    QStringList file;
    for (QAction* a : w_->mnuFile->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(file, (QStringList{QStringLiteral("印刷(&P)"), QStringLiteral("エクスポート(&E)"),
                                QStringLiteral("-"), QStringLiteral("終了(&X)")}));
    QStringList help;
    for (QAction* a : w_->mnuHelp->actions())
        help << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(help, (QStringList{QStringLiteral("ヘルプ(&C)"), QStringLiteral("-"),
                                QStringLiteral("バージョン情報(&A)")}));
}

void TestMainWindow::startValues() {
    QCOMPARE(w_->windowTitle(), QStringLiteral("いえねだん帳"));
    QVERIFY(!w_->windowIcon().isNull());
    QCOMPARE(w_->TxtKakuti->text(), QStringLiteral("100.00"));
    QCOMPARE(w_->TxtJiten->text(), QStringLiteral("0"));
    for (QLineEdit* t :
         {w_->TxtRosenka, w_->TxtTotiMenseki, w_->TxtTotiKakaku, w_->TxtKaokuTuboTanka,
          w_->TxtKaokuTateTubo, w_->TxtKaokuKakaku, w_->TxtGokeiKakaku}) {
        QVERIFY2(t->text().isEmpty(), qPrintable(t->objectName()));
    }
    QVERIFY(!w_->CmdSave->isEnabled());
    QCOMPARE(w_->CmdSave->text(), QStringLiteral("新規物件保存"));
    QVERIFY(g_->Bukken.NewBukken);
    QCOMPARE(g_->Bukken.KakutiHoseiRitu, 1.0);
    QCOMPARE(g_->Bukken.KeijoHosei, 1.0);
    QCOMPARE(g_->Bukken.ChikaHendoRitu, 0.0);
    QVERIFY(ui_->shown.empty());
}

void TestMainWindow::linesFollowWidth() {
    w_->resize(w_->width() + 100, w_->height());
    QTest::qWait(20);
    QWidget* client = w_->centralWidget();
    for (int i = 1; i <= 6; ++i) {
        auto* line = w_->findChild<QFrame*>(QStringLiteral("Line%1").arg(i));
        QVERIFY(line);
        QCOMPARE(line->geometry().right() + 1, client->width());
    }
}

void TestMainWindow::helpOpensAtFirstPage() {
    w_->mnuIndex->trigger();
    auto* help = w_->findChild<HelpWindow*>();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->browser()->source(), QUrl(QStringLiteral("qrc:/help/index.html")));
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("路線価")));
    QVERIFY(ui_->shown.empty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_app_mainwindow.moc"
