#pragma once

#include "platform/Database.h"
#include "state/BukkenJoho.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace ie {

// What an update of a saved property came to.
enum class UpdateOutcome {
    Saved,       // the row is rewritten
    RowGone,     // no row has that ID any more; nothing written
    RowChanged,  // another copy of the program saved the row since it was loaded; nothing written
};

// One saved property as read back: the stored columns laid over a base record, and the photo.
struct StoredProperty {
    BukkenJoho record;
    std::optional<QByteArray> photo;  // nullopt when the row has none (Null or zero bytes)
};

struct PropertyColumn;

// A column of the property list: its title, how its values read, and its row of PropertyColumns().
struct ListColumn {
    QString name;
    db::FieldType type;
    const PropertyColumn* column = nullptr;
};

// One row of the property list: its ID and one value per list column (the photo column is Null).
struct ListRow {
    qint32 id = 0;
    std::vector<db::Value> values;
};

// The saved properties (table 物件情報) as typed operations, one statement each, every value
// bound. Writes run inside the caller's transaction; every failure throws AppError (db::DbError
// for the database's own), and nothing here asks the user anything.
class PropertyStore {
public:
    explicit PropertyStore(db::Connection& con) : con_(con) {}

    qint32 count();
    // The IDs of every row, ascending.
    std::vector<qint32> ids();

    // Adds the property as a new row whose ID is one more than the highest (1 for the first row)
    // and returns that ID. Throws AppError(kOverflow) when no higher ID is left.
    qint32 insert(const BukkenJoho& rec, const std::optional<QByteArray>& photo);
    // Rewrites row id and raises its change count (更新回数), provided the row still has the
    // count rec was loaded with (rec.KoshinKaisu); otherwise writes nothing and says why. An empty
    // memo text is stored as Null. A new row starts at 1.
    UpdateOutcome update(qint32 id, const BukkenJoho& rec, const std::optional<QByteArray>& photo);
    // The change count of row id (Null reads as 0), or nullopt when no row has that ID.
    std::optional<qint64> changeCount(qint32 id);
    // Row id over base, or nullopt when no row has that ID. Null or unreadable numbers give the
    // record's defaults, a missing build date gives today, and a missing road-price year or
    // valuation date keeps base's.
    std::optional<StoredProperty> load(qint32 id, const BukkenJoho& base, const QDate& today);
    // Deletes these rows; IDs that are gone already are passed over.
    void remove(const std::vector<qint32>& ids);

    // The list's columns (those of PropertyColumns() the list has, shown or hidden), in its order.
    static const std::vector<ListColumn>& listColumns();
    // Where the list column of this title sits in listColumns(), or -1.
    static int listColumnIndex(const QString& name);
    // The list columns of the rows whose IDs lie from first to last, ascending. The photo is
    // never read.
    std::vector<ListRow> listRows(qint32 first, qint32 last);
    // The list columns of the rows with these IDs (in any order), ascending by ID; IDs that are
    // gone are passed over.
    std::vector<ListRow> listRows(const std::vector<qint32>& ids);
    // Some list columns (by their index in listColumns()) of every row, ascending by ID: values[k]
    // is column columns[k]. What sorting and comparing a whole list read, in one statement.
    std::vector<ListRow> listValues(const std::vector<int>& columns);

private:
    db::Connection& con_;
};

}  // namespace ie
