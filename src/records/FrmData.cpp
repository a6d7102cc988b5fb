#include "records/FrmData.h"

#include "common/AppError.h"
#include "platform/IniFile.h"
#include "platform/QtUiServices.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "records/BukkenListModel.h"
#include "records/SaveLoad.h"
#include "state/ModGlobal.h"

#include <QFont>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTableView>

#include <algorithm>
#include <utility>

namespace ie {

namespace {

// The size the window opens at the first time: wide enough for 合計価格 and the three columns
// worked out from it, high enough for a dozen rows. It may be made smaller down to the size at
// which the buttons still stand apart.
constexpr int kDesignWidth = 15300;
constexpr int kDesignHeight = 5400;
constexpr int kMinWidth = 11715;
constexpr int kMinHeight = 3750;
// The grid keeps its margins to the window's edges, the buttons their distance to the bottom.
constexpr int kGridRightMargin = 525;
constexpr int kGridBottomMargin = 855;
constexpr int kButtonsFromBottom = 630;
// The remembered size, "width,height" in pixels.
const QString kSizeOption = QStringLiteral("FRMDATA_SIZE");

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(Tw(left), Tw(top));
    return l;
}

// A label sized to its text, never lower than its designed 180 twips.
void FitLabel(QLabel* l) {
    const QSize hint = l->sizeHint();
    l->resize(hint.width(), std::max(Tw(180), hint.height()));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left,
                        int width, const QString& tooltip, bool enabled) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    PlaceTw(b, left, 3120, width, 495);
    b->setToolTip(tooltip);
    b->setEnabled(enabled);
    // No button becomes the window's default: Enter in the grid must not ask to delete rows.
    b->setAutoDefault(false);
    return b;
}

void ShowDbFailure(UiServices& ui, QWidget* parent, const AppError& e, const QString& what) {
    ui.message(parent,
               QString::number(e.number()) + QLatin1Char('\r') + e.description() +
                   QLatin1Char('\r') + what,
               MsgIcon::Critical);
}

}  // namespace

FrmData::FrmData(ModGlobal& g, UiServices& ui, QWidget* parent) : QDialog(parent), g_(g), ui_(ui) {
    setObjectName(QStringLiteral("FrmData"));
    setWindowTitle(QStringLiteral("物件一覧"));
    setMinimumSize(Tw(kMinWidth), Tw(kMinHeight));
    setSizeGripEnabled(true);
    setFont(WindowFont());

    Label1 =
        MakeLabel(this, "Label1", QStringLiteral("今までに保存した物件の一覧画面です。"), 240, 120);
    FitLabel(Label1);
    LblRecCnt = MakeLabel(this, "LblRecCnt", QStringLiteral("0件あります。"), 4080, 120);
    FitLabel(LblRecCnt);

    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    PlaceTw(DataGrid1, 240, 480, 9375, 2415);
    DataGrid1->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    DataGrid1->setToolTip(
        QStringLiteral("左端をクリックして物件を選択して、下のボタンを押してください。"));
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setWordWrap(false);
    DataGrid1->setTabKeyNavigation(false);
    // The left edge is the row selector: a click there selects the row, Ctrl and Shift add to it.
    QHeaderView* selector = DataGrid1->verticalHeader();
    selector->setVisible(true);
    selector->setSectionResizeMode(QHeaderView::Fixed);
    selector->setMinimumWidth(Tw(240));
    selector->setDefaultSectionSize(DataGrid1->fontMetrics().height() + 6);
    DataGrid1->horizontalHeader()->setHighlightSections(false);
    model_ = new BukkenListModel(g_.UsrDbCon, this);
    DataGrid1->setModel(model_);
    connect(DataGrid1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FrmData::DataGrid1_SelChange);
    // Sorted only once a column title is clicked: until then the saved order.
    DataGrid1->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    DataGrid1->setSortingEnabled(true);
    connect(model_, &BukkenListModel::sortFailed, this,
            [this](int number, const QString& description) {
                ShowDbFailure(ui_, this, AppError(number, description),
                              QStringLiteral("物件情報を並べ替えられませんでした。"));
            });
    connect(DataGrid1, &QTableView::doubleClicked, this, &FrmData::DataGrid1_DblClick);
    DataGrid1->installEventFilter(this);

    CmdDel = MakeButton(this, "CmdDel", QStringLiteral("削除"), 240, 1455,
                        QStringLiteral("選択物件を削除します。"), false);
    CmdRead = MakeButton(this, "CmdRead", QStringLiteral("読込"), 2640, 1695,
                         QStringLiteral("選択物件情報を読み込みます。"), false);
    CmdPrint = MakeButton(this, "CmdPrint", QStringLiteral("印刷"), 5400, 1575,
                          QStringLiteral("選択物件を帳票形式で印刷します。"), false);
    CmdHikaku = MakeButton(
        this, "CmdHikaku", QStringLiteral("物件比較"), 7920, 1575,
        QStringLiteral("選択物件（選択がなければ全物件）の販売価格と評価額をグラフで比べます。"),
        true);
    CmdSouba = MakeButton(
        this, "CmdSouba", QStringLiteral("相場比較"), 10080, 1575,
        QStringLiteral("選択物件（複数なら最初の物件）を取り込んだ取引事例と比べます。"), false);
    CmdOK = MakeButton(this, "CmdOK", QStringLiteral("戻る"), 8160, 1455,
                       QStringLiteral("メイン画面に戻ります。"), true);
    connect(CmdDel, &QPushButton::clicked, this, &FrmData::CmdDel_Click);
    connect(CmdRead, &QPushButton::clicked, this, &FrmData::CmdRead_Click);
    connect(CmdPrint, &QPushButton::clicked, this, &FrmData::CmdPrint_Click);
    connect(CmdHikaku, &QPushButton::clicked, this, &FrmData::CmdHikaku_Click);
    connect(CmdSouba, &QPushButton::clicked, this, &FrmData::CmdSouba_Click);
    connect(CmdOK, &QPushButton::clicked, this, &FrmData::CmdOK_Click);

    setTabOrder(CmdOK, DataGrid1);
    setTabOrder(DataGrid1, CmdDel);
    setTabOrder(CmdDel, CmdRead);
    setTabOrder(CmdRead, CmdPrint);
    setTabOrder(CmdPrint, CmdHikaku);
    setTabOrder(CmdHikaku, CmdSouba);
    CmdOK->setFocus();

    openedSize_ = RememberedSize(g_.IniFilePath);
    resize(openedSize_);
    layOut();
}

