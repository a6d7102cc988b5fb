// Every window's controls against one table, tests/window_layout.txt: captions, tooltips,
// rectangles in twips and the Tab order, each control found by its objectName. The file's head
// explains its columns; a new control or window is a new line there (and, for a new window, an
// entry in OpenWindow below).
#include "app/FrmEnv.h"
#include "app/frmAbout.h"
#include "records/FrmData.h"
#include "records/FrmHikaku.h"
#include "records/FrmMemo.h"
#include "report/FrmPrint.h"
#include "support/FakeReportPrinter.h"
#include "support/RunningProgram.h"  // also the program-wide values every window is handed
#include "support/ScriptedUi.h"
#include "support/TestFolder.h"
#include "valuation/FrmJiten.h"
#include "valuation/FrmKakuti.h"
#include "valuation/FrmKaokuKozo.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <vector>

using namespace ie;
using namespace ie::test;

namespace {

// One line of the table; an empty optional is a cell that is not checked.
struct Row {
    int line = 0;
    QString window;
    QString control;
    std::optional<QString> caption;
    std::optional<int> x, y, w, h;
    std::optional<int> tab;
    std::optional<QString> tooltip;

    bool isWindow() const { return control == window; }
};

std::optional<QString> TextCell(const QString& cell) {
    if (cell.isEmpty())
        return std::nullopt;
    return cell == QStringLiteral("(none)") ? QString() : cell;
}

// Reads the table; every line that cannot be read, and every window whose Tab places are not
// 0, 1, 2, ... without a gap, adds to errors.
std::vector<Row> ReadTable(const QString& path, QStringList& errors) {
    std::vector<Row> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        errors << path + QStringLiteral(": cannot be read");
        return rows;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        QStringList cells = line.split(u'|');
        if (cells.size() != 9) {
            errors << where + QStringLiteral("%1 cells instead of 9").arg(cells.size());
            continue;
        }
        for (QString& c : cells)
            c = c.trimmed();
        Row r;
        r.line = i + 1;
        r.window = cells[0];
        r.control = cells[1];
        r.caption = TextCell(cells[2]);
        r.tooltip = TextCell(cells[8]);
        bool numbersOk = true;
        std::optional<int>* numbers[] = {&r.x, &r.y, &r.w, &r.h, &r.tab};
        for (int n = 0; n < 5; ++n) {
            const QString& cell = cells[3 + n];
            if (cell.isEmpty())
                continue;
            bool ok = false;
            const int value = cell.toInt(&ok);
            if (!ok || value < 0) {
                errors << where + QStringLiteral("\"%1\" is not a number").arg(cell);
                numbersOk = false;
            }
            *numbers[n] = value;
        }
        if (r.window.isEmpty() || r.control.isEmpty()) {
            errors << where + QStringLiteral("window and control must be named");
        } else if (r.isWindow() && (r.x || r.y || r.tab)) {
            errors << where + QStringLiteral("a window has a size and a title only");
        } else if (std::any_of(rows.begin(), rows.end(), [&r](const Row& o) {
                       return o.window == r.window && o.control == r.control;
                   })) {
            errors << where + r.window + u'/' + r.control + QStringLiteral(" is listed twice");
        } else if (numbersOk) {
            rows.push_back(r);
        }
    }
    std::map<QString, std::vector<int>> tabs;
    for (const Row& r : rows) {
        if (r.tab)
            tabs[r.window].push_back(*r.tab);
    }
    for (auto& [window, places] : tabs) {
        std::sort(places.begin(), places.end());
        for (int i = 0; i < int(places.size()); ++i) {
            if (places[i] != i) {
                errors << window + QStringLiteral(": Tab places are not 0 to %1 without a gap")
                                       .arg(places.size() - 1);
                break;
            }
        }
    }
    return rows;
}

