#include "records/FrmTrades.h"

#include "common/AppError.h"
#include "common/Formats.h"
#include "platform/QtUiServices.h"
#include "platform/UiServices.h"
#include "state/ModGlobal.h"
#include "state/TradeImport.h"
#include "state/TradeStore.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace ie {

namespace {

QString DamagedText(const ModGlobal& g) {
    return QStringLiteral("取引事例のデータベースが壊れています。\r") +
           QDir::toNativeSeparators(g.TradesDbPath) +
           QStringLiteral("\r物件情報には影響ありません。取引事例のデータベースを作り直して、"
                          "取り込み直しますか？");
}

QString Count(qint64 n) {
    return FormatWhole(static_cast<double>(n));
}

}  // namespace

QString TradeSourceCredit() {
    return QStringLiteral(
        "出典：国土交通省 不動産情報ライブラリ（不動産価格（取引価格・成約価格）情報）をもとに作成");
}

bool OfferTradesRebuild(ModGlobal& g, UiServices& ui, QWidget* parent, const AppError& e) {
    if (!TradesDbDamaged(e)) {
        ui.message(parent,
                   QString::number(e.number()) + QLatin1Char('\r') + e.description() +
                       QLatin1Char('\r') + QDir::toNativeSeparators(g.TradesDbPath),
                   MsgIcon::Critical);
        return false;
    }
    if (ui.question(parent, DamagedText(g), AppTitle(), Answer::No) != Answer::Yes)
        return false;
    if (!RemoveTradesDb(g.TradesDbPath)) {
        ui.message(parent,
                   QStringLiteral("取引事例のデータベースを削除できません。\r") +
                       QDir::toNativeSeparators(g.TradesDbPath),
                   MsgIcon::Critical);
        return false;
    }
    return RunTradeImport(g, ui, parent);
}

bool RunTradeImport(ModGlobal& g, UiServices& ui, QWidget* parent) {
    const QStringList paths = ui.openFileNames(
        parent, QStringLiteral("不動産価格情報 (*.csv *.CSV *.zip *.ZIP);;すべてのファイル (*)"),
        QDir::homePath());
    if (paths.isEmpty())
        return false;
    TradeImportProgress progress;
    TradeImportResult result;
    const QString dbPath = g.TradesDbPath;
    const QFuture<void> work = QtConcurrent::run(
        [&progress, &result, paths, dbPath] { result = ImportTrades(paths, dbPath, progress); });
    ui.track(
        parent, QStringLiteral("取引事例の取込"), work,
        [&progress] {
            ProgressState s;
            const int total = progress.quartersTotal;
            if (total > 0) {
                s.text = QStringLiteral("書き込んでいます… ") +
                         QString::number(progress.quartersWritten) + QStringLiteral(" / ") +
                         QString::number(total) + QStringLiteral(" 四半期");
                s.permille = 900 + 100 * progress.quartersWritten / total;
            } else {
                s.text = QStringLiteral("読み込んだ行数：") + Count(progress.rowsRead);
                s.permille = progress.bytesTotal > 0
                                 ? static_cast<int>(900 * progress.bytesRead / progress.bytesTotal)
                                 : -1;
            }
            return s;
        },
        [&progress] { progress.cancel = true; });
    const bool wrote = result.quarters > 0;
    if (result.end == TradeImportResult::End::Failed && result.damaged) {
        if (ui.question(parent, DamagedText(g), AppTitle(), Answer::No) == Answer::Yes &&
            RemoveTradesDb(g.TradesDbPath)) {
            TradeImportProgress again;
            const QFuture<void> redo = QtConcurrent::run(
                [&again, &result, paths, dbPath] { result = ImportTrades(paths, dbPath, again); });
            ui.track(parent, QStringLiteral("取引事例の取込"), redo,
                     [&again] {
                         return ProgressState{QStringLiteral("読み込んだ行数：") +
                                                  Count(again.rowsRead),
                                              -1};
                     },
                     [&again] { again.cancel = true; });
        } else {
            return wrote;
        }
    }
    const bool bad = result.end == TradeImportResult::End::Failed ||
                     result.end == TradeImportResult::End::Refused;
    ui.message(parent, TradeImportSummary(result),
               bad ? MsgIcon::Critical : MsgIcon::Information);
    return result.quarters > 0;
}

