#include "records/BukkenListModel.h"

#include "common/AppError.h"
#include "common/Collation.h"
#include "common/Formats.h"
#include "common/HouseNotes.h"
#include "common/SalesRatio.h"
#include "records/ListFigures.h"
#include "state/PropertyColumns.h"

#include <algorithm>
#include <unordered_map>

namespace ie {

namespace {

constexpr size_t kBlockRows = 256;
// Enough blocks for any scrolling a screen shows; beyond it the cache starts again, so that
// paging through a very large list does not hold every row.
constexpr size_t kMaxBlocks = 64;

enum class Worked { None, Ratio, Difference, Age, Quake };

// A column of the model: a stored list column (its index in PropertyStore::listColumns()) or one
// worked out from the stored ones.
struct ModelColumn {
    QString name;
    int stored = -1;
    Worked worked = Worked::None;
    BukkenListModel::ColumnLayout layout;
};

const std::vector<ModelColumn>& Columns() {
    static const std::vector<ModelColumn> columns = [] {
        std::vector<ModelColumn> out;
        const std::vector<ListColumn>& stored = PropertyStore::listColumns();
        for (size_t i = 0; i < stored.size(); ++i) {
            const PropertyColumn& c = *stored[i].column;
            out.push_back({stored[i].name,
                           static_cast<int>(i),
                           Worked::None,
                           {c.list != InList::Shown, c.width}});
            // The worked-out columns sit right after our estimate, which they are read against.
            if (stored[i].name == QStringLiteral("合計価格")) {
                out.push_back({QStringLiteral("販売計算比"), -1, Worked::Ratio, {false, 1200}});
                out.push_back({QStringLiteral("差額"), -1, Worked::Difference, {false, 1200}});
                out.push_back({QStringLiteral("築年数"), -1, Worked::Age, {false, 750}});
                out.push_back({QStringLiteral("耐震"), -1, Worked::Quake, {false, 1500}});
            }
        }
        return out;
    }();
    return columns;
}

struct Sources {
    int asking = PropertyStore::listColumnIndex(QStringLiteral("合計販売価格"));
    int estimate = PropertyStore::listColumnIndex(QStringLiteral("合計価格"));
    int built = PropertyStore::listColumnIndex(QStringLiteral("家屋建築年月日"));
    int valued = PropertyStore::listColumnIndex(QStringLiteral("評価年月日"));
    int tuboTanka = PropertyStore::listColumnIndex(QStringLiteral("坪単価"));
    int floorArea = PropertyStore::listColumnIndex(QStringLiteral("延床面積"));
};

const Sources& Src() {
    static const Sources s;
    return s;
}

// The stored columns a model column is worked out from, in the order WorkedValue takes them.
std::vector<int> SourceColumns(const ModelColumn& c) {
    switch (c.worked) {
        case Worked::None:
            return {c.stored};
        case Worked::Ratio:
        case Worked::Difference:
            return {Src().asking, Src().estimate};
        case Worked::Age:
            return {Src().built, Src().valued, Src().tuboTanka, Src().floorArea};
        case Worked::Quake:
            return {Src().tuboTanka, Src().floorArea, Src().built};
    }
    return {};
}

// 旧耐震の可能性 from the stored 坪単価, 延床面積 and 建築日 (SourceColumns' order).
QString QuakeText(const std::vector<db::Value>& v) {
    const std::optional<QDate> built = v[2].toDate();
    return MayBeOldEarthquakeStandard(v[0].toDouble().value_or(0), v[1].toDouble().value_or(0),
                                      built.value_or(QDate()))
               ? OldEarthquakeStandardShort()
               : QString();
}

bool IsNumberColumn(const ModelColumn& c) {
    if (c.worked == Worked::Quake)
        return false;
    if (c.worked != Worked::None)
        return true;
    const db::FieldType t = PropertyStore::listColumns()[static_cast<size_t>(c.stored)].type;
    return t == db::FieldType::Integer || t == db::FieldType::Double ||
           t == db::FieldType::Currency;
}

// A stored 0 of a column where 0 means "not given" (an asking price saved before an empty one was
// stored as Null): shown empty and sorted last, like Null.
bool BlankZero(const ModelColumn& c, const db::Value& v) {
    if (c.stored < 0)
        return false;
    const PropertyColumn* pc = PropertyStore::listColumns()[static_cast<size_t>(c.stored)].column;
    if (pc == nullptr || !pc->zeroIsNull || pc->type() != db::FieldType::Currency)
        return false;
    const std::optional<Currency> amount = v.toCurrency();
    return amount && amount->isZero();
}

// A row's sort key for one column: a number (amounts in ten-thousandths, dates as day numbers)
// or a collation key; null for a Null value or an empty text.
struct SortKey {
    bool null = true;
    bool isText = false;
    long double number = 0;
    QByteArray text;
};

SortKey KeyOf(const ModelColumn& c, const std::vector<db::Value>& v) {
    SortKey k;
    const auto number = [&k](long double n) {
        k.null = false;
        k.number = n;
    };
    switch (c.worked) {
        case Worked::Ratio:
            if (const auto r = RatioOf(v[0], v[1]))
                number(*r);
            return k;
        case Worked::Difference:
            if (const auto d = DifferenceOf(v[0], v[1]))
                number(d->key());
            return k;
        case Worked::Age:
            if (const auto a = AgeOf(v[0], v[1], v[2], v[3]))
                number(*a);
            return k;
        case Worked::Quake:
            if (const QString t = QuakeText(v); !t.isEmpty()) {
                k.null = false;
                k.isText = true;
                k.text = JapaneseSortKey(t);
            }
            return k;
        case Worked::None:
            break;
    }
    const db::Value& value = v[0];
    if (value.isNull() || BlankZero(c, value))
        return k;
    switch (PropertyStore::listColumns()[static_cast<size_t>(c.stored)].type) {
        case db::FieldType::Currency:
            if (const auto a = AmountOf(value))
                number(a->key());
            break;
        case db::FieldType::Integer:
        case db::FieldType::Double:
            if (const auto d = value.toDouble())
                number(*d);
            break;
        case db::FieldType::Date:
            if (const auto d = value.toDate(); d && d->isValid())
                number(static_cast<long double>(d->toJulianDay()));
            break;
        case db::FieldType::Text:
        case db::FieldType::Other:
            if (const QString t = value.toText(); !t.isEmpty()) {
                k.null = false;
                k.isText = true;
                k.text = JapaneseSortKey(t);
            }
            break;
        case db::FieldType::Blob:
            break;
    }
    return k;
}

// What a worked-out column shows for a row (its stored columns' values as SourceColumns gives).
QString WorkedText(Worked w, const std::vector<db::Value>& v) {
    switch (w) {
        case Worked::Ratio:
            if (const auto r = RatioOf(v[0], v[1]))
                return RatioText(*r);
            break;
        case Worked::Difference:
            if (const auto d = DifferenceOf(v[0], v[1]))
                return d->wholeText();
            break;
        case Worked::Age:
            if (const auto a = AgeOf(v[0], v[1], v[2], v[3]))
                return QString::number(*a);
            break;
        case Worked::Quake:
            return QuakeText(v);
        case Worked::None:
            break;
    }
    return {};
}

}  // namespace

BukkenListModel::BukkenListModel(db::Connection& con, QObject* parent)
    : QAbstractTableModel(parent), con_(con) {}

void BukkenListModel::attach() {
    beginResetModel();
    blocks_.clear();
    ids_.clear();
    savedOrder_.clear();
    sorted_ = false;
    attached_ = false;
    try {
        savedOrder_ = PropertyStore(con_).ids();
        ids_ = savedOrder_;
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
    savedOrder_.clear();
    sorted_ = false;
    attached_ = false;
    endResetModel();
}

int BukkenListModel::columnIndex(const QString& name) {
    const std::vector<ModelColumn>& columns = Columns();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

int BukkenListModel::modelColumnCount() {
    return static_cast<int>(Columns().size());
}

BukkenListModel::ColumnLayout BukkenListModel::columnLayout(int column) {
    return Columns().at(static_cast<size_t>(column)).layout;
}

int BukkenListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ids_.size());
}

int BukkenListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !attached_ ? 0 : static_cast<int>(Columns().size());
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
            PropertyStore store(con_);
            // In the saved order a block is a range of IDs; sorted, it is any IDs.
            read = sorted_ ? store.listRows(
                                 std::vector<qint32>(ids_.begin() + first, ids_.begin() + last + 1))
                           : store.listRows(ids_[first], ids_[last]);
        } catch (const AppError&) {
            return nullptr;  // a block that cannot be read shows empty rather than stop the window
        }
        // Matched by ID: rows deleted meanwhile stay empty, rows added meanwhile are not shown.
        std::unordered_map<qint32, size_t> byId;
        byId.reserve(read.size());
        for (size_t i = 0; i < read.size(); ++i)
            byId.emplace(read[i].id, i);
        std::vector<std::vector<db::Value>> cells(last - first + 1);
        for (size_t k = 0; k < cells.size(); ++k) {
            const auto found = byId.find(ids_[first + k]);
            if (found != byId.end())
                cells[k] = std::move(read[found->second].values);
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
    const ModelColumn& column = Columns()[static_cast<size_t>(index.column())];
    if (column.worked == Worked::None &&
        PropertyStore::listColumns()[static_cast<size_t>(column.stored)].type ==
            db::FieldType::Blob) {
        return {};  // the photo is never read for the list
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(
            (IsNumberColumn(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    const std::vector<db::Value>* values = rowValues(index.row());
    if (values == nullptr) {
        return {};
    }
    if (column.worked != Worked::None) {
        std::vector<db::Value> from;
        for (const int i : SourceColumns(column))
            from.push_back((*values)[static_cast<size_t>(i)]);
        return WorkedText(column.worked, from);
    }
    const db::Value& v = (*values)[static_cast<size_t>(column.stored)];
    if (BlankZero(column, v))
        return QString();
    // Yen amounts read as whole yen with separators, as on the worksheet; the tooltip keeps the
    // exact stored value.
    if (role == Qt::DisplayRole && v.kind() == db::Value::Kind::Currency) {
        if (const auto c = v.toCurrency())
            return FormatWhole(*c);
    }
    return v.toText();
}

QVariant BukkenListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // Every column's first click sorts ascending, whatever the previous column's direction was.
    if (role == Qt::InitialSortOrderRole && orientation == Qt::Horizontal) {
        return QVariant::fromValue(static_cast<int>(Qt::AscendingOrder));
    }
    if (role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (orientation == Qt::Horizontal) {
        return section >= 0 && section < columnCount()
                   ? QVariant(Columns()[static_cast<size_t>(section)].name)
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

std::vector<size_t> BukkenListModel::sortedPositions(int column, Qt::SortOrder order) {
    const ModelColumn& c = Columns()[static_cast<size_t>(column)];
    const std::vector<ListRow> read = PropertyStore(con_).listValues(SourceColumns(c));
    // Keys by position in the saved order; both lists ascend by ID. Rows gone meanwhile stay
    // null, rows added meanwhile are not shown.
    std::vector<SortKey> keys(savedOrder_.size());
    size_t k = 0;
    for (const ListRow& row : read) {
        while (k < savedOrder_.size() && savedOrder_[k] < row.id)
            ++k;
        if (k < savedOrder_.size() && savedOrder_[k] == row.id)
            keys[k] = KeyOf(c, row.values);
    }
    // Numbers and texts sorted as pairs of key and position, so that each comparison is a plain
    // one; ties keep the saved order; the Null values follow in the saved order.
    std::vector<std::pair<long double, size_t>> numbers;
    std::vector<std::pair<QByteArray, size_t>> texts;
    std::vector<size_t> nulls;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].null)
            nulls.push_back(i);
        else if (!keys[i].isText)
            numbers.emplace_back(keys[i].number, i);
        else
            texts.emplace_back(std::move(keys[i].text), i);
    }
    const auto sortPairs = [order](auto& pairs) {
        if (order == Qt::DescendingOrder) {
            std::sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
                return b.first < a.first || (!(a.first < b.first) && a.second < b.second);
            });
        } else {
            std::sort(pairs.begin(), pairs.end());
        }
    };
    sortPairs(numbers);
    sortPairs(texts);
    std::vector<size_t> positions;
    positions.reserve(keys.size());
    for (const auto& p : numbers)
        positions.push_back(p.second);
    for (const auto& p : texts)
        positions.push_back(p.second);
    positions.insert(positions.end(), nulls.begin(), nulls.end());
    return positions;
}

void BukkenListModel::sort(int column, Qt::SortOrder order) {
    if (!attached_) {
        return;
    }
    std::vector<qint32> next;
    if (column >= 0 && column < columnCount()) {
        try {
            const std::vector<size_t> positions = sortedPositions(column, order);
            next.reserve(positions.size());
            for (const size_t p : positions)
                next.push_back(savedOrder_[p]);
        } catch (const AppError& e) {
            Q_EMIT sortFailed(e.number(), e.description());
            return;
        }
    } else {
        next = savedOrder_;
    }

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The view's selection and current row follow their properties to their new places.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    if (!before.isEmpty()) {
        std::unordered_map<qint32, int> rowOf;
        rowOf.reserve(next.size());
        for (size_t i = 0; i < next.size(); ++i)
            rowOf.emplace(next[i], static_cast<int>(i));
        for (const QModelIndex& i : before) {
            const auto found = rowOf.find(ids_[static_cast<size_t>(i.row())]);
            after << (found == rowOf.end() ? QModelIndex()
                                           : index(found->second, i.column(), i.parent()));
        }
    }
    ids_ = std::move(next);
    sorted_ = ids_ != savedOrder_;
    blocks_.clear();
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace ie
