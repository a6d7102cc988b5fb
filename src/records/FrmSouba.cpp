#include "records/FrmSouba.h"

#include "common/AppError.h"
#include "common/Formats.h"
#include "common/SalesRatio.h"
#include "platform/QtUiServices.h"
#include "platform/SafeWrite.h"
#include "platform/UiServices.h"
#include "records/FrmTrades.h"
#include "report/ReportPrinter.h"
#include "state/ModGlobal.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ie {

namespace {

constexpr int kTwipsPerPixel = 15;

QString Yen(Currency c) {
    return FormatWhole(c) + QStringLiteral("円");
}

QString Hundredths(qint64 h) {
    return h % 100 == 0 ? QString::number(h / 100) : FormatFixed2(static_cast<double>(h) / 100);
}

QString MeasureText(const trades::Measure& m, const QString& unit) {
    switch (m.kind) {
        case trades::Measure::Kind::Blank:
            return {};
        case trades::Measure::Kind::Exact:
            return Hundredths(m.value) + unit;
        case trades::Measure::Kind::AtLeast:
            return Hundredths(m.value) + unit + QStringLiteral("以上");
    }
    return {};
}

QString BuiltText(const trades::BuildYear& b) {
    switch (b.kind) {
        case trades::BuildYear::Kind::Blank:
            return {};
        case trades::BuildYear::Kind::Prewar:
            return QStringLiteral("戦前");
        case trades::BuildYear::Kind::Year:
            return QString::number(b.year) + QStringLiteral("年");
    }
    return {};
}

// A cell that sorts by a number of its own, the text being only what is shown.
class SortItem : public QTableWidgetItem {
public:
    SortItem(const QString& text, double key, bool right) : QTableWidgetItem(text) {
        setData(Qt::UserRole, key);
        if (right)
            setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

QString RatioOrDash(const std::optional<double>& r) {
    return r ? RatioText(*r) : QStringLiteral("―");
}

}  // namespace

SoubaContent SoubaContentOf(const ComparisonResult& r, const BukkenJoho& rec, SoubaAxis axis,
                            const QDate& today) {
    SoubaContent c;
    c.today = today;
    const QString where = LocationText(rec);
    c.subtitle = (rec.Jusho.isEmpty() ? where : rec.Jusho) + QStringLiteral("（") +
                 (r.subject.house ? trades::KindText(trades::Kind::HouseAndLand)
                                  : trades::KindText(trades::Kind::Land)) +
                 QStringLiteral("の取引と比較）");
    c.lines << QStringLiteral("比較した取引：") + r.tierText;
    QString count = QStringLiteral("件数：") + ComparisonCountText(r);
    if (!r.enough)
        count +=
            QStringLiteral("　※いちばん広い条件でも5件に満たないため、参考程度に見てください。");
    c.lines << count;
    if (r.price.count > 0) {
        c.lines << QStringLiteral("取引価格（総額）：中央値 ") + Yen(r.price.median) +
                       QStringLiteral("（第1四分位 ") + Yen(r.price.q1) +
                       QStringLiteral("、第3四分位 ") + Yen(r.price.q3) + QStringLiteral("）");
    }
    if (r.perSquareMetre.count > 0) {
        c.lines << (r.subject.house ? QStringLiteral("総額÷土地面積：中央値 ")
                                    : QStringLiteral("㎡あたり：中央値 ")) +
                       Yen(r.perSquareMetre.median) + QStringLiteral("/㎡（第1四分位 ") +
                       Yen(r.perSquareMetre.q1) + QStringLiteral("/㎡、第3四分位 ") +
                       Yen(r.perSquareMetre.q3) + QStringLiteral("/㎡、") +
                       QString::number(r.perSquareMetre.count) + QStringLiteral("件）");
    }
    c.lines << QStringLiteral("販売価格÷中央値：") + RatioOrDash(r.askingRatio) +
                   QStringLiteral("　評価額÷中央値：") + RatioOrDash(r.estimateRatio);
    const bool byAge = axis == SoubaAxis::Age && r.subject.house;
    c.xTitle = byAge             ? QStringLiteral("築年数（年）")
               : r.subject.house ? QStringLiteral("延床面積（㎡）")
                                 : QStringLiteral("土地面積（㎡）");
    for (const ComparedTrade& t : r.trades) {
        const trades::Trade& tr = t.stored.trade;
        double x = 0;
        if (byAge) {
            if (t.age < 0)
                continue;
            x = t.age;
        } else {
            const trades::Measure& m = r.subject.house ? tr.floorArea : tr.area;
            x = static_cast<double>(m.value) / 100;
        }
        c.points.push_back({x, static_cast<double>(tr.price), t.inStatistics});
    }
    if (byAge) {
        c.subjectX = trades::PeriodYear(r.subject.valuationPeriod) - r.subject.builtYear;
    } else {
        c.subjectX = r.subject.house ? static_cast<double>(r.subject.size) / 100 * 400 / 121
                                     : static_cast<double>(r.subject.size) / 100;
    }
    c.asking = r.subject.asking.toDouble();
    c.estimate = r.subject.estimate.toDouble();
    c.limits = ComparisonLimitsText();
    c.credit = TradeSourceCredit();
    return c;
}

std::optional<SoubaContent> SoubaReportContent(const ModGlobal& g, const BukkenJoho& rec,
                                               const QDate& today) {
    const std::optional<ComparisonSubject> subject = SubjectOf(rec, nullptr);
    if (!subject || !QFileInfo::exists(g.TradesDbPath))
        return std::nullopt;
    try {
        db::Connection con;
        OpenTradesDb(con, g.TradesDbPath, false);
        return SoubaContentOf(CompareWithTrades(con, *subject), rec, SoubaAxis::Size, today);
    } catch (const AppError&) {
        return std::nullopt;
    }
}

SoubaChartView::SoubaChartView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PicChart"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setMinimumHeight(240);
}

void SoubaChartView::setContent(const SoubaContent& content) {
    content_ = content;
    update();
}

void SoubaChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    DrawSoubaChart(painter, QRectF(0, 0, width() * kTwipsPerPixel, height() * kTwipsPerPixel),
                   content_);
}

