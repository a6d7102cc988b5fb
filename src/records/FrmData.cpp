#include "records/FrmData.h"

#include "common/AppError.h"
#include "platform/QtUiServices.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "records/BukkenListModel.h"
#include "records/SaveLoad.h"
#include "state/ModGlobal.h"

#include <QFont>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <utility>

namespace ie {

namespace {

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
    setFixedSize(Tw(10140), Tw(3750));
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

    CmdDel = MakeButton(this, "CmdDel", QStringLiteral("削除"), 240, 1455,
                        QStringLiteral("選択物件を削除します。"), false);
    CmdRead = MakeButton(this, "CmdRead", QStringLiteral("読込"), 2640, 1695,
                         QStringLiteral("選択物件情報を読み込みます。"), false);
    CmdPrint = MakeButton(this, "CmdPrint", QStringLiteral("印刷"), 5400, 1575,
                          QStringLiteral("選択物件を帳票形式で印刷します。"), false);
    CmdOK = MakeButton(this, "CmdOK", QStringLiteral("戻る"), 8160, 1455,
                       QStringLiteral("メイン画面に戻ります。"), true);
    connect(CmdDel, &QPushButton::clicked, this, &FrmData::CmdDel_Click);
    connect(CmdRead, &QPushButton::clicked, this, &FrmData::CmdRead_Click);
    connect(CmdPrint, &QPushButton::clicked, this, &FrmData::CmdPrint_Click);
    connect(CmdOK, &QPushButton::clicked, this, &FrmData::CmdOK_Click);

    setTabOrder(CmdOK, DataGrid1);
    setTabOrder(DataGrid1, CmdDel);
    setTabOrder(CmdDel, CmdRead);
    setTabOrder(CmdRead, CmdPrint);
    CmdOK->setFocus();
}

FrmData::~FrmData() {
    // The view must not read the recordset while the window is taken down.
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
    const auto hide = [&](const QString& name) {
        const int i = BukkenListModel::columnIndex(name);
        if (i >= 0)
            DataGrid1->setColumnHidden(i, true);
    };
    const auto width = [&](const QString& name, int twips) {
        const int i = BukkenListModel::columnIndex(name);
        if (i >= 0)
            DataGrid1->setColumnWidth(i, Tw(twips));
    };
    hide(QStringLiteral("物件ID"));
    width(QStringLiteral("敷地面積"), 900);
    for (const QString& name : {QStringLiteral("敷地評価額"), QStringLiteral("国税路線価")}) {
        width(name, 1200);
    }
    width(QStringLiteral("住所"), 2700);
    for (const QString& name :
         {QStringLiteral("家屋評価額"), QStringLiteral("合計価格"), QStringLiteral("敷地販売価格"),
          QStringLiteral("家屋販売価格"), QStringLiteral("合計販売価格")}) {
        width(name, 1200);
    }
    for (const QString& name : {QStringLiteral("側1路線ランク"), QStringLiteral("側2路線ランク"),
                                QStringLiteral("裏面路線ランク"), QStringLiteral("南道路ランク"),
                                QStringLiteral("無道路地ランク"), QStringLiteral("間口狭小ランク"),
                                QStringLiteral("奥行長大ランク"), QStringLiteral("崖地ランク"),
                                QStringLiteral("高圧線下ランク"), QStringLiteral("不整形ランク"),
                                QStringLiteral("坪単価"), QStringLiteral("延床面積"),
                                QStringLiteral("年間地価変動率"), QStringLiteral("画地補正率"),
                                QStringLiteral("その他ランク"), QStringLiteral("現場写真")}) {
        hide(name);
    }
}

void FrmData::resetSelectionOrder() {
    selStamp_.assign(static_cast<size_t>(model_->rowCount()), 0);
    nextStamp_ = 1;
    selectedCount_ = 0;
    setRowButtonsEnabled(false);
}

void FrmData::DataGrid1_SelChange(const QItemSelection& selected,
                                  const QItemSelection& deselected) {
    const auto rows = static_cast<int>(selStamp_.size());
    for (const QItemSelectionRange& r : deselected) {
        for (int row = std::max(r.top(), 0); row <= std::min(r.bottom(), rows - 1); ++row) {
            quint64& s = selStamp_[static_cast<size_t>(row)];
            if (s != 0 && !DataGrid1->selectionModel()->isRowSelected(row, QModelIndex())) {
                s = 0;
                --selectedCount_;
            }
        }
    }
    for (const QItemSelectionRange& r : selected) {
        for (int row = std::max(r.top(), 0); row <= std::min(r.bottom(), rows - 1); ++row) {
            quint64& s = selStamp_[static_cast<size_t>(row)];
            if (s == 0) {
                s = nextStamp_++;
                ++selectedCount_;
            }
        }
    }
    setRowButtonsEnabled(selectedCount_ != 0);
}

std::vector<qint32> FrmData::selectedIds() const {
    std::vector<std::pair<quint64, int>> picked;
    picked.reserve(static_cast<size_t>(selectedCount_));
    for (size_t row = 0; row < selStamp_.size(); ++row) {
        if (selStamp_[row] != 0)
            picked.emplace_back(selStamp_[row], static_cast<int>(row));
    }
    std::sort(picked.begin(), picked.end());
    std::vector<qint32> out;
    out.reserve(picked.size());
    for (const auto& p : picked)
        out.push_back(model_->id(p.second));
    return out;
}

void FrmData::setRowButtonsEnabled(bool enabled) {
    CmdDel->setEnabled(enabled && !g_.UsrDbReadOnly);
    CmdRead->setEnabled(enabled);
    CmdPrint->setEnabled(enabled);
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
    int row = DataGrid1->currentIndex().isValid() ? DataGrid1->currentIndex().row() : -1;
    if (row < 0 || row >= model_->rowCount()) {
        // No current row: the row selected last stands for it.
        const auto last = std::max_element(selStamp_.begin(), selStamp_.end());
        if (last == selStamp_.end() || *last == 0) {
            return;
        }
        row = static_cast<int>(last - selStamp_.begin());
    }
    const qint32 id = model_->id(row);
    try {
        if (!LoadBukken(g_.UsrDbCon, id, g_.Bukken, ui_.today())) {
            ui_.message(this, RowGoneText(id), MsgIcon::Exclamation);
            return;
        }
    } catch (const AppError& e) {
        ShowDbFailure(ui_, this, e, QStringLiteral("物件情報を読み込めませんでした。"));
        return;
    }
    model_->detach();
    g_.Bukken.BukkenRead = true;
    accept();
}

void FrmData::CmdOK_Click() {
    reject();
}

}  // namespace ie
