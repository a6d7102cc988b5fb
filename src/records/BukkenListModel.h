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
class BukkenListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BukkenListModel(db::Connection& con, QObject* parent = nullptr);

    // Reads the rows' IDs afresh (the connection must be open). Throws AppError.
    void attach();
    // Forgets every row, before the connection is closed.
    void detach();

    qint32 id(int row) const { return ids_[static_cast<size_t>(row)]; }
    // The column's index by its title, -1 when there is none.
    static int columnIndex(const QString& name);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // The values of a row, read with its block; nullptr for a row that has gone meanwhile.
    const std::vector<db::Value>* rowValues(int row) const;

    db::Connection& con_;
    bool attached_ = false;
    std::vector<qint32> ids_;
    // Blocks of rows read so far, by block number; one entry per row of the block, empty for a
    // row that has gone. Filled lazily by data(), hence mutable.
    mutable std::unordered_map<size_t, std::vector<std::vector<db::Value>>> blocks_;
};

}  // namespace ie