// Twips to pixels at 15 to a pixel, to the nearest: worked out here, not by the program's own
// helper, so that a wrong conversion there shows as wrong rectangles.
// A control on a page of a stacked widget that is not the page shown (the other way of a window
// with two): it is there, only not in sight until its page is chosen.
bool OnHiddenPage(const QWidget* widget, const QWidget* win) {
    for (const QWidget* w = widget; w && w != win; w = w->parentWidget()) {
        const auto* stack = qobject_cast<const QStackedWidget*>(w->parentWidget());
        if (stack && stack->currentWidget() != w)
            return true;
    }
    return false;
}

int Px(int twips) {
    return qRound(twips / 15.0);
}

std::optional<QString> CaptionOf(const QObject* o, const QWidget* window) {
    if (o == window)
        return window->windowTitle();
    if (const auto* l = qobject_cast<const QLabel*>(o))
        return l->text();
    if (const auto* b = qobject_cast<const QAbstractButton*>(o))
        return b->text();
    if (const auto* m = qobject_cast<const QMenu*>(o))
        return m->title();
    if (const auto* a = qobject_cast<const QAction*>(o))
        return a->text();
    return std::nullopt;
}

// ---- opening each window the way the program opens it, on test services and folders ----

struct Opened {
    virtual ~Opened() = default;
    QWidget* window = nullptr;
};

// Started on a folder of its own, so that the worksheet shows its start-up state.
struct MainOpened : Opened {
    TestFolder folder;
    RunningProgram program{folder};
    MainOpened() {
        if (program.start())
            window = program.w.get();
    }
};

struct EnvOpened : Opened {
    QTemporaryDir dir;
    ModGlobal g;
    ScriptedUi ui;
    std::unique_ptr<FrmEnv> dlg;
    EnvOpened() {
        g.ProgramFolder = dir.path();
        g.IniFilePath = dir.filePath(QStringLiteral("Morinaxis.ini"));
        g.DbPath = dir.path();
        const QString root = dir.path();
        dlg = std::make_unique<FrmEnv>(g, ui, nullptr, [root] {
            return QList<FrmEnv::Drive>{{QStringLiteral("/"), QString()}, {root, QString()}};
        });
        window = dlg.get();
    }
};

// No system-information program: the dialog must not look for the real one.
struct AboutOpened : Opened {
    ScriptedUi ui;
    std::unique_ptr<frmAbout> dlg;
    AboutOpened() {
        QPixmap icon(36, 36);
        icon.fill(Qt::red);
        dlg = std::make_unique<frmAbout>(
            ui, icon, nullptr,
            frmAbout::SysInfoTools{[] { return QString(); }, [](const QString&) { return false; }});
        window = dlg.get();
    }
};

struct ListOpened : Opened {
    TestFolder folder;
    ScriptedUi ui;
    ModGlobal g;
    std::unique_ptr<FrmData> dlg;
    ListOpened() {
        ui.tempDir = folder.tempPath();
        g.UsrDbPath = folder.usrDb();
        g.Bukken.PicTempFile = folder.tempPath() + QStringLiteral("/~my1.tmp");
        WriteAll(g.Bukken.PicTempFile, QByteArray());
        if (!ModUsrDbOpen(g, ui, nullptr))
            return;
        dlg = std::make_unique<FrmData>(g, ui);
        if (dlg->Form_Load())
            window = dlg.get();
    }
};

// The comparison of every saved property (none: the empty chart).
struct HikakuOpened : Opened {
    TestFolder folder;
    ScriptedUi ui;
    FakeReportPrinter printer;
    ModGlobal g;
    std::unique_ptr<FrmHikaku> dlg;
    HikakuOpened() {
        ui.tempDir = folder.tempPath();
        g.UsrDbPath = folder.usrDb();
        if (!ModUsrDbOpen(g, ui, nullptr))
            return;
        dlg = std::make_unique<FrmHikaku>(g, ui, printer, std::nullopt);
        if (dlg->Form_Load())
            window = dlg.get();
    }
};

