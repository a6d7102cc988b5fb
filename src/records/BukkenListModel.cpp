#include "records/BukkenListModel.h"

#include "common/AppError.h"
#include "common/Formats.h"

#include <algorithm>

namespace ie {

namespace {

constexpr size_t kBlockRows = 256;
// Enough blocks for any scrolling a screen shows; beyond it the cache starts again, so that
// paging through a very large list does not hold every row.
constexpr size_t kMaxBlocks = 64;

}  // namespace

BukkenListModel::BukkenListModel(db::Connection& con, QObject* parent)
    : QAbstractTableModel(parent), con_(con) {}

void BukkenListModel::attach() {
    beginResetModel();
    blocks_.clear();
    ids_.clear();
    attached_ = false;
    try {
        ids_ = PropertyStore(con_).ids();
        attached_ = true;
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
}

void BukkenListModel::detach() {
    beginResetModel();
    blocks_.clear();
    ids_.clear();
    attached_ = false;
    endResetModel();
}

int BukkenListModel::columnIndex(const QString& name) {
    const std::vector<ListColumn>& columns = PropertyStore::listColumns();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

int BukkenListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ids_.size());
}

int BukkenListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !attached_ ? 0
                                          : static_cast<int>(PropertyStore::listColumns().size());
}

const std::vector<db::Value>* BukkenListModel::rowValues(int row) const {
    const size_t r = static_cast<size_t>(row);
    const size_t block = r / kBlockRows;
    auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        const size_t first = block * kBlockRows;
        const size_t last = std::min(first + kBlockRows, ids_.size()) - 1;
        std::vector<ListRow> read;
        try {
            read = PropertyStore(con_).listRows(ids_[first], ids_[last]);
        } catch (const AppError&) {
            return nullptr;  // a block that cannot be read shows empty rather than stop the window
        }
        // Matched by ID: rows deleted meanwhile stay empty, rows added meanwhile are not shown.
        std::vector<std::vector<db::Value>> cells(last - first + 1);
        size_t k = 0;
        for (ListRow& lr : read) {
            while (k < cells.size() && ids_[first + k] < lr.id)
                ++k;
            if (k < cells.size() && ids_[first + k] == lr.id)
                cells[k] = std::move(lr.values);
        }
        if (blocks_.size() >= kMaxBlocks)
            blocks_.clear();
        it = blocks_.emplace(block, std::move(cells)).first;
    }
    const std::vector<db::Value>& values = it->second[r - block * kBlockRows];
    return values.empty() ? nullptr : &values;
}

QVariant BukkenListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::TextAlignmentRole) {
        return {};
    }
    const db::FieldType type =
        PropertyStore::listColumns()[static_cast<size_t>(index.column())].type;
    if (type == db::FieldType::Blob) {
        return {};  // the photo is never read for the list
    }
    if (role == Qt::TextAlignmentRole) {
        const bool number = type == db::FieldType::Integer || type == db::FieldType::Double ||
                            type == db::FieldType::Currency;
        return QVariant::fromValue(
            Qt::Alignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    const std::vector<db::Value>* values = rowValues(index.row());
    if (values == nullptr) {
        return {};
    }
    const db::Value& v = (*values)[static_cast<size_t>(index.column())];
    // Yen amounts read as whole yen with separators, as on the worksheet; the tooltip keeps the
    // exact stored value.
    if (role == Qt::DisplayRole && v.kind() == db::Value::Kind::Currency) {
        if (const auto c = v.toCurrency())
            return FormatWhole(*c);
    }
    return v.toText();
}

QVariant BukkenListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (orientation == Qt::Horizontal) {
        return section >= 0 && section < columnCount()
                   ? QVariant(PropertyStore::listColumns()[static_cast<size_t>(section)].name)
                   : QVariant();
    }
    return QString();  // the row selector carries no text
}

Qt::ItemFlags BukkenListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

}  // namespace ie
