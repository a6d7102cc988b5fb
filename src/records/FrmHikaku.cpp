#include "records/FrmHikaku.h"

#include "common/AppError.h"
#include "platform/QtUiServices.h"
#include "platform/SafeWrite.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "report/ReportPrinter.h"
#include "state/ModGlobal.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolTip>
#include <QVBoxLayout>

namespace ie {

namespace {

constexpr int kTwipsPerPixel = 15;
// The PNG is drawn at twice the screen's density, sharp enough to print or zoom into.
constexpr int kPngScale = 2;

ChohyoTarget PixelTarget(const QSize& twips, double pixelsPerTwip) {
    return ChohyoTarget{QRectF(0, 0, twips.width() * pixelsPerTwip, twips.height() * pixelsPerTwip),
                        QSizeF(twips)};
}

}  // namespace

HikakuChartView::HikakuChartView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PicChart"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setMouseTracking(true);
}

void HikakuChartView::setContent(const HikakuContent& content) {
    content_ = content;
    laidOutWidth_ = -1;
    layOut();
    update();
}

void HikakuChartView::layOut() {
    if (laidOutWidth_ == width())
        return;
    laidOutWidth_ = width();
    const std::vector<HikakuPage> pages =
        HikakuLayout(content_, QSize(std::max(width(), 1) * kTwipsPerPixel, 0));
    page_ = pages.front();
    setMinimumHeight(page_.height / kTwipsPerPixel + 1);
}

void HikakuChartView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void HikakuChartView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    DrawHikakuPage(painter,
                   PixelTarget(QSize(width() * kTwipsPerPixel, height() * kTwipsPerPixel),
                               1.0 / kTwipsPerPixel),
                   page_,
                   QRect(exposed.topLeft() * kTwipsPerPixel, exposed.size() * kTwipsPerPixel));
}

QString HikakuChartView::tipAt(QPoint pos) const {
    return HikakuTipAt(page_, pos * kTwipsPerPixel);
}

bool HikakuChartView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = tipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(event);
}

FrmHikaku::FrmHikaku(ModGlobal& g, UiServices& ui, ReportPrinter& printer,
                     const std::optional<std::vector<qint32>>& ids, QWidget* parent)
    : QDialog(parent), g_(g), ui_(ui), printer_(printer), ids_(ids) {
    setObjectName(QStringLiteral("FrmHikaku"));
    setWindowTitle(QStringLiteral("物件比較"));
    setFont(WindowFont());
    setSizeGripEnabled(true);
    resize(Tw(12600), Tw(8400));

    LblOrder = new QLabel(QStringLiteral("並び順"), this);
    LblOrder->setObjectName(QStringLiteral("LblOrder"));
    CboOrder = new QComboBox(this);
    CboOrder->setObjectName(QStringLiteral("CboOrder"));
    CboOrder->addItems({QStringLiteral("販売計算比の低い順"), QStringLiteral("差額の小さい順"),
                        QStringLiteral("住所順")});
    CboOrder->setToolTip(QStringLiteral("物件を並べる順番を選びます。"));
    LblOrder->setBuddy(CboOrder);

    ScrChart = new QScrollArea(this);
    ScrChart->setObjectName(QStringLiteral("ScrChart"));
    ScrChart->setWidgetResizable(true);
    ScrChart->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PicChart = new HikakuChartView;
    ScrChart->setWidget(PicChart);

    const auto button = [this](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    CmdPng = button("CmdPng", QStringLiteral("PNG保存"),
                    QStringLiteral("比較グラフをPNG画像ファイルに保存します。"));
    CmdPdf = button("CmdPdf", QStringLiteral("PDF保存"),
                    QStringLiteral("比較グラフをPDFファイル（A4横）に保存します。"));
    CmdPrint = button("CmdPrint", QStringLiteral("印刷"),
                      QStringLiteral("比較グラフをA4横で印刷します。"));
    CmdOK = button("CmdOK", QStringLiteral("閉じる"), QStringLiteral("物件比較を閉じます。"));

    auto* top = new QHBoxLayout;
    top->addWidget(LblOrder);
    top->addWidget(CboOrder);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CmdPng);
    bottom->addWidget(CmdPdf);
    bottom->addWidget(CmdPrint);
    bottom->addStretch();
    bottom->addWidget(CmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ScrChart, 1);
    layout->addLayout(bottom);

    connect(CboOrder, &QComboBox::currentIndexChanged, this, &FrmHikaku::CboOrder_Click);
    connect(CmdPng, &QPushButton::clicked, this, &FrmHikaku::CmdPng_Click);
    connect(CmdPdf, &QPushButton::clicked, this, &FrmHikaku::CmdPdf_Click);
    connect(CmdPrint, &QPushButton::clicked, this, &FrmHikaku::CmdPrint_Click);
    connect(CmdOK, &QPushButton::clicked, this, &FrmHikaku::CmdOK_Click);
    setTabOrder(CboOrder, ScrChart);
    setTabOrder(ScrChart, CmdPng);
    setTabOrder(CmdPng, CmdPdf);
    setTabOrder(CmdPdf, CmdPrint);
    setTabOrder(CmdPrint, CmdOK);
    CmdOK->setDefault(true);
}

