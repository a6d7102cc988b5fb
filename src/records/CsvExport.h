#pragma once

#include "records/ListFigures.h"

#include <QByteArray>
#include <QString>

#include <vector>

class QIODevice;

namespace ie {

struct ModGlobal;
namespace db {
class Connection;
}

// What an export did. When ok is false, error says what failed and the target file is untouched.
struct CsvExportResult {
    bool ok = false;
    QString error;
    qint64 rows = 0;
    // Characters CP932 cannot hold at all, written as '?'.
    int unmappable = 0;
    // The file could not be written; error is "ファイルに書き込めません。" CR path CR cause.
    bool writeFailed = false;
};

// The statement whose rows the export writes, in the table's own order (the readable format reads
// a few more columns after them).
QString CsvExportQuery();

// A kind of file the export writes. A new kind is one more entry of CsvFormats().
struct CsvFormat {
    // The name the save chooser offers and the closing message names.
    QString name;
    // The file's bytes for a piece of its text; counts into *unmappable the characters written
    // as '?' because the encoding cannot hold them.
    QByteArray (*encode)(const QString& text, int* unmappable);
    bool byteOrderMark;  // the file starts with U+FEFF
    QString between;     // what separates two records
    QString last;        // what follows the last record
    // A text column's value beginning with =, +, -, @, a tab or a CR gets a leading '
    // (CsvFieldGuarded)
    bool guardFormulas;
    // An asking price not given (Null, or the 0 older rows hold) is written as 0, as every row
    // was before an empty price was stored as Null; otherwise it is left empty.
    bool absentAskingAsZero;
    // For people rather than programs: money in whole yen with separators as the windows show it,
    // the yearly rate in % ("年間地価変動率（%）"), areas with two decimals, and after the 18
    // columns 物件ID, 価格を調べる日, 構造, 築年数, 販売計算比（%） and 差額.
    bool readable;
};

// Every format, in the order the save chooser offers them; the first is the default.
const std::vector<CsvFormat>& CsvFormats();
// For Excel: CP932, records separated by a lone CR, the last one ending in CR LF.
const CsvFormat& CsvShiftJis();
// For people: readable (see CsvFormat), UTF-8 with a byte-order mark, CR LF after every record.
// Both guard formula-like texts.
const CsvFormat& CsvUtf8();

// One value as it goes into a line: unchanged, or in double quotes with inner quotes doubled when
// it holds a comma, a double quote, a CR or an LF (so that every line keeps its 18 fields).
QString CsvField(const QString& value);

// A value as both formats write it: quoted as CsvField, except that a text column's value
// beginning with =, +, -, @, a tab or a CR gets a leading ' inside quotes, so that a spreadsheet
// shows it instead of running it as a formula. Number columns (a negative number too) are never
// changed.
QString CsvFieldGuarded(const QString& value, bool textColumn);

// The file name the export writes to: a name typed without an extension gets ".csv".
QString CsvTargetPath(const QString& chosen);

// Writes every row of 物件情報 to path: the quoted header, then one line per row, in the given
// format. An empty table gives a zero-byte file. The file is written beside the target and renamed
// over it only on success. con must be open. The readable format names structures with names (a
// code alone when none is given).
CsvExportResult ExportCsv(db::Connection& con, const QString& path,
                          const CsvFormat& format = CsvShiftJis(),
                          const StructureNamer& names = {});

// The same rows written to out, which the caller opens and commits or discards; path is only named
// in a failure's text. NUL characters are left out of every value.
CsvExportResult WriteCsv(db::Connection& con, QIODevice& out, const QString& path,
                         const CsvFormat& format = CsvShiftJis(), const StructureNamer& names = {});

}  // namespace ie
