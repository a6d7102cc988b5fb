// The main window found by object names: read-only fields, the order of the menus, the start-up
// values of the worksheet, the separator lines on resize and the help window. Captions, tooltips,
// positions and the Tab order are in tests/window_layout.txt.
#include "app/FrmMain.h"
#include "app/HelpWindow.h"
#include "platform/TypingLimit.h"
#include "state/ModGlobal.h"
#include "support/ModalDriver.h"
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
#include <QScreen>
#include <QTextBrowser>
#include <QtTest>

using namespace ie;
using ie::test::ModalDriver;
using ie::test::RunningProgram;
using ie::test::ScriptedUi;
using ie::test::TestFolder;

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void fields();
    void menus();
    void startValues();
    void linesFollowWidth();
    void helpOpensAtFirstPage();
    void helpFitsTheScreen();
    void structureKeepsClearOfTheFloorArea();
    void f1OpensHelpAtTheWindowsSection();

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
    QCOMPARE(TypingLimit::of(w_->findChild<QLineEdit*>(QStringLiteral("TxtRosenka"))), 12);
    QCOMPARE(TypingLimit::of(w_->findChild<QLineEdit*>(QStringLiteral("TxtTotiMenseki"))), 7);
    QCOMPARE(TypingLimit::of(w_->findChild<QLineEdit*>(QStringLiteral("TxtJiten"))), 3);
    QCOMPARE(TypingLimit::of(w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka"))), 12);
    QCOMPARE(TypingLimit::of(w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTateTubo"))), 9);
    QVERIFY(!w_->findChild<QLabel*>(QStringLiteral("ImgIcon"))->pixmap().isNull());
}

// The menus and their items in order, by name (their captions are in the layout table), and the
// keys the everyday commands have.
void TestMainWindow::menus() {
    const auto names = [](const QList<QAction*>& actions) {
        QStringList out;
        for (QAction* a : actions) {
            if (a->isSeparator())
                out << QStringLiteral("-");
            else
                out << (a->menu() ? a->menu()->objectName() : a->objectName());
        }
        return out;
    };
    QCOMPARE(names(w_->menuBar()->actions()),
             (QStringList{QStringLiteral("mnuFile"), QStringLiteral("mnuEdit"),
                          QStringLiteral("mnuTrade"), QStringLiteral("mnuOption"),
                          QStringLiteral("mnuHelp")}));
    QCOMPARE(names(w_->findChild<QMenu*>(QStringLiteral("mnuTrade"))->actions()),
             (QStringList{QStringLiteral("mnuTradeImport"), QStringLiteral("mnuTradeList"),
                          QStringLiteral("mnuShozai"), QStringLiteral("mnuSouba")}));
    QCOMPARE(
        names(w_->findChild<QMenu*>(QStringLiteral("mnuFile"))->actions()),
        (QStringList{QStringLiteral("mnuSave"), QStringLiteral("mnuPrint"),
                     QStringLiteral("mnuExport"), QStringLiteral("-"), QStringLiteral("mnuEnd")}));
    QCOMPARE(names(w_->findChild<QMenu*>(QStringLiteral("mnuHelp"))->actions()),
             (QStringList{QStringLiteral("mnuIndex"), QStringLiteral("-"),
                          QStringLiteral("mnuVersion")}));
    QStringList keys;
    for (QAction* a : {w_->findChild<QAction*>(QStringLiteral("mnuSave")),
                       w_->findChild<QAction*>(QStringLiteral("mnuPrint")),
                       w_->findChild<QAction*>(QStringLiteral("mnuExport")),
                       w_->findChild<QAction*>(QStringLiteral("mnuEnd")),
                       w_->findChild<QAction*>(QStringLiteral("mnuSearch")),
                       w_->findChild<QAction*>(QStringLiteral("mnuIndex")),
                       w_->findChild<QAction*>(QStringLiteral("mnuEnv")),
                       w_->findChild<QAction*>(QStringLiteral("mnuVersion"))})
        keys << a->shortcut().toString();
    QCOMPARE(keys,
             (QStringList{QStringLiteral("Ctrl+S"), QStringLiteral("Ctrl+P"),
                          QStringLiteral("Ctrl+E"), QStringLiteral("Ctrl+Q"),
                          QStringLiteral("Ctrl+L"), QStringLiteral("F1"), QString(), QString()}));
}

void TestMainWindow::startValues() {
    QVERIFY(!w_->windowIcon().isNull());
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtKakuti"))->text(),
             QStringLiteral("100.00"));
    QCOMPARE(w_->findChild<QLineEdit*>(QStringLiteral("TxtJiten"))->text(), QStringLiteral("0"));
    for (QLineEdit* t : {w_->findChild<QLineEdit*>(QStringLiteral("TxtRosenka")),
                         w_->findChild<QLineEdit*>(QStringLiteral("TxtTotiMenseki")),
                         w_->findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku")),
                         w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTuboTanka")),
                         w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuTateTubo")),
                         w_->findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku")),
                         w_->findChild<QLineEdit*>(QStringLiteral("TxtGokeiKakaku"))}) {
        QVERIFY2(t->text().isEmpty(), qPrintable(t->objectName()));
    }
    QVERIFY(!w_->findChild<QPushButton*>(QStringLiteral("CmdSave"))->isEnabled());
    QCOMPARE(w_->findChild<QPushButton*>(QStringLiteral("CmdSave"))->text(),
             QStringLiteral("新規物件保存"));
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
    w_->findChild<QAction*>(QStringLiteral("mnuIndex"))->trigger();
    auto* help = w_->findChild<HelpWindow*>();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->browser()->source(), QUrl(QStringLiteral("qrc:/help/index.html")));
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("路線価")));
    QVERIFY(ui_->shown.empty());
}

