// The property memo dialog: texts and asking prices to the record, the Enter order, and the site
// photo read, refused, kept and deleted.
#include "platform/Database.h"
#include "platform/RegularFile.h"
#include "platform/TypingLimit.h"
#include "records/FrmMemo.h"
#include "records/SaveLoad.h"
#include "state/ModGlobal.h"
#include "state/PropertyStore.h"
#include "state/UserDatabase.h"
#include "support/ScriptedUi.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

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

Currency Yen(qint64 yen) {
    return Currency::fromRaw(yen * Currency::kScale);
}

// Types a text the way a keyboard (or an input method's commit) does, kanji included.
void Type(QWidget* w, const QString& text) {
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

QImage Solid(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

bool Near(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) <= 8 && qAbs(a.green() - b.green()) <= 8 &&
           qAbs(a.blue() - b.blue()) <= 8;
}

}  // namespace

class TestMemo : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ModGlobal g_;
    test::ScriptedUi ui_;

    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

    // Shows the dialog and makes it the active window, so that focus and keys behave.
    static void ShowActive(FrmMemo& dlg) {
        dlg.show();
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
    }

private Q_SLOTS:
    void init() {
        QVERIFY(dir_.isValid());
        g_.Bukken = BukkenJoho();
        g_.Bukken.PicTempFile = path("~my1A.tmp");
        WriteAll(g_.Bukken.PicTempFile, QByteArray());
        ui_ = test::ScriptedUi();
        ui_.tempDir = dir_.path();
    }

    void cleanup() { QVERIFY2(ui_.unexpected.isEmpty(), qPrintable(ui_.unexpected.join(u'|'))); }

    // --- The window and its fields (captions and positions are in tests/window_layout.txt) ---

    void newPropertyAllEmpty() {
        FrmMemo dlg(g_, ui_);
        for (const char* name : {"TxtJusho", "Txtkaisha", "TxtTanto", "TxtDenwa", "TxtTotiKakaku",
                                 "TxtKaokuKakaku", "TxtGokeiKakaku", "TxtBiko"}) {
            auto* box = dlg.findChild<QLineEdit*>(QString::fromLatin1(name));
            QVERIFY2(box, name);
            QCOMPARE(box->text(), QString());
        }
        auto* del = dlg.findChild<QPushButton*>(u"CmdPicDelete"_s);
        QVERIFY(!del->isEnabled());
        auto* ok = dlg.findChild<QPushButton*>(u"CmdOK"_s);
        auto* lbl = dlg.findChild<QLabel*>(u"LblImage"_s);
        QVERIFY(!dlg.hasPicture());
        QVERIFY(ui_.shown.empty());

        ShowActive(dlg);
        QVERIFY(lbl->isVisible());
        QCOMPARE(QApplication::focusWidget(), ok);
        auto* image = dlg.findChild<QLabel*>(u"Image1"_s);
        QVERIFY(!image->hasScaledContents());  // never stretched out of proportion

        auto* price = dlg.findChild<QLineEdit*>(u"TxtTotiKakaku"_s);
        QCOMPARE(price->maxLength(), 15);
        QVERIFY(price->alignment() & Qt::AlignRight);
        QVERIFY(!price->testAttribute(Qt::WA_InputMethodEnabled));
        QCOMPARE(TypingLimit::of(dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho"))), 100);
        QCOMPARE(TypingLimit::of(dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa"))), 30);
        QVERIFY(dlg.findChild<QLineEdit*>(u"TxtJusho"_s)->testAttribute(Qt::WA_InputMethodEnabled));

        // Every label shows its whole text and ends before the box it names.
        for (const QLabel* l : dlg.findChildren<QLabel*>()) {
            if (l == image)
                continue;
            QVERIFY2(l->width() >= l->sizeHint().width(), qPrintable(l->text()));
            QVERIFY2(l->height() >= l->sizeHint().height(), qPrintable(l->text()));
        }
        const std::pair<const char*, QLineEdit*> rows[] = {
            {"Label1", dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho"))},
            {"Label2", dlg.findChild<QLineEdit*>(QStringLiteral("Txtkaisha"))},
            {"Label7", dlg.findChild<QLineEdit*>(QStringLiteral("TxtTanto"))},
            {"Label8", dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa"))},
            {"Label4", dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))},
            {"Label5", dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))},
            {"Label6", dlg.findChild<QLineEdit*>(QStringLiteral("TxtGokeiKakaku"))},
            {"Label3", dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko"))}};
        for (const auto& [name, box] : rows) {
            const QLabel* l = dlg.findChild<QLabel*>(QLatin1String(name));
            QVERIFY2(l->geometry().right() < box->x(), name);
            QVERIFY2(l->x() > image->geometry().right(), name);
        }
    }

    void textsAndPricesShownAndStored() {
        BukkenJoho& b = g_.Bukken;
        b.Jusho = u"東京都港区芝公園4-2-8"_s;
        b.Kaisha = u"ＡＢＣ不動産"_s;
        b.TotiHanbaiKakaku = Yen(12500000);
        b.KaokuHanbaiKakaku = Yen(0);
        b.GokeiHanbaiKakaku = Yen(-3000);
        FrmMemo dlg(g_, ui_);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho"))->text(), b.Jusho);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("Txtkaisha"))->text(), b.Kaisha);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text(),
                 u"12,500,000"_s);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->text(),
                 QString());  // 0 shows as an empty box
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtGokeiKakaku"))->text(), u"-3,000"_s);

        ShowActive(dlg);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtTanto"))->setFocus();
        Type(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTanto")), u"山田　太郎"_s);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa"))->setFocus();
        QTest::keyClicks(dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa")), u"03-1234-5678"_s);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->setFocus();
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->selectAll();
        QTest::keyClicks(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku")), u"1234567"_s);
        QTest::keyClick(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku")), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(),
                 dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku")));
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text(),
                 u"1,234,567"_s);
        QTest::keyClicks(dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku")),
                         u"2,000,000.4"_s);
        QTest::keyClick(dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku")), Qt::Key_Tab);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->text(),
                 u"2,000,000"_s);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko"))->setFocus();
        Type(dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko")), u"駅徒歩10分"_s);

        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(b.Tanto, u"山田　太郎"_s);
        QCOMPARE(b.Denwa, u"03-1234-5678"_s);
        QCOMPARE(b.Biko, u"駅徒歩10分"_s);
        QCOMPARE(b.TotiHanbaiKakaku, Yen(1234567));
        QCOMPARE(b.KaokuHanbaiKakaku, Yen(2000000));
        QCOMPARE(b.GokeiHanbaiKakaku, Yen(-3000));
        QCOMPARE(b.Jusho, u"東京都港区芝公園4-2-8"_s);
    }

    void nulLeftOut() {
        // Pasted text may carry a NUL; it never reaches the record (nor so the database or a CSV).
        FrmMemo dlg(g_, ui_);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho"))
            ->setText(u"港区"_s + QChar(0) + u"芝"_s);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko"))->setText(QString(QChar(0)));
        dlg.CmdOK_Click();
        QCOMPARE(g_.Bukken.Jusho, u"港区芝"_s);
        QCOMPARE(g_.Bukken.Biko, QString());
    }

    void anEmptiedPriceIsNoLongerGiven() {
        g_.Bukken.KaokuHanbaiKakaku = Yen(3000000);
        g_.Bukken.GokeiHanbaiKakaku = Yen(9000000);
        FrmMemo dlg(g_, ui_);
        ShowActive(dlg);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->setFocus();
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->selectAll();
        QTest::keyClicks(dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku")), u"abc"_s);
        QTest::keyClick(dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku")),
                        Qt::Key_Return);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->text(), QString());
        // What the boxes show is what is kept: an emptied box is a price no longer given.
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtGokeiKakaku"))->clear();
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(g_.Bukken.KaokuHanbaiKakaku.isZero());
        QVERIFY(g_.Bukken.GokeiHanbaiKakaku.isZero());
        QVERIFY(ui_.shown.empty());

        FrmMemo again(g_, ui_);
        QCOMPARE(again.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->text(), QString());
    }

    void askingTotalFilledOrQuestioned() {
        const auto close = [this](const QString& land, const QString& house, const QString& total) {
            FrmMemo dlg(g_, ui_);
            dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->setText(land);
            dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku"))->setText(house);
            dlg.findChild<QLineEdit*>(QStringLiteral("TxtGokeiKakaku"))->setText(total);
            dlg.CmdOK_Click();
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
        };
        close(u"30,000,000"_s, u"15,000,000"_s, QString());
        QCOMPARE(g_.Bukken.GokeiHanbaiKakaku, Yen(45000000));
        QVERIFY(ui_.shown.empty());

        close(u"30,000,000"_s, QString(), QString());  // one side alone gives no total
        QVERIFY(g_.Bukken.GokeiHanbaiKakaku.isZero());

        close(u"30,000,000"_s, u"15,000,000"_s, u"44,000,000"_s);
        QCOMPARE(g_.Bukken.GokeiHanbaiKakaku, Yen(44000000));  // the user's total stays
        QCOMPARE(ui_.shown.size(), size_t(1));
        QVERIFY(ui_.shown[0].text.contains(u"和と違います"_s));

        // Closing again with the same prices does not say it again.
        FrmMemo unchanged(g_, ui_);
        unchanged.CmdOK_Click();
        QCOMPARE(ui_.shown.size(), size_t(1));
    }

    void longPricesAreNotCut() {
        FrmMemo dlg(g_, ui_);
        ShowActive(dlg);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->setFocus();
        QTest::keyClicks(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku")),
                         u"12345678901234567"_s);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text(),
                 u"123456789012345"_s);  // typing stops at 15
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->setText(u"1234567890123"_s);
        QTest::keyClick(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku")), Qt::Key_Return);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->text(),
                 u"1,234,567,890,123"_s);
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
        QCOMPARE(g_.Bukken.TotiHanbaiKakaku, Yen(1234567890123LL));
    }

    void priceBeyondCurrencyRefused() {
        g_.Bukken.TotiHanbaiKakaku = Yen(5);
        FrmMemo dlg(g_, ui_);
        ShowActive(dlg);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->setFocus();
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku"))->selectAll();
        QTest::keyClicks(dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku")),
                         u"999999999999999"_s);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho"))->setFocus();
        Type(dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho")), u"新住所"_s);
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::LeftButton);
        QCOMPARE(ui_.shown.size(), size_t(1));
        QCOMPARE(ui_.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(g_.Bukken.TotiHanbaiKakaku, Yen(5));
        QCOMPARE(g_.Bukken.Jusho, QString());
        QCOMPARE(QApplication::focusWidget(),
                 dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku")));
    }

    void textBoxesStopAtTheirLimits() {
        FrmMemo dlg(g_, ui_);
        ShowActive(dlg);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko"))->setFocus();
        Type(dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko")), QString(105, u'あ'));
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko"))->text(), QString(100, u'あ'));
        QVERIFY(ui_.shown.empty());  // typing stops without a word
    }

    // A paste that does not fit is refused whole, with the limit named; one that fits goes in.
    void longPasteRefused() {
        FrmMemo dlg(g_, ui_);
        ShowActive(dlg);
        const QString address = u"東京都千代田区丸の内一丁目1番1号 パレスビルディング 𠮷"_s;
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho"))->setFocus();
        QGuiApplication::clipboard()->setText(address);
        QTest::keySequence(dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho")),
                           QKeySequence::Paste);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho"))->text(), address);
        QVERIFY(ui_.shown.empty());

        dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa"))->setFocus();
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa"))->setText(u"03-"_s);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa"))->end(false);
        QGuiApplication::clipboard()->setText(QString(28, u'1'));
        QTest::keySequence(dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa")),
                           QKeySequence::Paste);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa"))->text(),
                 u"03-"_s);  // nothing of it, rather than a cut number
        QCOMPARE(ui_.texts(),
                 QStringList{u"貼り付ける文字が多すぎます（30文字まで入力できます）。"_s});
        QCOMPARE(ui_.shown[0].icon, MsgIcon::Exclamation);
        // With the box's text selected, the paste replaces it and fits.
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa"))->selectAll();
        QTest::keySequence(dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa")),
                           QKeySequence::Paste);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa"))->text(), QString(28, u'1'));
    }

    // Esc (as the close box) asks only when a box was changed: はい keeps as 戻る does, いいえ
    // closes without keeping, キャンセル stays.
    void escapeAsksWhenChanged_data() {
        QTest::addColumn<Answer>("answer");
        QTest::newRow("はい") << Answer::Yes;
        QTest::newRow("いいえ") << Answer::No;
        QTest::newRow("キャンセル") << Answer::Cancel;
    }
    void escapeAsksWhenChanged() {
        QFETCH(Answer, answer);
        g_.Bukken.Biko = u"南向き"_s;
        FrmMemo dlg(g_, ui_);
        ShowActive(dlg);
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko"))->setFocus();
        Type(dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko")), u"、角地"_s);
        ui_.answers.push_back(answer);
        QTest::keyClick(dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko")), Qt::Key_Escape);
        QCOMPARE(ui_.texts(), QStringList{u"変更した内容をメモに反映しますか。"_s});
        QCOMPARE(ui_.shown[0].buttons.size(), 3);
        QCOMPARE(dlg.isVisible(), answer == Answer::Cancel);
        QCOMPARE(g_.Bukken.Biko, answer == Answer::Yes ? u"南向き、角地"_s : u"南向き"_s);
        // Unchanged again, Esc closes at once.
        dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko"))->setText(u"南向き"_s);
        ui_.clear();
        if (dlg.isVisible())
            QTest::keyClick(dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko")), Qt::Key_Escape);
        QVERIFY(!dlg.isVisible() && ui_.shown.empty());
    }

    void enterMovesInOrder() {
        FrmMemo dlg(g_, ui_);
        ShowActive(dlg);
        QTest::keyClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdOK")), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(),
                 dlg.findChild<QLineEdit*>(QStringLiteral("TxtJusho")));
        const QList<QWidget*> order = {dlg.findChild<QLineEdit*>(QStringLiteral("Txtkaisha")),
                                       dlg.findChild<QLineEdit*>(QStringLiteral("TxtTanto")),
                                       dlg.findChild<QLineEdit*>(QStringLiteral("TxtDenwa")),
                                       dlg.findChild<QLineEdit*>(QStringLiteral("TxtTotiKakaku")),
                                       dlg.findChild<QLineEdit*>(QStringLiteral("TxtKaokuKakaku")),
                                       dlg.findChild<QLineEdit*>(QStringLiteral("TxtGokeiKakaku")),
                                       dlg.findChild<QLineEdit*>(QStringLiteral("TxtBiko")),
                                       dlg.findChild<QPushButton*>(QStringLiteral("CmdPicRead"))};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QVERIFY(dlg.isVisible());  // Enter in a box never presses a button
        QVERIFY(ui_.choosers.empty());
    }

    // --- The photo -----------------------------------------------------------------------

    void bmpRead() {
        const QString bmp = path("site.bmp");
        QVERIFY(Solid(8, 4, QColor(200, 30, 40)).save(bmp, "BMP"));
        FrmMemo dlg(g_, ui_);
        ShowActive(dlg);
        ui_.files.push_back(bmp);
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("CmdPicRead")),
                          Qt::LeftButton);

        QCOMPARE(ui_.choosers.size(), size_t(1));
        QVERIFY(!ui_.choosers[0].save);
        QVERIFY(ui_.choosers[0].filter.startsWith(u"画像ファイル (*.jpg *.jpeg *.png *.bmp "_s));
        QVERIFY(ui_.choosers[0].filter.contains(u"*.gif"_s));  // from Qt's image plugins
        QVERIFY(ui_.shown.empty());
        QCOMPARE(g_.Bukken.PicFile, bmp);
        QVERIFY(g_.Bukken.PicUmu);
        QCOMPARE(ReadAll(g_.Bukken.PicTempFile), ReadAll(bmp));
        QVERIFY(ReadAll(g_.Bukken.PicTempFile).startsWith("BM"));
        QVERIFY(dlg.hasPicture());
        QVERIFY(dlg.findChild<QPushButton*>(QStringLiteral("CmdPicDelete"))->isEnabled());
        QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("LblImage"))->isVisible());
        // As wide as the area, in the picture's own 2:1, centred between bands of background.
        const QImage shot = dlg.findChild<QLabel*>(QStringLiteral("Image1"))->grab().toImage();
        QCOMPARE(shot.size(), dlg.findChild<QLabel*>(QStringLiteral("Image1"))->size());
        const int w = shot.width(), h = shot.height();
        const int band = (h - w / 2) / 2;
        QVERIFY(band > 10);
        QVERIFY(Near(shot.pixelColor(1, h / 2), QColor(200, 30, 40)));
        QVERIFY(Near(shot.pixelColor(w - 2, band + 2), QColor(200, 30, 40)));
        QVERIFY(!Near(shot.pixelColor(w / 2, band - 3), QColor(200, 30, 40)));
        QVERIFY(!Near(shot.pixelColor(w / 2, h - band + 2), QColor(200, 30, 40)));
    }

    void jpegRead() {
        const QString jpg = path("site.jpg");
        QVERIFY(Solid(40, 30, QColor(20, 120, 220)).save(jpg, "JPEG", 95));
        FrmMemo dlg(g_, ui_);
        ui_.files.push_back(jpg);
        dlg.CmdPicRead_Click();
        QVERIFY(ui_.shown.empty());
        QCOMPARE(g_.Bukken.PicFile, jpg);
        QVERIFY(g_.Bukken.PicUmu);
        QCOMPARE(ReadAll(g_.Bukken.PicTempFile), ReadAll(jpg));
        QVERIFY(dlg.hasPicture());
        QVERIFY(Near(
            dlg.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().toImage().pixelColor(20, 15),
            QColor(20, 120, 220)));
    }

    void notAPictureRefused() {
        // A property that already has a photo.
        QVERIFY(Solid(4, 4, Qt::green).save(path("old.bmp"), "BMP"));
        const QByteArray photo = ReadAll(path("old.bmp"));
        WriteAll(g_.Bukken.PicTempFile, photo);
        g_.Bukken.PicUmu = true;
        g_.Bukken.PicFile = path("old.bmp");
        FrmMemo dlg(g_, ui_);
        QVERIFY(dlg.hasPicture());
        const qint64 shownKey =
            dlg.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().cacheKey();

        const QString fake = path("notes.jpg");
        WriteAll(fake, "This is a text file, not a JPEG.\n");
        ui_.files.push_back(fake);
        dlg.CmdPicRead_Click();

        QCOMPARE(ui_.shown.size(), size_t(1));
        QCOMPARE(ui_.shown[0].icon, MsgIcon::Exclamation);
        QCOMPARE(ui_.shown[0].caption, u"いえねだん帳"_s);
        QVERIFY2(ui_.shown[0].text.contains(fake), qPrintable(ui_.shown[0].text));
        QCOMPARE(g_.Bukken.PicFile, path("old.bmp"));
        QVERIFY(g_.Bukken.PicUmu);
        QCOMPARE(ReadAll(g_.Bukken.PicTempFile), photo);
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().cacheKey(), shownKey);
        QVERIFY(dlg.findChild<QPushButton*>(QStringLiteral("CmdPicDelete"))->isEnabled());

        // An empty file and a missing file are refused the same way.
        WriteAll(path("empty.bmp"), QByteArray());
        ui_.files.push_back(path("empty.bmp"));
        ui_.files.push_back(path("gone.jpg"));
        dlg.CmdPicRead_Click();
        dlg.CmdPicRead_Click();
        QCOMPARE(ui_.shown.size(), size_t(3));
        QCOMPARE(g_.Bukken.PicFile, path("old.bmp"));
        QCOMPARE(ReadAll(g_.Bukken.PicTempFile), photo);
    }

    void cancelledChooserChangesNothing() {
        const QString bmp = path("a.bmp");
        QVERIFY(Solid(4, 4, Qt::blue).save(bmp, "BMP"));
        WriteAll(g_.Bukken.PicTempFile, ReadAll(bmp));
        g_.Bukken.PicUmu = true;
        g_.Bukken.PicFile = bmp;
        FrmMemo dlg(g_, ui_);
        ui_.files.push_back(QString());
        dlg.CmdPicRead_Click();
        QVERIFY(ui_.shown.empty());
        QCOMPARE(g_.Bukken.PicFile, bmp);
        QVERIFY(g_.Bukken.PicUmu);
        QVERIFY(dlg.hasPicture());
        QCOMPARE(ReadAll(g_.Bukken.PicTempFile), ReadAll(bmp));
    }

    void scratchFileUnwritable() {
        g_.Bukken.PicTempFile = path("no-such-folder/~my2.tmp");
        const QString bmp = path("b.bmp");
        QVERIFY(Solid(4, 4, Qt::red).save(bmp, "BMP"));
        FrmMemo dlg(g_, ui_);
        ui_.files.push_back(bmp);
        dlg.CmdPicRead_Click();
        QCOMPARE(ui_.shown.size(), size_t(1));
        QCOMPARE(ui_.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(ui_.shown[0].text, u"ファイルに書き込めません。\r"_s +
                                        QDir::toNativeSeparators(g_.Bukken.PicTempFile) + u'\r' +
                                        QString::fromLocal8Bit(std::strerror(ENOENT)) + u'。');
        QVERIFY(!g_.Bukken.PicUmu);
        QCOMPARE(g_.Bukken.PicFile, QString());
        QVERIFY(!dlg.hasPicture());
        QVERIFY(!dlg.findChild<QPushButton*>(QStringLiteral("CmdPicDelete"))->isEnabled());
    }

    void brokenStoredPhotoKept() {
        const QByteArray broken("\xFF\xD8\xFF garbage that is no picture", 30);
        WriteAll(g_.Bukken.PicTempFile, broken);
        g_.Bukken.PicUmu = true;
        FrmMemo dlg(g_, ui_);
        QCOMPARE(ui_.shown.size(), size_t(1));
        QCOMPARE(ui_.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY(!dlg.hasPicture());
        QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("LblImage"))->isHidden());
        QVERIFY(dlg.findChild<QPushButton*>(QStringLiteral("CmdPicDelete"))->isEnabled());
        dlg.CmdOK_Click();
        QVERIFY(g_.Bukken.PicUmu);
        QCOMPARE(ReadAll(g_.Bukken.PicTempFile), broken);
    }

    void loadedPhotoShownThenDeleted() {
        const QString bmp = path("c.bmp");
        QVERIFY(Solid(6, 6, QColor(250, 200, 0)).save(bmp, "BMP"));
        const QByteArray photo = ReadAll(bmp);
        WriteAll(g_.Bukken.PicTempFile, photo);
        g_.Bukken.PicUmu = true;
        FrmMemo dlg(g_, ui_);
        QVERIFY(ui_.shown.empty());
        QVERIFY(dlg.hasPicture());
        QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("LblImage"))->isHidden());
        QVERIFY(dlg.findChild<QPushButton*>(QStringLiteral("CmdPicDelete"))->isEnabled());

        // Saved now, the property would carry the photo.
        QCOMPARE(SavedPhoto(), std::optional<QByteArray>(photo));

        dlg.CmdPicDelete_Click();
        QVERIFY(!g_.Bukken.PicUmu);  // at once, before 戻る
        QVERIFY(!dlg.hasPicture());
        QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("LblImage"))->isHidden());
        QVERIFY(!dlg.findChild<QPushButton*>(QStringLiteral("CmdPicDelete"))->isEnabled());
        dlg.CmdOK_Click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!g_.Bukken.PicUmu);
        QCOMPARE(ReadAll(g_.Bukken.PicTempFile), photo);  // the scratch file is left alone
        QCOMPARE(SavedPhoto(), std::optional<QByteArray>());
    }

    void decodedOffTheWindowThreadAndCancellable() {
        const QString jpg = path("wait.jpg");
        QVERIFY(Solid(40, 30, Qt::darkGreen).save(jpg, "JPEG"));
        FrmMemo dlg(g_, ui_);
        // The pool's one thread is kept busy: a decode handed to it cannot have ended as the wait
        // begins. Cancelled, nothing changes and nothing is said.
        QThreadPool* pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        QSemaphore release;
        pool->start([&release] { release.acquire(); });
        auto unblock = qScopeGuard([&] {
            release.release();
            pool->setMaxThreadCount(threads);
            // The cancelled decode still runs: it ends here, not while the application is torn
            // down around it.
            pool->waitForDone();
        });
        ui_.cancelWaits = {true};
        ui_.files = {jpg};
        dlg.CmdPicRead_Click();
        QCOMPARE(ui_.waitsFoundFinished, std::vector<bool>{false});
        QVERIFY(ui_.shown.empty() && !g_.Bukken.PicUmu && !dlg.hasPicture());
        QCOMPARE(ReadAll(g_.Bukken.PicTempFile), QByteArray());
    }

    void onlyRegularFilesPicked() {
        QVERIFY(::mkfifo(QFile::encodeName(path("pipe.jpg")).constData(), 0600) == 0);
        QVERIFY(QFile::link(u"/dev/zero"_s, path("zero.jpg")));
        FrmMemo dlg(g_, ui_);
        for (const char* name : {"pipe.jpg", "zero.jpg"}) {
            ui_.clear();
            ui_.files.push_back(path(name));
            dlg.CmdPicRead_Click();  // at once, never waiting for a writer or reading for ever
            QCOMPARE(ui_.texts(), QStringList{NotRegularFileText(path(name))});
            QVERIFY(!g_.Bukken.PicUmu && !dlg.hasPicture());
        }
    }

private:
    // Saves the current record as a new row of a fresh user database and returns its photo
    // column (nullopt for Null).
    std::optional<QByteArray> SavedPhoto() {
        const QString db = path("save.mdb");
        QFile::remove(db);
        CreateUserDatabase(db);
        {
            db::Connection con;
            con.setConnectionString(ConnectionString(db));
            con.open();
            con.execute(u"DELETE FROM 物件情報"_s);
            PropertyStore(con).insert(g_.Bukken, PhotoToSave(g_.Bukken));
        }
        sqlite3* h = nullptr;
        sqlite3_open_v2(db.toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT 現場写真 FROM 物件情報 WHERE 物件ID = 1", -1, &st, nullptr);
        std::optional<QByteArray> result = QByteArray("<no row>");
        if (sqlite3_step(st) == SQLITE_ROW) {
            if (sqlite3_column_type(st, 0) == SQLITE_NULL) {
                result = std::nullopt;
            } else {
                result = QByteArray(static_cast<const char*>(sqlite3_column_blob(st, 0)),
                                    sqlite3_column_bytes(st, 0));
            }
        }
        sqlite3_finalize(st);
        sqlite3_close(h);
        return result;
    }
};

QTEST_MAIN(TestMemo)
#include "tst_records_memo.moc"