bool FrmHikaku::Form_Load() {
    if (parentWidget())
        setWindowIcon(parentWidget()->window()->windowIcon());
    try {
        entries_ = ReadHikaku(g_.UsrDbCon, ids_);
    } catch (const AppError& e) {
        ui_.message(this,
                    QString::number(e.number()) + QLatin1Char('\r') + e.description() +
                        QLatin1Char('\r') +
                        QStringLiteral("比較する物件情報を読み込めませんでした。"),
                    MsgIcon::Critical);
        return false;
    }
    CboOrder_Click(CboOrder->currentIndex());
    return true;
}

void FrmHikaku::CboOrder_Click(int index) {
    const auto order = static_cast<HikakuOrder>(std::clamp(index, 0, 2));
    SortHikaku(entries_, order);
    content_ = HikakuContentOf(entries_, order, ui_.today());
    PicChart->setContent(content_);
}

std::vector<HikakuPage> FrmHikaku::printPages() const {
    return HikakuLayout(content_, A4LandscapePage().pageTwips);
}

QImage FrmHikaku::chartImage() const {
    const int widthTwips = A4LandscapePage().pageTwips.width();
    const HikakuPage page = HikakuLayout(content_, QSize(widthTwips, 0)).front();
    const double scale = static_cast<double>(kPngScale) / kTwipsPerPixel;
    const QSize twips(widthTwips, page.height);
    QImage image(qRound(twips.width() * scale), qRound(twips.height() * scale),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawHikakuPage(painter, PixelTarget(twips, scale), page);
    return image;
}

QString FrmHikaku::chooseFile(const SaveFileKind& kind) {
    const QString name = QStringLiteral("物件比較_%1.%2")
                             .arg(ui_.today().toString(QStringLiteral("yyyyMMdd")), kind.suffix);
    return ChooseSaveFile(ui_, this, g_.IniFilePath, kind, name,
                          [this](const QString& path) { return OwnFileAt(g_, path); });
}

void FrmHikaku::CmdPng_Click() {
    const QString path = chooseFile(PngFileKind());
    if (path.isEmpty())
        return;
    SavePngFile(ui_, this, chartImage(), path);
}

namespace {

ReportPages ChartPages(const std::vector<HikakuPage>& pages) {
    ReportPages out;
    for (const HikakuPage& page : pages) {
        out.push_back([&page](QPainter& painter, const ChohyoTarget& target) {
            DrawHikakuPage(painter, target, page);
        });
    }
    return out;
}

}  // namespace

void FrmHikaku::CmdPdf_Click() {
    const QString path = chooseFile(PdfFileKind());
    if (path.isEmpty())
        return;
    const std::vector<HikakuPage> pages = printPages();
    QString error;
    // The printer service's text already names the file and the cause.
    if (!printer_.writePdfPages(path, ChartPages(pages), error)) {
        ui_.message(this, QStringLiteral("ファイルに保存できませんでした。\r") + error,
                    MsgIcon::Critical);
        return;
    }
    NoteFileSaved(ui_, this, path);
}

void FrmHikaku::CmdPrint_Click() {
    if (!printer_.hasPrinter()) {
        ui_.message(this,
                    QStringLiteral("使用可能なプリンタが存在しません。"
                                   "通常使用するプリンタを設定してください。"),
                    MsgIcon::Exclamation);
        return;
    }
    // Laid out on the printer's own A4 landscape drawing area.
    const ReportPage page = printer_.page();
    const std::vector<HikakuPage> pages = HikakuLayout(
        content_, QSize(qRound(page.areaTwips.width()), qRound(page.areaTwips.height())));
    QString error;
    if (!printer_.printJob(ChartPages(pages), error)) {
        ui_.message(this, QStringLiteral("物件比較を印刷できませんでした。\r") + error,
                    MsgIcon::Critical);
    }
}

void FrmHikaku::CmdOK_Click() {
    close();
}

}  // namespace ie
