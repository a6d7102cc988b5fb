#pragma once

#include <QString>

class QIODevice;
class QWidget;

namespace ie {

class UiServices;
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

// The statement whose rows the export writes, in the table's own order.
QString CsvExportQuery();

// One value as it goes into a line: unchanged, or in double quotes with inner quotes doubled when
// it holds a comma, a double quote, a CR or an LF (so that every line keeps its 18 fields).
QString CsvField(const QString& value);

// Writes every row of 物件情報 to path in CP932: the quoted header and CR LF, then the rows
// separated by CR, the last one followed by CR LF. An empty table gives a zero-byte file. The
// file is written beside the target and renamed over it only on success. con must be open.
CsvExportResult ExportCsv(db::Connection& con, const QString& path);

// The same rows written to out, which the caller opens and commits or discards; path is only named
// in a failure's text. NUL characters are left out of every value.
CsvExportResult WriteCsv(db::Connection& con, QIODevice& out, const QString& path);

// The export menu command: asks for the file (pre-filled with CsvFile), asks before overwriting,
// opens the user database, writes, and reports a failure or the characters written as '?'.
void RunCsvExport(ModGlobal& g, UiServices& ui, QWidget* parent);

}  // namespace ie
