#include "report/FrmPrint.h"

#include "platform/IniFile.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "state/BukkenJoho.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace ie {

namespace {

// The window's size as it opens, in twips; it may be made larger, never smaller.
constexpr int kWidth = 10470;
constexpr int kHeight = 7575;
// The designed viewport, in twips.
constexpr int kFrameWidth = 9375;
constexpr int kFrameHeight = 5775;
// Ctrl+wheel zooms in steps of a quarter, between a tenth and four times the page.
constexpr double kZoomStep = 1.25;
constexpr double kZoomMin = 0.1;
constexpr double kZoomMax = 4.0;
constexpr int kTwipsPerPixel = 15;

// A scroll bar holds a 16-bit whole number: rounded to nearest, ties to even, kept in 0..32767.
int ScrollInt(double value) {
    const double rounded = std::nearbyint(value);
    return static_cast<int>(std::clamp(rounded, 0.0, 32767.0));
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                    const QString& tooltip, int left, int top, int width, int height) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tooltip);
    PlaceTw(button, left, top, width, height);
    return button;
}

void ApplySteps(QScrollBar* bar, const PreviewScrollSteps& steps) {
    bar->setMinimum(0);
    bar->setMaximum(steps.maximum);
    bar->setPageStep(steps.largeStep);
    bar->setSingleStep(steps.smallStep);
}

// The surface's offset in pixels for a scroll value in twips: the ends of the range put the
// surface's edges exactly on the viewport's, whatever the rounding of twips to pixels.
int PixelOffset(int value, int maximum, int surfacePx, int viewportPx) {
    if (maximum <= 0 || surfacePx <= viewportPx)
        return 0;
    return qRound(static_cast<double>(value) * (surfacePx - viewportPx) / maximum);
}

}  // namespace

PreviewScrollSteps ScrollStepsFor(double surfaceTwips, double viewportTwips) {
    PreviewScrollSteps steps;
    steps.maximum = ScrollInt(surfaceTwips - viewportTwips);
    steps.largeStep = ScrollInt(steps.maximum / 10.0);
    steps.smallStep = ScrollInt(steps.largeStep / 10.0);
    return steps;
}

FrmPrint::FrmPrint(const BukkenJoho& rec, UiServices& ui, ReportPrinter& printer, QWidget* parent)
    : FrmPrint(rec, std::nullopt, QString(), ui, printer, parent) {}