QSize FrmData::RememberedSize(const QString& iniFilePath) {
    const QSize minimum(Tw(kMinWidth), Tw(kMinHeight));
    const QStringList parts = iniFilePath.isEmpty()
                                  ? QStringList()
                                  : ModReadOption(iniFilePath, kSizeOption).split(QLatin1Char(','));
    bool okW = false;
    bool okH = false;
    const QSize read = parts.size() == 2
                           ? QSize(parts[0].trimmed().toInt(&okW), parts[1].trimmed().toInt(&okH))
                           : QSize();
    if (!okW || !okH)
        return QSize(Tw(kDesignWidth), Tw(kDesignHeight));
    // Never smaller than the buttons need, nor absurdly large from a hand-edited file.
    return read.expandedTo(minimum).boundedTo(QSize(20000, 20000));
}

void FrmData::done(int result) {
    // Remembered only when the user changed it; a settings file that cannot be written just
    // forgets the size.
    if (!g_.IniFilePath.isEmpty() && size() != openedSize_) {
        ModWriteOption(g_.IniFilePath, kSizeOption,
                       QString::number(width()) + QLatin1Char(',') + QString::number(height()));
        openedSize_ = size();
    }
    QDialog::done(result);
}

void FrmData::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layOut();
}

// The grid grows with the window; the buttons stay on its bottom edge, 戻る at the right.
void FrmData::layOut() {
    const int w = width();
    const int h = height();
    DataGrid1->setGeometry(Tw(240), Tw(480), w - Tw(240) - Tw(kGridRightMargin),
                           h - Tw(480) - Tw(kGridBottomMargin));
    const int top = h - Tw(kButtonsFromBottom);
    for (QPushButton* b : {CmdDel, CmdRead, CmdPrint, CmdHikaku, CmdSouba})
        b->move(b->x(), top);
    CmdOK->move(w - Tw(kGridRightMargin) - CmdOK->width(), top);
}

