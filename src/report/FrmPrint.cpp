#include "report/FrmPrint.h"

#include "platform/IniFile.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "state/BukkenJoho.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace ie {

namespace {

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
    setFixedSize(Tw(10470), Tw(7095));
    setModal(true);

    PicFrame = new QWidget(this);  // a child widget is clipped to its parent: the viewport
    PicFrame->setObjectName(QStringLiteral("PicFrame"));
    PlaceTw(PicFrame, 240, 240, 9375, 5775);
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
    CmdPage = Button(this, "CmdPage", QStringLiteral("次ページ"),
                     QStringLiteral("物件帳票と計算の内訳を切り替えて表示します。"), 6600, 6480,
                     1335, 495);

    setTabOrder(CmdOK, CmdPrint);
    setTabOrder(CmdPrint, HScroll1);
    setTabOrder(HScroll1, VScroll1);
    setTabOrder(VScroll1, CmdPdf);
    setTabOrder(CmdPdf, ChkUtiwake);
    setTabOrder(ChkUtiwake, CmdPage);

    connect(CmdPrint, &QPushButton::clicked, this, &FrmPrint::CmdPrint_Click);
    connect(CmdOK, &QPushButton::clicked, this, &FrmPrint::CmdOK_Click);
    connect(CmdPdf, &QPushButton::clicked, this, &FrmPrint::CmdPdf_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, &FrmPrint::HScroll1_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &FrmPrint::VScroll1_Change);
    connect(CmdPage, &QPushButton::clicked, this, &FrmPrint::CmdPage_Click);

    Form_Load();
    // Connected once the remembered choice is shown, so that showing it writes nothing.
    connect(ChkUtiwake, &QCheckBox::toggled, this, &FrmPrint::ChkUtiwake_Click);
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
    PicDraw->setFixedSize(surface);

    ApplySteps(VScroll1, ScrollStepsFor(page_.pageTwips.height(), 5775));
    ApplySteps(HScroll1, ScrollStepsFor(page_.pageTwips.width(), 9375));

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
    CmdPage->setEnabled(ChkUtiwake->isChecked());
    showPage(0);
}

const BreakdownContent* FrmPrint::chosenBreakdown() const {
    return breakdown_ && ChkUtiwake->isChecked() ? &*breakdown_ : nullptr;
}

void FrmPrint::showPage(int page) {
    shown_ = page;
    PicDraw->setPixmap(QPixmap::fromImage(images_[shown_]));
    CmdPage->setText(shown_ == 0 ? QStringLiteral("次ページ") : QStringLiteral("前ページ"));
}

void FrmPrint::ChkUtiwake_Click(bool checked) {
    CmdPage->setEnabled(checked);
    if (!checked && shown_ != 0)
        showPage(0);
    if (iniFilePath_.isEmpty())
        return;
    QString error;
    if (ModWriteBreakdownChoice(iniFilePath_, checked, &error) != ini::WriteResult::Ok) {
        ui_.message(this,
                    QStringLiteral("設定ファイル %1 に書き込めないため、この選択は次回の起動には"
                                   "引き継がれません。\r")
                            .arg(QDir::toNativeSeparators(iniFilePath_)) +
                        error,
                    MsgIcon::Exclamation);
    }
}

void FrmPrint::CmdPage_Click() {
    if (chosenBreakdown() != nullptr)
        showPage(shown_ == 0 ? 1 : 0);
}

void FrmPrint::CmdPrint_Click() {
    QString error;
    if (PrintChohyoOnPrinter(printer_, ui_, this, rec_, ui_.today(), error, nullptr,
                             chosenBreakdown()) == PrintOutcome::Failed) {
        ui_.message(this, QStringLiteral("物件帳票を印刷できませんでした。\r") + error,
                    MsgIcon::Critical);
    }
}

void FrmPrint::CmdOK_Click() {
    close();
}

void FrmPrint::CmdPdf_Click() {
    QString path = ui_.saveFileName(this, QStringLiteral("PDFファイル (*.pdf)"),
                                    QDir::home().filePath(QStringLiteral("物件帳票.pdf")));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    if (QFileInfo::exists(path) &&
        ui_.question(this, QStringLiteral("同じ名前のファイルが存在します。上書きしますか"),
                     AppTitle(), Answer::Yes) == Answer::No) {
        return;
    }
    QString error;
    if (!printer_.writePdfPages(
            path, ChohyoPages(rec_, ui_.today(), kChohyoPrinter, nullptr, chosenBreakdown()),
            error)) {
        ui_.message(this, QStringLiteral("PDFファイルに保存できませんでした。\r") + error,
                    MsgIcon::Critical);
    }
}

void FrmPrint::HScroll1_Change(int value) {
    PicDraw->move(-PixelOffset(value, HScroll1->maximum(), PicDraw->width(), PicFrame->width()),
                  PicDraw->y());
}

void FrmPrint::VScroll1_Change(int value) {
    PicDraw->move(PicDraw->x(),
                  -PixelOffset(value, VScroll1->maximum(), PicDraw->height(), PicFrame->height()));
}

}  // namespace ie