// A new property without a photo.
struct MemoOpened : Opened {
    QTemporaryDir dir;
    ModGlobal g;
    ScriptedUi ui;
    std::unique_ptr<FrmMemo> dlg;
    MemoOpened() {
        ui.tempDir = dir.path();
        g.Bukken.PicTempFile = dir.filePath(QStringLiteral("~my1A.tmp"));
        WriteAll(g.Bukken.PicTempFile, QByteArray());
        dlg = std::make_unique<FrmMemo>(g, ui);
        window = dlg.get();
    }
};

struct PrintOpened : Opened {
    ScriptedUi ui;
    FakeReportPrinter printer;
    ModGlobal g;  // its empty property is the one previewed
    std::unique_ptr<FrmPrint> dlg;
    PrintOpened() {
        dlg = std::make_unique<FrmPrint>(g.Bukken, ui, printer);
        window = dlg.get();
    }
};

// The three reference dialogs, on a copy of the reference database.
template <typename Dialog>
struct ReferenceOpened : Opened {
    TestFolder folder;
    ScriptedUi ui;
    ModGlobal g;
    std::unique_ptr<Dialog> dlg;
    ReferenceOpened() {
        ui.tempDir = folder.tempPath();
        g.SysDbPath = folder.sysDb();
        g.Bukken.KakutiHoseiRitu = 1.0;
        g.Bukken.SonotaHosei = 1.0;
        dlg = std::make_unique<Dialog>(g, ui);
        window = dlg.get();
    }
};

std::unique_ptr<Opened> OpenWindow(const QString& name) {
    if (name == u"FrmMain")
        return std::make_unique<MainOpened>();
    if (name == u"FrmEnv")
        return std::make_unique<EnvOpened>();
    if (name == u"frmAbout")
        return std::make_unique<AboutOpened>();
    if (name == u"FrmData")
        return std::make_unique<ListOpened>();
    if (name == u"FrmHikaku")
        return std::make_unique<HikakuOpened>();
    if (name == u"FrmMemo")
        return std::make_unique<MemoOpened>();
    if (name == u"FrmPrint")
        return std::make_unique<PrintOpened>();
    if (name == u"FrmKakuti")
        return std::make_unique<ReferenceOpened<FrmKakuti>>();
    if (name == u"FrmJiten")
        return std::make_unique<ReferenceOpened<FrmJiten>>();
    if (name == u"FrmKaokuKozo")
        return std::make_unique<ReferenceOpened<FrmKaokuKozo>>();
    return nullptr;
}

}  // namespace

class TestWindowLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { open_.reset(); }
    void controls_data();
    void controls();
    void tabOrder_data();
    void tabOrder();

private:
    // The window of that name, shown; the one opened last is kept for the rows that follow.
    QWidget* window(const QString& name);

    std::vector<Row> rows_;
    QString openName_;
    std::unique_ptr<Opened> open_;
};

void TestWindowLayout::initTestCase() {
    QStringList errors;
    rows_ = ReadTable(QStringLiteral(IE_SOURCE_DIR "/tests/window_layout.txt"), errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QVERIFY(!rows_.empty());
}

QWidget* TestWindowLayout::window(const QString& name) {
    if (name != openName_ || !open_) {
        open_.reset();  // one window at a time
        openName_ = name;
        open_ = OpenWindow(name);
        if (open_ && open_->window) {
            open_->window->show();
            if (!QTest::qWaitForWindowExposed(open_->window))
                open_->window = nullptr;
        }
    }
    return open_ ? open_->window : nullptr;
}

void TestWindowLayout::controls_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(rows_.size()); ++i) {
        const Row& r = rows_[size_t(i)];
        QTest::newRow(qPrintable(r.window + u'/' + r.control)) << i;
    }
}

