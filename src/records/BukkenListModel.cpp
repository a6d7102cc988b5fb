#include "records/BukkenListModel.h"

#include "common/AppError.h"
#include "common/Formats.h"

namespace ie {

BukkenListModel::BukkenListModel(db::Recordset& rs, QObject* parent)
    : QAbstractTableModel(parent), rs_(rs) {}

void BukkenListModel::attach() {
    beginResetModel();
    names_.clear();
    types_.clear();
    bookmarks_.clear();
    if (rs_.isOpen()) {
        const int n = rs_.fieldCount();
        for (int i = 0; i < n; ++i) {
            names_ << rs_.fieldName(i);
            types_.push_back(rs_.fieldType(i));
        }
        bookmarks_.reserve(static_cast<size_t>(rs_.recordCount()));
        if (rs_.recordCount() > 0) {
            for (rs_.moveFirst(); !rs_.eof(); rs_.moveNext()) {
                bookmarks_.push_back(rs_.bookmark());
            }
            rs_.moveFirst();
        }
    }
    endResetModel();
}

void BukkenListModel::detach() {
    beginResetModel();
    names_.clear();
    types_.clear();
    bookmarks_.clear();
    endResetModel();
}

int BukkenListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(bookmarks_.size());
}

int BukkenListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant BukkenListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    const db::FieldType type = types_[static_cast<size_t>(index.column())];
    if (type == db::FieldType::Blob) {
        return {};  // the photo is never read for the list
    }
    if (role == Qt::TextAlignmentRole) {
        const bool number = type == db::FieldType::Integer || type == db::FieldType::Double ||
                            type == db::FieldType::Currency;
        return QVariant::fromValue(
            Qt::Alignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::TextAlignmentRole) {
        return {};
    }
    try {
        rs_.setBookmark(bookmark(index.row()));
        const db::Value v = rs_.value(index.column());
        const bool number = v.kind() == db::Value::Kind::Currency ||
                            v.kind() == db::Value::Kind::Double ||
                            v.kind() == db::Value::Kind::Integer;
        if (role == Qt::TextAlignmentRole) {
            return number ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        }
        // Yen amounts read as whole yen with separators, as on the worksheet; the tooltip keeps
        // the exact stored value.
        if (role == Qt::DisplayRole && v.kind() == db::Value::Kind::Currency) {
            if (const auto c = v.toCurrency())
                return FormatWhole(*c);
        }
        return v.toText();
    } catch (const AppError&) {
        return {};  // a row that can no longer be read shows empty rather than stopping the window
    }
}

QVariant BukkenListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (orientation == Qt::Horizontal) {
        return section >= 0 && section < names_.size() ? QVariant(names_[section]) : QVariant();
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