FrmTrades::FrmTrades(ModGlobal& g, UiServices& ui, QWidget* parent)
    : QDialog(parent), g_(g), ui_(ui) {
    setObjectName(QStringLiteral("FrmTrades"));
    setWindowTitle(QStringLiteral("取り込んだ取引事例"));
    setFont(WindowFont());
    setSizeGripEnabled(true);
    resize(640, 420);
    LblSummary = new QLabel(this);
    LblSummary->setObjectName(QStringLiteral("LblSummary"));
    GrdTrades = new QTableWidget(0, 4, this);
    GrdTrades->setObjectName(QStringLiteral("GrdTrades"));
    GrdTrades->setHorizontalHeaderLabels({QStringLiteral("都道府県"), QStringLiteral("取引時期"),
                                          QStringLiteral("四半期数"), QStringLiteral("件数")});
    GrdTrades->setSelectionBehavior(QAbstractItemView::SelectRows);
    GrdTrades->setSelectionMode(QAbstractItemView::SingleSelection);
    GrdTrades->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GrdTrades->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    GrdTrades->verticalHeader()->hide();
    CmdImport = new QPushButton(QStringLiteral("取込…"), this);
    CmdImport->setObjectName(QStringLiteral("CmdImport"));
    CmdImport->setToolTip(QStringLiteral("CSVファイルまたはZIPファイルから取引事例を取り込みます。"));
    CmdDel = new QPushButton(QStringLiteral("削除"), this);
    CmdDel->setObjectName(QStringLiteral("CmdDel"));
    CmdDel->setToolTip(QStringLiteral("選んだ都道府県の取引事例をすべて削除します。"));
    CmdOK = new QPushButton(QStringLiteral("閉じる"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    LblCredit = new QLabel(TradeSourceCredit(), this);
    LblCredit->setObjectName(QStringLiteral("LblCredit"));
    LblCredit->setWordWrap(true);
    for (QPushButton* b : {CmdImport, CmdDel, CmdOK})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CmdImport);
    buttons->addWidget(CmdDel);
    buttons->addStretch();
    buttons->addWidget(CmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LblSummary);
    layout->addWidget(GrdTrades, 1);
    layout->addWidget(LblCredit);
    layout->addLayout(buttons);
    connect(CmdImport, &QPushButton::clicked, this, &FrmTrades::CmdImport_Click);
    connect(CmdDel, &QPushButton::clicked, this, &FrmTrades::CmdDel_Click);
    connect(CmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

bool FrmTrades::Form_Load() {
    if (parentWidget())
        setWindowIcon(parentWidget()->window()->windowIcon());
    return refresh();
}

bool FrmTrades::refresh() {
    GrdTrades->setRowCount(0);
    std::vector<TradePrefectureSummary> summary;
    if (QFileInfo::exists(g_.TradesDbPath)) {
        try {
            db::Connection con;
            OpenTradesDb(con, g_.TradesDbPath, false);
            summary = TradeSummary(con);
        } catch (const AppError& e) {
            OfferTradesRebuild(g_, ui_, this, e);
            return false;
        }
    }
    qint64 total = 0;
    for (const TradePrefectureSummary& s : summary) {
        const int row = GrdTrades->rowCount();
        GrdTrades->insertRow(row);
        auto* name = new QTableWidgetItem(s.name);
        name->setData(Qt::UserRole, s.prefecture);
        GrdTrades->setItem(row, 0, name);
        // A gap in the quarters held shows as the count being less than the span.
        const int span = s.lastPeriod - s.firstPeriod + 1;
        QString periods = trades::PeriodText(s.firstPeriod) + QStringLiteral(" ～ ") +
                          trades::PeriodText(s.lastPeriod);
        if (span != s.quarters)
            periods += QStringLiteral("（抜けあり）");
        GrdTrades->setItem(row, 1, new QTableWidgetItem(periods));
        auto* quarters = new QTableWidgetItem(QString::number(s.quarters));
        quarters->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        GrdTrades->setItem(row, 2, quarters);
        auto* count = new QTableWidgetItem(Count(s.trades));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        GrdTrades->setItem(row, 3, count);
        total += s.trades;
    }
    GrdTrades->resizeColumnsToContents();
    LblSummary->setText(summary.empty()
                            ? QStringLiteral("取引事例はまだ取り込まれていません。")
                            : QString::number(summary.size()) + QStringLiteral(" 都道府県、") +
                                  Count(total) + QStringLiteral(" 件"));
    CmdDel->setEnabled(!summary.empty());
    return true;
}

void FrmTrades::CmdImport_Click() {
    RunTradeImport(g_, ui_, this);
    refresh();
}

void FrmTrades::CmdDel_Click() {
    const int row = GrdTrades->currentRow();
    if (row < 0) {
        ui_.message(this, QStringLiteral("削除する都道府県を選んでください。"), MsgIcon::Exclamation);
        return;
    }
    const int prefecture = GrdTrades->item(row, 0)->data(Qt::UserRole).toInt();
    const QString name = GrdTrades->item(row, 0)->text();
    if (ui_.question(this, name + QStringLiteral("の取引事例をすべて削除しますか？"), AppTitle(),
                     Answer::No) != Answer::Yes)
        return;
    try {
        db::Connection con;
        OpenTradesDb(con, g_.TradesDbPath, false);
        RemoveTradePrefecture(con, prefecture);
    } catch (const AppError& e) {
        OfferTradesRebuild(g_, ui_, this, e);
    }
    refresh();
}

}  // namespace ie
