#include "records/FrmMemo.h"

#include "common/AppError.h"
#include "common/Formats.h"
#include "common/NumberRule.h"
#include "common/SalesRatio.h"
#include "platform/FieldGuard.h"
#include "platform/Photo.h"
#include "platform/QtUiServices.h"
#include "platform/RegularFile.h"
#include "platform/SaveChooser.h"
#include "platform/Twips.h"
#include "platform/TypingLimit.h"
#include "platform/UiServices.h"
#include "records/SaveLoad.h"
#include "state/ModGlobal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStandardPaths>

#include <algorithm>
#include <optional>
#include <utility>

namespace ie {

namespace {

// Room for an address with its building and room number, or a remark of a few sentences.
constexpr int kTextLength = 100;
constexpr int kPhoneLength = 30;
constexpr int kPriceLength = 15;

// Some designed label widths are narrower than their texts in the window's font
// ("物　件　の　住　所" needs 108 pixels where 92 are given): the label grows to its text, and
// where it would then run into the box it names it moves left just enough, so that no label is cut
// off.
void FitLabel(QLabel* l, const QWidget* box) {
    const QSize need = l->sizeHint();
    QRect r = l->geometry();
    r.setWidth(std::max(r.width(), need.width()));
    r.setHeight(std::max(r.height(), need.height()));
    if (box && r.right() > box->x() - 3)
        r.moveRight(box->x() - 3);
    l->setGeometry(r);
}

std::optional<QByteArray> ReadWholeFile(const QString& path) {
    QFile f(path);
    if (path.isEmpty() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// The photo chooser opens where the last photo was picked from, else in the Pictures folder.
RememberedFolder PhotoFolder(const QString& iniFilePath) {
    return {iniFilePath, QStringLiteral("PHOTO_FOLDER"), QStandardPaths::PicturesLocation,
            QStringLiteral("写真のフォルダ")};
}

}  // namespace

FrmMemo::FrmMemo(ModGlobal& g, UiServices& ui, QWidget* parent) : QDialog(parent), g_(g), ui_(ui) {
    buildLayout();
    Form_Load();
}

FrmMemo::~FrmMemo() = default;

void FrmMemo::buildLayout() {
    setObjectName(QStringLiteral("FrmMemo"));
    setWindowTitle(QStringLiteral("物件メモ情報"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Tw(10485), Tw(5100));
    setFont(WindowFont());
    if (parentWidget())
        setWindowIcon(parentWidget()->window()->windowIcon());

    auto label = [this](QLabel*& l, const char* name, const QString& text, int left, int top,
                        int width, int height) {
        l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        PlaceTw(l, left, top, width, height);
    };
    auto box = [this](QLineEdit*& t, const char* name, int left, int top, int width, int height) {
        t = new QLineEdit(this);
        t->setObjectName(QLatin1String(name));
        PlaceTw(t, left, top, width, height);
        EnterMovesFocus(t);
    };
    // A paste that does not fit is refused with a message rather than cut short unseen.
    auto textBox = [this, &box](QLineEdit*& t, const char* name, int left, int top, int width,
                                int height, int limit) {
        box(t, name, left, top, width, height);
        TypingLimit::attach(t, limit, [this](int most) {
            ui_.message(
                this,
                QStringLiteral("貼り付ける文字が多すぎます（%1文字まで入力できます）。").arg(most),
                MsgIcon::Exclamation);
        });
    };
    auto priceBox = [this, &box](QLineEdit*& t, const char* name, int left, int top) {
        box(t, name, left, top, 1215, 375);
        t->setMaxLength(kPriceLength);
        t->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Digits are typed directly, without the input method.
        t->setAttribute(Qt::WA_InputMethodEnabled, false);
        t->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText);
        QLineEdit* box = t;
        // The limit stops typing only: a formatted price may be longer than what can be typed,
        // and the box must never cut it.
        connect(box, &QLineEdit::textEdited, this, [box](const QString& text) {
            box->setMaxLength(std::max<int>(kPriceLength, int(text.size())));
        });
        FieldGuard::attach(box, [this, box] { PriceBox_Validate(box); });
    };

    label(Label9, "Label9", QStringLiteral("現況写真"), 1680, 600, 720, 180);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);  // in its own proportions, centred
    PlaceTw(Image1, 240, 960, 3975, 3255);

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Shape1->setLineWidth(1);
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The rectangle runs from (240, 960) to (4200, 4200), both corners included.
    Shape1->setGeometry(Tw(240), Tw(960), Tw(4200) - Tw(240) + 1, Tw(4200) - Tw(960) + 1);

    label(LblImage, "LblImage", QStringLiteral("写真データがありません。"), 1200, 2400, 1980, 180);

    CmdPicRead = new QPushButton(QStringLiteral("写真読込"), this);
    CmdPicRead->setObjectName(QStringLiteral("CmdPicRead"));
    PlaceTw(CmdPicRead, 240, 4440, 975, 375);
    CmdPicDelete = new QPushButton(QStringLiteral("写真削除"), this);
    CmdPicDelete->setObjectName(QStringLiteral("CmdPicDelete"));
    PlaceTw(CmdPicDelete, 1680, 4440, 975, 375);

    label(Label1, "Label1", QStringLiteral("物　件　の　住　所"), 4440, 600, 1380, 180);
    textBox(TxtJusho, "TxtJusho", 6000, 480, 4335, 375, kTextLength);
    label(Label2, "Label2", QStringLiteral("販売（仲介）会社名"), 4440, 1080, 1440, 180);
    textBox(Txtkaisha, "Txtkaisha", 6000, 960, 4335, 375, kTextLength);
    label(Label7, "Label7", QStringLiteral("担当者名"), 7080, 1560, 720, 180);
    textBox(TxtTanto, "TxtTanto", 8160, 1440, 2175, 375, kTextLength);
    label(Label8, "Label8", QStringLiteral("電話番号"), 7080, 2040, 720, 180);
    textBox(TxtDenwa, "TxtDenwa", 8160, 1920, 2175, 375, kPhoneLength);
    label(Label4, "Label4", QStringLiteral("敷地販売価格"), 4440, 2520, 1080, 180);
    priceBox(TxtTotiKakaku, "TxtTotiKakaku", 8760, 2400);
    label(Label10, "Label10", QStringLiteral("円"), 10080, 2520, 180, 180);
    label(Label5, "Label5", QStringLiteral("家屋販売価格"), 4440, 3000, 1080, 180);
    priceBox(TxtKaokuKakaku, "TxtKaokuKakaku", 8760, 2880);
    label(Label12, "Label12", QStringLiteral("円"), 10080, 3000, 180, 180);
    label(Label6, "Label6", QStringLiteral("販売合計価格"), 4440, 3480, 1080, 180);
    priceBox(TxtGokeiKakaku, "TxtGokeiKakaku", 8760, 3360);
    label(Label13, "Label13", QStringLiteral("円"), 10080, 3480, 180, 180);
    label(Label3, "Label3", QStringLiteral("備　　　考"), 4440, 3960, 720, 180);
    textBox(TxtBiko, "TxtBiko", 6120, 3840, 4215, 375, kTextLength);

    CmdOK = new QPushButton(QStringLiteral("戻る"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    PlaceTw(CmdOK, 9240, 4440, 1095, 495);

    for (const auto& [l, box] : {std::pair<QLabel*, QWidget*>{Label1, TxtJusho},
                                 {Label2, Txtkaisha},
                                 {Label7, TxtTanto},
                                 {Label8, TxtDenwa},
                                 {Label4, TxtTotiKakaku},
                                 {Label5, TxtKaokuKakaku},
                                 {Label6, TxtGokeiKakaku},
                                 {Label3, TxtBiko},
                                 {Label9, nullptr},
                                 {LblImage, nullptr},
                                 {Label10, nullptr},
                                 {Label12, nullptr},
                                 {Label13, nullptr}}) {
        FitLabel(l, box);
    }

    QWidget* const chain[] = {CmdOK,    TxtJusho,      Txtkaisha,      TxtTanto,
                              TxtDenwa, TxtTotiKakaku, TxtKaokuKakaku, TxtGokeiKakaku,
                              TxtBiko,  CmdPicRead,    CmdPicDelete};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);

    connect(CmdOK, &QPushButton::clicked, this, &FrmMemo::CmdOK_Click);
    connect(CmdPicRead, &QPushButton::clicked, this, &FrmMemo::CmdPicRead_Click);
    connect(CmdPicDelete, &QPushButton::clicked, this, &FrmMemo::CmdPicDelete_Click);

    CmdOK->setFocus();
}

void FrmMemo::Form_Load() {
    const BukkenJoho& b = g_.Bukken;
    // An empty 住所 starts from the 所在地 picked for the comparison with trades.
    TxtJusho->setText(b.Jusho.isEmpty() ? LocationText(b) : b.Jusho);
    Txtkaisha->setText(b.Kaisha);
    TxtTanto->setText(b.Tanto);
    TxtDenwa->setText(b.Denwa);
    showPrice(TxtKaokuKakaku, b.KaokuHanbaiKakaku);
    showPrice(TxtTotiKakaku, b.TotiHanbaiKakaku);
    showPrice(TxtGokeiKakaku, b.GokeiHanbaiKakaku);
    TxtBiko->setText(b.Biko);
    loaded_ = boxTexts();

    if (!b.PicUmu) {
        showPicture(QImage());
        CmdPicDelete->setEnabled(false);
        return;
    }
    // The photo stays with the property even when it cannot be shown; deleting or replacing it
    // remains possible.
    CmdPicDelete->setEnabled(true);
    const auto bytes = ReadWholeFile(b.PicTempFile);
    const std::optional<QImage> image = bytes ? decodeForArea(*bytes) : QImage();
    if (!image) {
        // Not shown at the user's wish: the area stays empty, without saying there is no photo.
        showPicture(QImage());
        LblImage->hide();
        return;
    }
    showPicture(*image);
    if (image->isNull()) {
        ui_.message(this,
                    QStringLiteral("保存されている写真を表示できません。\r"
                                   "写真データは、削除するか読み込み直すまでそのまま残ります。"),
                    MsgIcon::Exclamation);
    }
}

QStringList FrmMemo::boxTexts() const {
    QStringList texts;
    for (const QLineEdit* box : {TxtJusho, Txtkaisha, TxtTanto, TxtDenwa, TxtTotiKakaku,
                                 TxtKaokuKakaku, TxtGokeiKakaku, TxtBiko})
        texts << box->text();
    return texts;
}

bool FrmMemo::pricesChanged() const {
    // boxTexts() holds the three prices at 4, 5 and 6.
    return boxTexts().mid(4, 3) != loaded_.mid(4, 3);
}

void FrmMemo::reject() {
    // Esc and the close box: typed texts are not dropped without asking.
    if (boxTexts() != loaded_) {
        switch (ui_.questionYesNoCancel(this, QStringLiteral("変更した内容をメモに反映しますか。"),
                                        AppTitle())) {
            case Answer::Yes:
                CmdOK_Click();  // stays open when a price cannot be kept
                return;
            case Answer::Cancel:
                return;
            case Answer::No:
                break;
        }
    }
    QDialog::reject();
}

bool FrmMemo::hasPicture() const {
    return !Image1->pixmap().isNull();
}

std::optional<QImage> FrmMemo::decodeForArea(const QByteArray& bytes) const {
    // Decoded at the area's size in device pixels, never at the photo's own (a phone's photo
    // would take hundreds of megabytes); a smaller picture is enlarged to fill the area.
    const qreal ratio = Image1->devicePixelRatioF();
    const QSize area(qRound(Image1->width() * ratio), qRound(Image1->height() * ratio));
    const QFuture<DecodedPhoto> decoding = DecodePhotoLater(bytes, area);
    QWidget* parent = const_cast<FrmMemo*>(this);
    if (!ui_.wait(parent, QStringLiteral("写真を読み込んでいます…"), QFuture<void>(decoding)))
        return std::nullopt;
    const DecodedPhoto photo = decoding.result();
    if (photo.image.isNull())
        return QImage();
    QImage image = photo.image;
    const QSize fitted = photo.fullSize.scaled(area, Qt::KeepAspectRatio);
    if (image.size() != fitted && !fitted.isEmpty())
        image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    return image;
}

void FrmMemo::showPicture(const QImage& image) {
    if (image.isNull()) {
        Image1->clear();
        LblImage->show();
    } else {
        Image1->setPixmap(QPixmap::fromImage(image));
        LblImage->hide();
    }
}

void FrmMemo::setPriceText(QLineEdit* box, const QString& text) {
    box->setMaxLength(std::max<int>(kPriceLength, int(text.size())));
    box->setText(text);
}

void FrmMemo::showPrice(QLineEdit* box, Currency value) {
    setPriceText(box, value.isZero() ? QString() : FormatWhole(value));
}

void FrmMemo::PriceBox_Validate(QLineEdit* box) {
    const std::optional<double> v = ParseNumber(box->text());
    setPriceText(box, v ? FormatWhole(*v) : QString());
}

void FrmMemo::CmdOK_Click() {
    BukkenJoho& b = g_.Bukken;
    struct Price {
        QLineEdit* box;
        Currency* field;
        std::optional<Currency> value;
    };
    Price prices[] = {{TxtKaokuKakaku, &b.KaokuHanbaiKakaku, std::nullopt},
                      {TxtTotiKakaku, &b.TotiHanbaiKakaku, std::nullopt},
                      {TxtGokeiKakaku, &b.GokeiHanbaiKakaku, std::nullopt}};
    for (Price& p : prices) {
        if (p.box->text().trimmed().isEmpty()) {
            p.value = Currency();  // not given: stored as Null
            continue;
        }
        const std::optional<double> v = ParseNumber(p.box->text());
        if (!v)
            continue;  // not a number: the price keeps its value
        p.value = Currency::tryFromDouble(*v);
        if (!p.value) {
            // Storing it would fail; nothing is stored and the user can correct the price.
            ui_.message(this, QStringLiteral("金額が大きすぎます。"), MsgIcon::Exclamation);
            p.box->setFocus(Qt::OtherFocusReason);
            p.box->selectAll();
            return;
        }
    }

    // A NUL (pasted, or from an input method) would cut the text short in other programs; it
    // never reaches the record.
    const auto text = [](const QLineEdit* box) { return box->text().remove(QChar(0)); };
    b.Jusho = text(TxtJusho);
    b.Kaisha = text(Txtkaisha);
    b.Tanto = text(TxtTanto);
    b.Denwa = text(TxtDenwa);
    b.Biko = text(TxtBiko);
    for (const Price& p : prices) {
        if (p.value)
            *p.field = *p.value;
    }
    const AskingTotal total =
        CheckAskingTotal(b.TotiHanbaiKakaku, b.KaokuHanbaiKakaku, b.GokeiHanbaiKakaku);
    b.GokeiHanbaiKakaku = total.total;
    // Said when the prices were changed here, not every time the memo is closed.
    if (total.differs && pricesChanged()) {
        ui_.message(this, QStringLiteral("合計販売価格が敷地と家屋の販売価格の和と違います。"),
                    MsgIcon::Information);
    }
    accept();
}

void FrmMemo::CmdPicRead_Click() {
    const QString file =
        ui_.openFileName(this, PhotoFileFilter(), PhotoFolder(g_.IniFilePath).folder());
    if (file.isEmpty())
        return;  // cancelled: nothing changes
    PhotoFolder(g_.IniFilePath).remember(ui_, this, QFileInfo(file).absolutePath());

    // The file is read once and checked before anything changes, so that a file that is not a
    // picture never becomes the property's photo, and what a save stores is exactly what was
    // checked here, whatever becomes of the file afterwards.
    const std::optional<QByteArray> bytes = readPickedFile(file);
    if (!bytes)
        return;
    const std::optional<QImage> image = decodeForArea(*bytes);
    if (!image)
        return;  // cancelled: nothing changes
    if (image->isNull()) {
        ui_.message(this,
                    QDir::toNativeSeparators(file) +
                        QStringLiteral("\r写真として読み込めないファイルです。"),
                    MsgIcon::Exclamation);
        return;
    }

    // The scratch copy keeps the file's own bytes, so that a save from it stores exactly what
    // the user picked (no re-encoding, no lost transparency or camera data).
    BukkenJoho& b = g_.Bukken;
    try {
        WriteScratchPhoto(b.PicTempFile, *bytes);
    } catch (const AppError& e) {
        ui_.message(this, e.description(), MsgIcon::Critical);
        return;
    }

    b.PicFile = file;
    showPicture(*image);
    b.PicUmu = true;
    CmdPicDelete->setEnabled(true);
}

std::optional<QByteArray> FrmMemo::readPickedFile(const QString& file) {
    const auto refuse = [this, &file](const QString& why) {
        ui_.message(this, QDir::toNativeSeparators(file) + u'\r' + why, MsgIcon::Exclamation);
        return std::nullopt;
    };
    RegularFile f(file);
    if (f.notRegular()) {
        ui_.message(this, NotRegularFileText(file), MsgIcon::Exclamation);
        return std::nullopt;
    }
    // The size is looked at before a byte is read; a file that grows meanwhile is read no further
    // than the limit.
    if (f.isOpen() && f.size() > kMaxPhotoFileBytes)
        return refuse(PhotoTooLargeText(f.size()));
    std::optional<QByteArray> bytes = f.readAll(kMaxPhotoFileBytes);
    if (!bytes || bytes->isEmpty())
        return refuse(QStringLiteral("写真として読み込めないファイルです。"));
    if (bytes->size() > kMaxPhotoFileBytes)
        return refuse(PhotoTooLargeText(bytes->size()));
    return bytes;
}

void FrmMemo::CmdPicDelete_Click() {
    showPicture(QImage());
    g_.Bukken.PicUmu = false;
    CmdPicDelete->setEnabled(false);
}

}  // namespace ie