void TestWindowLayout::controls() {
    QFETCH(int, index);
    const Row& r = rows_[size_t(index)];
    QWidget* win = window(r.window);
    QVERIFY2(win, qPrintable(r.window + QStringLiteral(" did not open")));
    QCOMPARE(win->objectName(), r.window);

    QObject* obj = win;
    if (!r.isWindow()) {
        // The name must pick out one control; with two, which one was checked would be chance.
        const QList<QObject*> found = win->findChildren<QObject*>(r.control);
        QVERIFY2(
            found.size() == 1,
            qPrintable(QStringLiteral("%1 controls named %2").arg(found.size()).arg(r.control)));
        obj = found.first();
        auto* widget = qobject_cast<QWidget*>(obj);
        if (widget && !qobject_cast<QMenu*>(widget) && !OnHiddenPage(widget, win)) {
            QVERIFY2(widget->isVisibleTo(win), "hidden");
        }
    }

    if (r.caption) {
        const std::optional<QString> caption = CaptionOf(obj, win);
        QVERIFY2(caption, obj->metaObject()->className());
        QCOMPARE(*caption, *r.caption);
    }
    if (r.tooltip) {
        QCOMPARE(obj->property("toolTip").toString(), *r.tooltip);
    }
    if (r.x || r.y || r.w || r.h) {
        auto* widget = qobject_cast<QWidget*>(obj);
        QVERIFY2(widget, "a rectangle needs a widget");
        if (widget == win) {
            const QSize size = win->size();
            QCOMPARE(size, QSize(r.w ? Px(*r.w) : size.width(), r.h ? Px(*r.h) : size.height()));
        } else {
            const QRect actual = widget->geometry();
            const QRect expected(r.x ? Px(*r.x) : actual.x(), r.y ? Px(*r.y) : actual.y(),
                                 r.w ? Px(*r.w) : actual.width(), r.h ? Px(*r.h) : actual.height());
            QCOMPARE(actual, expected);
        }
    }
}

void TestWindowLayout::tabOrder_data() {
    QTest::addColumn<QString>("name");
    QStringList windows;
    for (const Row& r : rows_) {
        if (r.tab && !windows.contains(r.window))
            windows << r.window;
    }
    for (const QString& w : windows)
        QTest::newRow(qPrintable(w)) << w;
}

// One round of the focus chain from the table's first place: every control that Tab stops at,
// in order. The parts of a listed control (a list's viewport, a date box's editor) are that
// control's business, not the window's.
void TestWindowLayout::tabOrder() {
    QFETCH(QString, name);
    QWidget* win = window(name);
    QVERIFY2(win, qPrintable(name + QStringLiteral(" did not open")));

    std::vector<const Row*> places;
    for (const Row& r : rows_) {
        if (r.window == name && r.tab)
            places.push_back(&r);
    }
    std::sort(places.begin(), places.end(),
              [](const Row* a, const Row* b) { return *a->tab < *b->tab; });
    QStringList expected;
    QList<QWidget*> listed;
    for (const Row* r : places) {
        auto* w = win->findChild<QWidget*>(r->control);
        QVERIFY2(w, qPrintable(r->control));
        expected << r->control;
        listed << w;
    }

    QStringList seen;
    QWidget* const first = listed.first();
    QWidget* w = first;
    for (int guard = 0; guard < 1000; ++guard) {
        const bool partOfListed = std::any_of(
            listed.begin(), listed.end(), [w](QWidget* c) { return c != w && c->isAncestorOf(w); });
        if ((w->focusPolicy() & Qt::TabFocus) && w->window() == win && !partOfListed) {
            seen << (w->objectName().isEmpty()
                         ? QStringLiteral("<unnamed %1>")
                               .arg(QLatin1String(w->metaObject()->className()))
                         : w->objectName());
        }
        w = w->nextInFocusChain();
        if (w == first)
            break;
    }
    QCOMPARE(seen, expected);
}

QTEST_MAIN(TestWindowLayout)
#include "tst_window_layout.moc"