FrmSouba::FrmSouba(ModGlobal& g, UiServices& ui, ReportPrinter& printer, const BukkenJoho& rec,
                   QWidget* parent)
    : QDialog(parent), g_(g), ui_(ui), printer_(printer), rec_(rec) {
    setObjectName(QStringLiteral("FrmSouba"));
    setWindowTitle(QStringLiteral("相場比較"));
    setFont(WindowFont());
    setSizeGripEnabled(true);
    resize(980, 720);

    LblSummary = new QLabel(this);
    LblSummary->setObjectName(QStringLiteral("LblSummary"));
    LblSummary->setWordWrap(true);
    LblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    CboAxis = new QComboBox(this);
    CboAxis->setObjectName(QStringLiteral("CboAxis"));
    CboAxis->setToolTip(QStringLiteral("グラフの横軸を選びます。"));
    PicChart = new SoubaChartView;
    GrdTrades = new QTableWidget(0, 15, this);
    GrdTrades->setObjectName(QStringLiteral("GrdTrades"));
    GrdTrades->setHorizontalHeaderLabels(
        {QStringLiteral("取引時期"), QStringLiteral("地区名"), QStringLiteral("最寄駅"),
         QStringLiteral("徒歩分"), QStringLiteral("取引価格（総額）"), QStringLiteral("土地面積"),
         QStringLiteral("総額÷土地面積"), QStringLiteral("延床面積"), QStringLiteral("建築年"),
         QStringLiteral("築年数"), QStringLiteral("構造"), QStringLiteral("間取り"),
         QStringLiteral("改装"), QStringLiteral("取引の事情等"), QStringLiteral("統計")});
    GrdTrades->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GrdTrades->setSelectionBehavior(QAbstractItemView::SelectRows);
    GrdTrades->verticalHeader()->hide();
    LblLimits = new QLabel(ComparisonLimitsText(), this);
    LblLimits->setObjectName(QStringLiteral("LblLimits"));
    LblLimits->setWordWrap(true);
    LblCredit = new QLabel(TradeSourceCredit(), this);
    LblCredit->setObjectName(QStringLiteral("LblCredit"));
    LblCredit->setWordWrap(true);
    const auto button = [this](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    CmdPng = button("CmdPng", QStringLiteral("PNG保存"),
                    QStringLiteral("相場比較をPNG画像ファイルに保存します。"));
    CmdPdf = button("CmdPdf", QStringLiteral("PDF保存"),
                    QStringLiteral("相場比較をPDFファイル（A4横）に保存します。"));
    CmdOK = button("CmdOK", QStringLiteral("閉じる"), QStringLiteral("相場比較を閉じます。"));

    auto* axis = new QHBoxLayout;
    axis->addWidget(new QLabel(QStringLiteral("横軸"), this));
    axis->addWidget(CboAxis);
    axis->addStretch();
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(PicChart);
    split->addWidget(GrdTrades);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CmdPng);
    bottom->addWidget(CmdPdf);
    bottom->addStretch();
    bottom->addWidget(CmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LblSummary);
    layout->addLayout(axis);
    layout->addWidget(split, 1);
    layout->addWidget(LblLimits);
    layout->addWidget(LblCredit);
    layout->addLayout(bottom);
    connect(CboAxis, &QComboBox::currentIndexChanged, this, &FrmSouba::CboAxis_Click);
    connect(CmdPng, &QPushButton::clicked, this, &FrmSouba::CmdPng_Click);
    connect(CmdPdf, &QPushButton::clicked, this, &FrmSouba::CmdPdf_Click);
    connect(CmdOK, &QPushButton::clicked, this, &QDialog::accept);
    CmdOK->setDefault(true);
}

