#pragma once

#include "state/PropertyStore.h"

#include <QAbstractTableModel>

#include <unordered_map>
#include <vector>

namespace ie {

// The saved properties as a read-only table for an item view. The rows' IDs are read when the
// model is attached; the cells are read in blocks of rows the first time the view asks for one,
// so that only the rows on screen are ever read. The photo is never read. Values show in the
// database layer's plain text form (numbers without grouping, dates yyyy/mm/dd), yen amounts as
// whole yen with separators, numbers right-aligned.
//
// Besides the stored columns it has three worked out from them, after 合計価格: 販売計算比, 差額
// and 築年数. It sorts by any column (sort()): the sort column of every row is read in one
// statement and sorted here, Null values last in either direction; column -1 is the saved order.
class BukkenListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BukkenListModel(db::Connection& con, QObject* parent = nullptr);

    // Reads the rows' IDs afresh (the connection must be open), in the saved order. Throws
    // AppError.
    void attach();
    // Forgets every row, before the connection is closed.
    void detach();

    qint32 id(int row) const { return ids_[static_cast<size_t>(row)]; }
    // The IDs of every row, in the order shown.
    const std::vector<qint32>& ids() const { return ids_; }
    // The column's index by its title, -1 when there is none.
    static int columnIndex(const QString& name);
    // How a view lays a column out: hidden, or shown at a width in twips (0: the view's own).
    struct ColumnLayout {
        bool hidden = false;
        int width = 0;
    };
    static ColumnLayout columnLayout(int column);
    static int modelColumnCount();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Numbers as numbers, dates as dates, texts in Japanese order; ties keep the saved order.
    // When the column cannot be read, the order stays and sortFailed is emitted.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

Q_SIGNALS:
    void sortFailed(int number, const QString& description);

private:
    // The values of a row, read with its block; nullptr for a row that has gone meanwhile.
    const std::vector<db::Value>* rowValues(int row) const;
    std::vector<size_t> sortedPositions(int column, Qt::SortOrder order);

    db::Connection& con_;
    bool attached_ = false;
    std::vector<qint32> savedOrder_;  // ascending, as attached
    std::vector<qint32> ids_;         // as shown
    bool sorted_ = false;             // ids_ differs from savedOrder_
    // Blocks of rows read so far, by block number; one entry per row of the block, empty for a
    // row that has gone. Filled lazily by data(), hence mutable.
    mutable std::unordered_map<size_t, std::vector<std::vector<db::Value>>> blocks_;
};

}  // namespace ie
