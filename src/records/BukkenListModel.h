#pragma once

#include "platform/Database.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace ie {

// The rows of an open recordset as a read-only table for an item view. Each cell is read from the
// recordset when the view asks for it, so only the rows on screen are ever rendered; photo columns
// are never read. Values show in the database layer's plain text form (numbers without grouping,
// dates yyyy/mm/dd), numbers right-aligned.
class BukkenListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BukkenListModel(db::Recordset& rs, QObject* parent = nullptr);

    // Takes the columns and rows of the (freshly opened) recordset.
    void attach();
    // Forgets them, before the recordset is closed or changed behind the model's back.
    void detach();

    db::Recordset::Bookmark bookmark(int row) const { return bookmarks_[static_cast<size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    db::Recordset& rs_;
    QStringList names_;
    std::vector<db::FieldType> types_;
    std::vector<db::Recordset::Bookmark> bookmarks_;
};

}  // namespace ie