bool FrmData::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a row reads it, as 読込 does.
    if (watched == DataGrid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QModelIndex current = DataGrid1->currentIndex();
            if (current.isValid())
                readProperty(model_->id(current.row()));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmData::DataGrid1_DblClick(const QModelIndex& index) {
    if (index.isValid() && index.row() < model_->rowCount())
        readProperty(model_->id(index.row()));
}

FrmData::~FrmData() {
    // The view must not read the recordset while the window is taken down, nor send its keys here.
    DataGrid1->removeEventFilter(this);
    model_->detach();
}

bool FrmData::Form_Load() {
    if (parentWidget()) {
        setWindowIcon(parentWidget()->windowIcon());
    }
    const bool ok = ShowBukkenList();
    g_.Bukken.BukkenRead = false;
    return ok;
}

QString FrmData::CountText(qint32 n) {
    if (n == 0) {
        return QStringLiteral("( ") + QString::number(n) + QStringLiteral(" 件です。 )");
    }
    return QStringLiteral("( ") + QString::number(n) +
           QStringLiteral(" 件の物件情報が保存されています。 )");
}

bool FrmData::ShowBukkenList() {
    model_->detach();
    resetSelectionOrder();
    try {
        model_->attach();
        // A list rebuilt after a delete or a print keeps the order the user chose.
        const QHeaderView* header = DataGrid1->horizontalHeader();
        if (header->sortIndicatorSection() >= 0)
            model_->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
        g_.Bukken.UsrRecCount = model_->rowCount();
        LblRecCnt->setText(CountText(g_.Bukken.UsrRecCount));
        FitLabel(LblRecCnt);
    } catch (const AppError& e) {
        model_->detach();
        ShowDbFailure(ui_, this, e, QStringLiteral("物件情報の一覧を読み込めませんでした。"));
        return false;
    }
    resetSelectionOrder();
    applyColumnSettings();
    return true;
}

void FrmData::applyColumnSettings() {
    for (int i = 0; i < BukkenListModel::modelColumnCount(); ++i) {
        const BukkenListModel::ColumnLayout layout = BukkenListModel::columnLayout(i);
        if (layout.hidden)
            DataGrid1->setColumnHidden(i, true);
        else if (layout.width > 0)
            DataGrid1->setColumnWidth(i, Tw(layout.width));
    }
}

void FrmData::resetSelectionOrder() {
    selStamp_.clear();
    nextStamp_ = 1;
    selectedCount_ = 0;
    setRowButtonsEnabled(false);
}

void FrmData::DataGrid1_SelChange(const QItemSelection& selected,
                                  const QItemSelection& deselected) {
    const int rows = model_->rowCount();
    for (const QItemSelectionRange& r : deselected) {
        for (int row = std::max(r.top(), 0); row <= std::min(r.bottom(), rows - 1); ++row) {
            if (!DataGrid1->selectionModel()->isRowSelected(row, QModelIndex()))
                selStamp_.erase(model_->id(row));
        }
    }
    for (const QItemSelectionRange& r : selected) {
        for (int row = std::max(r.top(), 0); row <= std::min(r.bottom(), rows - 1); ++row)
            selStamp_.try_emplace(model_->id(row), nextStamp_++);
    }
    selectedCount_ = static_cast<int>(selStamp_.size());
    setRowButtonsEnabled(selectedCount_ != 0);
}

std::vector<qint32> FrmData::selectedIds() const {
    std::vector<std::pair<quint64, qint32>> picked;
    picked.reserve(selStamp_.size());
    for (const auto& [id, stamp] : selStamp_)
        picked.emplace_back(stamp, id);
    std::sort(picked.begin(), picked.end());
    std::vector<qint32> out;
    out.reserve(picked.size());
    for (const auto& p : picked)
        out.push_back(p.second);
    return out;
}

void FrmData::setRowButtonsEnabled(bool enabled) {
    CmdDel->setEnabled(enabled && !g_.UsrDbReadOnly);
    CmdRead->setEnabled(enabled);
    CmdPrint->setEnabled(enabled);
    CmdSouba->setEnabled(enabled);
}

void FrmData::CmdDel_Click() {
    const std::vector<qint32> ids = selectedIds();
    if (ids.empty()) {
        return;
    }
    const QString ask = QStringLiteral("選択物件") + QString::number(ids.size()) +
                        QStringLiteral("件を削除しますか。");
    if (ui_.question(this, ask, QStringLiteral("物件情報削除"), Answer::No) == Answer::No) {
        return;
    }
    model_->detach();
    try {
        DeleteBukken(g_.UsrDbCon, ids);
    } catch (const AppError& e) {
        ShowDbFailure(
            ui_, this, e,
            QStringLiteral("選択物件を削除できませんでした。物件情報は削除前のままです。"));
    }
    ShowBukkenList();
    setRowButtonsEnabled(false);
}

void FrmData::CmdRead_Click() {
    const int row = DataGrid1->currentIndex().isValid() ? DataGrid1->currentIndex().row() : -1;
    if (row >= 0 && row < model_->rowCount()) {
        readProperty(model_->id(row));
        return;
    }
    // No current row: the row selected last stands for it.
    const std::vector<qint32> ids = selectedIds();
    if (!ids.empty())
        readProperty(ids.back());
}

bool FrmData::readProperty(qint32 id) {
    try {
        if (!LoadBukken(g_.UsrDbCon, id, g_.Bukken, ui_.today())) {
            ui_.message(this, RowGoneText(id), MsgIcon::Exclamation);
            return false;
        }
    } catch (const AppError& e) {
        ShowDbFailure(ui_, this, e, QStringLiteral("物件情報を読み込めませんでした。"));
        return false;
    }
    model_->detach();
    g_.Bukken.BukkenRead = true;
    accept();
    return true;
}

void FrmData::CmdOK_Click() {
    reject();
}

}  // namespace ie