bool FrmSouba::Form_Load() {
    if (parentWidget())
        setWindowIcon(parentWidget()->window()->windowIcon());
    QString why;
    const std::optional<ComparisonSubject> subject = SubjectOf(rec_, &why);
    if (!subject) {
        ui_.message(this, QStringLiteral("相場比較ができません。\r") + why, MsgIcon::Exclamation);
        return false;
    }
    if (!QFileInfo::exists(g_.TradesDbPath)) {
        ui_.message(
            this,
            QStringLiteral("取引事例がまだ取り込まれていません。"
                           "「取引事例の取込」で国土交通省の不動産価格情報を取り込んでください。"),
            MsgIcon::Exclamation);
        return false;
    }
    try {
        db::Connection con;
        OpenTradesDb(con, g_.TradesDbPath, false);
        result_ = CompareWithTrades(con, *subject);
    } catch (const AppError& e) {
        OfferTradesRebuild(g_, ui_, this, e);
        return false;
    }
    CboAxis->blockSignals(true);
    CboAxis->clear();
    CboAxis->addItem(subject->house ? QStringLiteral("延床面積") : QStringLiteral("土地面積"));
    if (subject->house)
        CboAxis->addItem(QStringLiteral("築年数"));
    CboAxis->blockSignals(false);
    fillTable();
    CboAxis_Click(0);
    return true;
}

void FrmSouba::CboAxis_Click(int index) {
    content_ =
        SoubaContentOf(result_, rec_, index == 1 ? SoubaAxis::Age : SoubaAxis::Size, ui_.today());
    LblSummary->setText(content_.subtitle + QLatin1Char('\n') +
                        content_.lines.join(QLatin1Char('\n')));
    PicChart->setContent(content_);
}