FrmPrint::FrmPrint(const BukkenJoho& rec, std::optional<BreakdownContent> breakdown,
                   const QString& iniFilePath, UiServices& ui, ReportPrinter& printer,
                   QWidget* parent)
    : QDialog(parent),
      rec_(rec),
      breakdown_(std::move(breakdown)),
      iniFilePath_(iniFilePath),
      ui_(ui),
      printer_(printer) {
    setObjectName(QStringLiteral("FrmPrint"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    setMinimumSize(Tw(kWidth), Tw(kHeight));
    resize(Tw(kWidth), Tw(kHeight));
    setSizeGripEnabled(true);
    setModal(true);

    PicFrame = new QWidget(this);  // a child widget is clipped to its parent: the viewport
    PicFrame->setObjectName(QStringLiteral("PicFrame"));
    PlaceTw(PicFrame, 240, 240, kFrameWidth, kFrameHeight);
    PicFrame->setAutoFillBackground(true);
    QPalette framePalette = PicFrame->palette();
    framePalette.setColor(QPalette::Window, QColor(128, 128, 128));
    PicFrame->setPalette(framePalette);

    PicDraw = new QLabel(PicFrame);
    PicDraw->setObjectName(QStringLiteral("PicDraw"));
    PicDraw->move(0, 0);

    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    PlaceTw(VScroll1, 9600, 240, 255, 5775);
    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    PlaceTw(HScroll1, 240, 6000, 9375, 255);
    // Reached by Tab like the buttons, so the page can be scrolled from the keyboard.
    VScroll1->setFocusPolicy(Qt::StrongFocus);
    HScroll1->setFocusPolicy(Qt::StrongFocus);

    CmdPrint = Button(this, "CmdPrint", QStringLiteral("印刷"),
                      QStringLiteral("物件帳票を印刷します。"), 240, 6480, 1695, 495);
    CmdOK = Button(this, "CmdOK", QStringLiteral("戻る"), QStringLiteral("メイン画面に戻ります。"),
                   8040, 6480, 1575, 495);
    CmdPdf = Button(this, "CmdPdf", QStringLiteral("PDF保存"),
                    QStringLiteral("物件帳票をPDFファイルに保存します。"), 2160, 6480, 1695, 495);

    ChkUtiwake = new QCheckBox(QStringLiteral("計算の内訳を付ける"), this);
    ChkUtiwake->setObjectName(QStringLiteral("ChkUtiwake"));
    ChkUtiwake->setToolTip(QStringLiteral("2ページ目に計算の内訳を付けて印刷・保存します。"));
    PlaceTw(ChkUtiwake, 4080, 6480, 2400, 495);
    ChkSouba = new QCheckBox(QStringLiteral("相場比較を付ける"), this);
    ChkSouba->setObjectName(QStringLiteral("ChkSouba"));
    ChkSouba->setToolTip(
        QStringLiteral("取り込んだ取引事例との相場比較を最後のページに付けて印刷・保存します。"));
    PlaceTw(ChkSouba, 4080, 7080, 2400, 375);
    ChkSouba->setEnabled(false);
    CmdPage = Button(this, "CmdPage", QStringLiteral("次ページ"),
                     QStringLiteral("物件帳票と計算の内訳を切り替えて表示します。"), 6600, 6480,
                     1335, 495);

    LblZoom = new QLabel(QStringLiteral("表示倍率"), this);
    LblZoom->setObjectName(QStringLiteral("LblZoom"));
    PlaceTw(LblZoom, 240, 7140, 900, 240);
    CboZoom = new QComboBox(this);
    CboZoom->setObjectName(QStringLiteral("CboZoom"));
    CboZoom->addItems(
        {QStringLiteral("ページ全体"), QStringLiteral("幅に合わせる"), QStringLiteral("100%")});
    CboZoom->setToolTip(QStringLiteral(
        "表示の倍率を選びます。Ctrlキーを押しながらホイールを回しても拡大・縮小できます。"));
    PlaceTw(CboZoom, 1200, 7080, 1935, 375);
    LblZoom->setBuddy(CboZoom);
    // The wheel over the page scrolls it, and with Ctrl zooms.
    PicFrame->installEventFilter(this);
    PicDraw->installEventFilter(this);

    setTabOrder(CmdOK, CmdPrint);
    setTabOrder(CmdPrint, HScroll1);
    setTabOrder(HScroll1, VScroll1);
    setTabOrder(VScroll1, CmdPdf);
    setTabOrder(CmdPdf, ChkUtiwake);
    setTabOrder(ChkUtiwake, CmdPage);
    setTabOrder(CmdPage, CboZoom);
    setTabOrder(CboZoom, ChkSouba);

    connect(CmdPrint, &QPushButton::clicked, this, &FrmPrint::CmdPrint_Click);
    connect(CmdOK, &QPushButton::clicked, this, &FrmPrint::CmdOK_Click);
    connect(CmdPdf, &QPushButton::clicked, this, &FrmPrint::CmdPdf_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, &FrmPrint::HScroll1_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &FrmPrint::VScroll1_Change);
    connect(CmdPage, &QPushButton::clicked, this, &FrmPrint::CmdPage_Click);
    connect(CboZoom, &QComboBox::currentIndexChanged, this, &FrmPrint::CboZoom_Click);

    Form_Load();
    // Connected once the remembered choice is shown, so that showing it writes nothing.
    connect(ChkUtiwake, &QCheckBox::toggled, this, &FrmPrint::ChkUtiwake_Click);
    connect(ChkSouba, &QCheckBox::toggled, this, &FrmPrint::ChkSouba_Click);
    CmdOK->setDefault(true);
    CmdOK->setFocus(Qt::OtherFocusReason);
}

void FrmPrint::Form_Load() {
    if (parentWidget())
        setWindowIcon(parentWidget()->window()->windowIcon());
    CmdPrint->setText(QStringLiteral("印刷"));

    // The page of the default printer set to A4 landscape; without a printer the whole A4 sheet,
    // so that the report can be looked at all the same.
    page_ = printer_.page();
    const QSize surface(Tw(page_.pageTwips.width()), Tw(page_.pageTwips.height()));

    // Drawn once: the label keeps the image for every repaint, scroll and uncovering.
    const qreal ratio = devicePixelRatioF();
    const ReportPages pages = ChohyoPages(rec_, ui_.today(), kChohyoPreview, nullptr,
                                          breakdown_ ? &*breakdown_ : nullptr);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        QImage& image = images_[i];
        image = QImage(surface * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        // The printer's drawing area is stretched over the whole page image.
        pages[i](painter,
                 ChohyoTarget{QRectF(0, 0, surface.width(), surface.height()), page_.areaTwips});
    }

    // Without a breakdown to offer (no reference data) the box stays off and cannot be ticked;
    // the remembered choice is left as it is.
    ChkUtiwake->setEnabled(breakdown_.has_value());
    ChkUtiwake->setChecked(breakdown_ &&
                           (iniFilePath_.isEmpty() || ModReadBreakdownChoice(iniFilePath_)));
    CmdPage->setEnabled(chosenPages().size() > 1);
    showPage(0);
}

void FrmPrint::addSoubaPage(const SoubaContent& souba) {
    souba_ = souba;
    const qreal ratio = devicePixelRatioF();
    const QSize surface(Tw(page_.pageTwips.width()), Tw(page_.pageTwips.height()));
    QImage& image = images_[2];
    image = QImage(surface * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    PrintSouba(painter,
               ChohyoTarget{QRectF(0, 0, surface.width(), surface.height()), page_.areaTwips},
               *souba_);
    ChkSouba->setEnabled(true);
    ChkSouba->blockSignals(true);
    ChkSouba->setChecked(iniFilePath_.isEmpty() || ModReadSoubaChoice(iniFilePath_));
    ChkSouba->blockSignals(false);
    CmdPage->setEnabled(chosenPages().size() > 1);
}

const SoubaContent* FrmPrint::chosenSouba() const {
    return souba_ && ChkSouba->isChecked() ? &*souba_ : nullptr;
}

std::vector<int> FrmPrint::chosenPages() const {
    std::vector<int> pages{0};
    if (chosenBreakdown() != nullptr)
        pages.push_back(1);
    if (chosenSouba() != nullptr)
        pages.push_back(2);
    return pages;
}

const BreakdownContent* FrmPrint::chosenBreakdown() const {
    return breakdown_ && ChkUtiwake->isChecked() ? &*breakdown_ : nullptr;
}

void FrmPrint::showPage(int page) {
    shown_ = page;
    const std::vector<int> pages = chosenPages();
    CmdPage->setText(shown_ == pages.back() && pages.size() > 1 ? QStringLiteral("前ページ")
                                                                : QStringLiteral("次ページ"));
    applyZoom();
}

void FrmPrint::layoutControls() {
    // Everything keeps its designed place relative to the nearer edges; the viewport and the
    // scroll bars stretch.
    const int dw = width() - Tw(kWidth);
    const int dh = height() - Tw(kHeight);
    PicFrame->setGeometry(Tw(240), Tw(240), Tw(kFrameWidth) + dw, Tw(kFrameHeight) + dh);
    VScroll1->setGeometry(Tw(9600) + dw, Tw(240), Tw(255), Tw(kFrameHeight) + dh);
    HScroll1->setGeometry(Tw(240), Tw(6000) + dh, Tw(kFrameWidth) + dw, Tw(255));
    PlaceTw(CmdPrint, 240, 6480, 1695, 495);
    PlaceTw(CmdPdf, 2160, 6480, 1695, 495);
    PlaceTw(ChkUtiwake, 4080, 6480, 2400, 495);
    PlaceTw(CmdPage, 6600, 6480, 1335, 495);
    PlaceTw(CmdOK, 8040, 6480, 1575, 495);
    PlaceTw(LblZoom, 240, 7140, 900, 240);
    PlaceTw(CboZoom, 1200, 7080, 1935, 375);
    PlaceTw(ChkSouba, 4080, 7080, 2400, 375);
    for (QWidget* below : {static_cast<QWidget*>(CmdPrint), static_cast<QWidget*>(CmdPdf),
                           static_cast<QWidget*>(ChkUtiwake), static_cast<QWidget*>(CmdPage),
                           static_cast<QWidget*>(CmdOK), static_cast<QWidget*>(LblZoom),
                           static_cast<QWidget*>(ChkSouba), static_cast<QWidget*>(CboZoom)})
        below->move(below->x(), below->y() + dh);
    CmdOK->move(CmdOK->x() + dw, CmdOK->y());
}

void FrmPrint::applyZoom() {
    const QImage& image = images_[shown_];
    if (image.isNull())
        return;
    const QSizeF actual(Tw(page_.pageTwips.width()), Tw(page_.pageTwips.height()));
    const QSizeF view = PicFrame->size();
    switch (zoomMode_) {
        case Zoom::FitPage:
            zoom_ = std::min(view.width() / actual.width(), view.height() / actual.height());
            break;
        case Zoom::FitWidth:
            zoom_ = view.width() / actual.width();
            break;
        case Zoom::Actual:
            zoom_ = 1.0;
            break;
        case Zoom::Custom:
            break;
    }
    // Where the view was, as a share of each range, so that zooming keeps the same part in view.
    const auto share = [](const QScrollBar* bar) {
        return bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0.0;
    };
    const double across = share(HScroll1);
    const double down = share(VScroll1);

    const QSize shown(qRound(actual.width() * zoom_), qRound(actual.height() * zoom_));
    PicDraw->setFixedSize(shown);
    if (zoom_ == 1.0) {
        PicDraw->setPixmap(QPixmap::fromImage(image));
    } else {
        const qreal ratio = image.devicePixelRatio();
        QImage scaled =
            image.scaled(shown * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        PicDraw->setPixmap(QPixmap::fromImage(scaled));
    }

    {
        const QSignalBlocker h(HScroll1);
        const QSignalBlocker v(VScroll1);
        // The ranges in twips of the page as shown, over the viewport as it is now.
        ApplySteps(HScroll1, ScrollStepsFor(page_.pageTwips.width() * zoom_,
                                            PicFrame->width() * double(kTwipsPerPixel)));
        ApplySteps(VScroll1, ScrollStepsFor(page_.pageTwips.height() * zoom_,
                                            PicFrame->height() * double(kTwipsPerPixel)));
        HScroll1->setValue(qRound(across * HScroll1->maximum()));
        VScroll1->setValue(qRound(down * VScroll1->maximum()));
    }
    placeSurface();
}

void FrmPrint::placeSurface() {
    const auto offset = [](const QScrollBar* bar, int surface, int viewport) {
        if (surface < viewport)
            return (viewport - surface) / 2;
        return -PixelOffset(bar->value(), bar->maximum(), surface, viewport);
    };
    PicDraw->move(offset(HScroll1, PicDraw->width(), PicFrame->width()),
                  offset(VScroll1, PicDraw->height(), PicFrame->height()));
}

void FrmPrint::zoomBy(int steps) {
    zoom_ = std::clamp(zoom_ * std::pow(kZoomStep, steps), kZoomMin, kZoomMax);
    zoomMode_ = Zoom::Custom;
    const QString text = QStringLiteral("%1%").arg(qRound(zoom_ * 100));
    const QSignalBlocker block(CboZoom);
    if (CboZoom->count() <= int(Zoom::Custom))
        CboZoom->addItem(text);
    else
        CboZoom->setItemText(int(Zoom::Custom), text);
    CboZoom->setCurrentIndex(int(Zoom::Custom));
    applyZoom();
}

void FrmPrint::CboZoom_Click(int index) {
    if (index < 0 || index >= int(Zoom::Custom))
        return;  // the custom step is set by the wheel only
    zoomMode_ = static_cast<Zoom>(index);
    if (CboZoom->count() > int(Zoom::Custom))
        CboZoom->removeItem(int(Zoom::Custom));
    applyZoom();
}

void FrmPrint::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutControls();
    applyZoom();
}

bool FrmPrint::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == PicFrame || watched == PicDraw) && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int delta = wheel->angleDelta().y();
            if (delta != 0)
                zoomBy(delta > 0 ? 1 : -1);
        } else {
            QCoreApplication::sendEvent(VScroll1, event);
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FrmPrint::ChkSouba_Click(bool checked) {
    pageChoiceChanged(2, checked, ModWriteSoubaChoice);
}

void FrmPrint::ChkUtiwake_Click(bool checked) {
    pageChoiceChanged(1, checked, ModWriteBreakdownChoice);
}

void FrmPrint::pageChoiceChanged(int page, bool checked, PageChoiceWriter remember) {
    CmdPage->setEnabled(chosenPages().size() > 1);
    if (!checked && shown_ == page)
        showPage(0);
    else
        showPage(shown_);
    if (iniFilePath_.isEmpty())
        return;
    QString error;
    if (remember(iniFilePath_, checked, &error) != ini::WriteResult::Ok) {
        ui_.message(this,
                    QStringLiteral("設定ファイル %1 に書き込めないため、この選択は次回の起動には"
                                   "引き継がれません。\r")
                            .arg(QDir::toNativeSeparators(iniFilePath_)) +
                        error,
                    MsgIcon::Exclamation);
    }
}

void FrmPrint::CmdPage_Click() {
    // Through the chosen pages, from the last back to the first.
    const std::vector<int> pages = chosenPages();
    const auto at = std::find(pages.begin(), pages.end(), shown_);
    if (pages.size() > 1)
        showPage(at == pages.end() || at + 1 == pages.end() ? pages.front() : *(at + 1));
}

void FrmPrint::CmdPrint_Click() {
    QString error;
    const PrintOutcome outcome = PrintChohyoOnPrinter(printer_, rec_, ui_.today(), error, nullptr,
                                                      chosenBreakdown(), chosenSouba());
    if (outcome == PrintOutcome::NoPrinter) {
        ui_.message(this, NoPrinterText(), MsgIcon::Exclamation);
    } else if (outcome == PrintOutcome::Failed) {
        ui_.message(this, QStringLiteral("物件帳票を印刷できませんでした。\r") + error,
                    MsgIcon::Critical);
    }
}

void FrmPrint::CmdOK_Click() {
    close();
}

void FrmPrint::CmdPdf_Click() {
    const QString path = ChooseSaveFile(
        ui_, this, iniFilePath_, PdfFileKind(),
        PropertyFileName(QStringLiteral("物件帳票"), rec_, ui_.today(), PdfFileKind().suffix),
        ownFile_);
    if (path.isEmpty())
        return;
    QString error;
    if (!printer_.writePdfPages(path,
                                ChohyoPages(rec_, ui_.today(), kChohyoPrinter, nullptr,
                                            chosenBreakdown(), chosenSouba()),
                                error)) {
        ui_.message(this, QStringLiteral("PDFファイルに保存できませんでした。\r") + error,
                    MsgIcon::Critical);
        return;
    }
    NoteFileSaved(ui_, this, path);
}

void FrmPrint::HScroll1_Change(int) {
    placeSurface();
}

void FrmPrint::VScroll1_Change(int) {
    placeSurface();
}

}  // namespace ie