void TestMainWindow::helpFitsTheScreen() {
    const QMargins frame(8, 32, 8, 8);
    const QRect screen(0, 0, 1920, 1040);  // 1080 lines less a 40-pixel panel
    // Opened low on the screen: moved up, its size kept.
    const QRect low = HelpWindow::FitInto(QRect(300, 420, 720, 640), frame, screen);
    QCOMPARE(low.size(), QSize(720, 640));
    QCOMPARE(low.bottom() + frame.bottom(), screen.bottom());
    // Larger than the screen: made smaller, its frame whole on the screen.
    const QRect large = HelpWindow::FitInto(QRect(-50, 10, 2400, 1400), frame, screen);
    QVERIFY(screen.contains(large.marginsAdded(frame)));
    // Already inside: left where it is.
    QCOMPARE(HelpWindow::FitInto(QRect(100, 100, 720, 640), frame, screen),
             QRect(100, 100, 720, 640));

    w_->findChild<QAction*>(QStringLiteral("mnuIndex"))->trigger();
    auto* help = w_->findChild<HelpWindow*>();
    QVERIFY(help->screen()->availableGeometry().contains(help->geometry()));
}

void TestMainWindow::structureKeepsClearOfTheFloorArea() {
    const QRect structure = w_->findChild<QLabel*>(QStringLiteral("LblKaokuKozo"))->geometry();
    for (const char* below : {"Label8", "TxtKaokuTateTubo"}) {
        const QRect r = w_->findChild<QWidget*>(QLatin1String(below))->geometry();
        QVERIFY2(structure.bottom() < r.top() - 1, below);
    }
}

// F1 opens the help at the section of the window in front: the table of contents from the main
// window, the memo's own section from the memo dialog, whose modality leaves its help usable.
void TestMainWindow::f1OpensHelpAtTheWindowsSection() {
    w_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w_));
    QTest::keyClick(w_, Qt::Key_F1);
    auto* help = w_->findChild<HelpWindow*>();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->browser()->source(), QUrl(QStringLiteral("qrc:/help/index.html")));
    help->close();

    // The dialog's help is its own child window, so that the dialog's modality does not block it.
    QUrl shown;
    ModalDriver drive(QStringLiteral("FrmMemo"), [&](QDialog* memo) {
        QTest::keyClick(memo, Qt::Key_F1);
        if (auto* memoHelp = memo->findChild<HelpWindow*>(); memoHelp && memoHelp->isVisible())
            shown = memoHelp->browser()->source();
        memo->close();
    });
    w_->findChild<QPushButton*>(QStringLiteral("CmdMemo"))->click();
    QVERIFY(drive.ran());
    QCOMPARE(shown, QUrl(QStringLiteral("qrc:/help/index.html#memo")));
    QVERIFY(ui_->shown.empty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_app_mainwindow.moc"