void FrmSouba::fillTable() {
    GrdTrades->setSortingEnabled(false);
    GrdTrades->setRowCount(0);
    for (const ComparedTrade& c : result_.trades) {
        const trades::Trade& t = c.stored.trade;
        const int row = GrdTrades->rowCount();
        GrdTrades->insertRow(row);
        const auto put = [&](int col, const QString& text, double key, bool right) {
            GrdTrades->setItem(row, col, new SortItem(text, key, right));
        };
        put(0, trades::PeriodText(t.period), t.period, false);
        GrdTrades->setItem(row, 1, new QTableWidgetItem(t.district));
        GrdTrades->setItem(row, 2, new QTableWidgetItem(t.station));
        put(3, MeasureText(t.minutes, QStringLiteral("分")),
            t.minutes.kind == trades::Measure::Kind::Blank ? -1 : double(t.minutes.value) / 100,
            true);
        if (t.minutes.kind != trades::Measure::Kind::Blank) {
            // Minutes are whole, not hundredths.
            GrdTrades->item(row, 3)->setText(
                QString::number(t.minutes.value) +
                (t.minutes.exact() ? QStringLiteral("分") : QStringLiteral("分以上")));
        }
        put(4, FormatWhole(double(t.price)) + QStringLiteral("円"), double(t.price), true);
        put(5, MeasureText(t.area, QStringLiteral("㎡")), double(t.area.value), true);
        put(6,
            c.perSquareMetre ? FormatWhole(double(*c.perSquareMetre)) + QStringLiteral("円/㎡")
                             : QString(),
            c.perSquareMetre ? double(*c.perSquareMetre) : -1, true);
        put(7, MeasureText(t.floorArea, QStringLiteral("㎡")), double(t.floorArea.value), true);
        put(8, BuiltText(t.built), t.built.year, true);
        put(9, c.age >= 0 ? QString::number(c.age) + QStringLiteral("年") : QString(), c.age, true);
        GrdTrades->setItem(row, 10, new QTableWidgetItem(t.structure));
        GrdTrades->setItem(row, 11, new QTableWidgetItem(t.layout));
        GrdTrades->setItem(row, 12, new QTableWidgetItem(t.renovation));
        GrdTrades->setItem(row, 13, new QTableWidgetItem(t.circumstances));
        GrdTrades->setItem(
            row, 14,
            new QTableWidgetItem(c.inStatistics ? QStringLiteral("○") : QStringLiteral("除外")));
    }
    GrdTrades->setSortingEnabled(true);
    GrdTrades->resizeColumnsToContents();
}

QImage FrmSouba::pageImage() const {
    const QSize twips = A4LandscapePage().pageTwips;
    const double scale = 0.12;  // about 200 dpi
    QImage image(qRound(twips.width() * scale), qRound(twips.height() * scale),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PrintSouba(painter, ChohyoTarget{QRectF(0, 0, image.width(), image.height()), QSizeF(twips)},
               content_);
    return image;
}

QString FrmSouba::chooseFile(const SaveFileKind& kind) {
    return ChooseSaveFile(
        ui_, this, g_.IniFilePath, kind,
        PropertyFileName(QStringLiteral("相場比較"), rec_, ui_.today(), kind.suffix),
        [this](const QString& path) { return OwnFileAt(g_, path); });
}

void FrmSouba::CmdPng_Click() {
    const QString path = chooseFile(PngFileKind());
    if (path.isEmpty())
        return;
    SavePngFile(ui_, this, pageImage(), path);
}

void FrmSouba::CmdPdf_Click() {
    const QString path = chooseFile(PdfFileKind());
    if (path.isEmpty())
        return;
    QString error;
    const SoubaContent content = content_;
    if (!printer_.writePdf(
            path,
            [&content](QPainter& painter, const ChohyoTarget& target) {
                PrintSouba(painter, target, content);
            },
            error)) {
        ui_.message(this, QStringLiteral("ファイルに保存できませんでした。\r") + error,
                    MsgIcon::Critical);
        return;
    }
    NoteFileSaved(ui_, this, path);
}

}  // namespace ie
