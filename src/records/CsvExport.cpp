#include "records/CsvExport.h"

#include "common/Cp932.h"
#include "common/Currency.h"
#include "platform/Database.h"
#include "platform/UiServices.h"
#include "platform/WriteFailure.h"
#include "state/ModGlobal.h"
#include "state/PropertyColumns.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <sqlite3.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace ie {

using namespace Qt::StringLiterals;

namespace {

// The columns the CSV has, in their order.
const std::vector<const PropertyColumn*>& CsvColumns() {
    static const std::vector<const PropertyColumn*> columns = [] {
        std::vector<const PropertyColumn*> out;
        for (const PropertyColumn& c : PropertyColumns()) {
            if (c.csv)
                out.push_back(&c);
        }
        return out;
    }();
    return columns;
}

// The computed total has no declared type; the database layer treats it as currency.
const QString kComputedTotal = u"合計価格"_s;

enum class Kind { Integer, Double, Currency, Date, Text, Other };

// The same reading of declared types as the database layer's.
Kind KindOf(sqlite3_stmt* st, int column) {
    const char* decl = sqlite3_column_decltype(st, column);
    if (!decl) {
        const QString name = QString::fromUtf8(sqlite3_column_name(st, column));
        return name == kComputedTotal ? Kind::Currency : Kind::Other;
    }
    const QByteArray t = QByteArray(decl).toUpper();
    if (t.contains("CURRENCY"))
        return Kind::Currency;
    if (t.contains("DATE"))
        return Kind::Date;
    if (t.contains("INT"))
        return Kind::Integer;
    if (t.contains("REAL") || t.contains("DOUB") || t.contains("FLOA"))
        return Kind::Double;
    if (t.contains("TEXT") || t.contains("CHAR") || t.contains("CLOB"))
        return Kind::Text;
    return Kind::Other;
}

// "yyyy-MM-dd" as the layer stores dates; anything else is not a date.
QDate IsoDate(const unsigned char* s, int n) {
    if (n != 10 || s[4] != '-' || s[7] != '-')
        return {};
    auto num = [s](int from, int len) {
        int v = 0;
        for (int i = from; i < from + len; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return -1;
            v = v * 10 + (s[i] - '0');
        }
        return v;
    };
    const int y = num(0, 4), m = num(5, 2), d = num(8, 2);
    if (y < 0 || m < 0 || d < 0)
        return {};
    return QDate(y, m, d);
}

// The value's plain text form, as db::Value::toText gives it. A stored value that does not fit its
// declared type keeps its storage form, as in the database layer.
QString CellText(sqlite3_stmt* st, int column, Kind kind) {
    switch (sqlite3_column_type(st, column)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER: {
            const qint64 v = sqlite3_column_int64(st, column);
            if (kind == Kind::Currency)
                return Currency::fromRaw(v).toPlainText();
            if (kind == Kind::Double)
                return db::Value::real(double(v)).toText();
            return db::Value::integer(v).toText();
        }
        case SQLITE_FLOAT: {
            double v = sqlite3_column_double(st, column);
            // Only the computed total can come back as a float in a currency column: SQLite turns
            // an integer sum that leaves 64 bits into a float of ten-thousandths.
            if (kind == Kind::Currency &&
                QString::fromUtf8(sqlite3_column_name(st, column)) == kComputedTotal) {
                v /= double(Currency::kScale);
            }
            return db::Value::real(v).toText();
        }
        case SQLITE_TEXT: {
            const auto* s = sqlite3_column_text(st, column);
            const int n = sqlite3_column_bytes(st, column);
            if (kind == Kind::Date) {
                const QDate d = IsoDate(s, n);
                if (d.isValid())
                    return db::Value::date(d).toText();
            }
            // A NUL a text may hold from an older version ends a field in most readers; it never
            // goes into the file.
            return QString::fromUtf8(reinterpret_cast<const char*>(s), n).remove(QChar(0));
        }
        default:
            return {};  // photo bytes are never exported
    }
}

struct StmtDeleter {
    void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};

QString DbFailure(sqlite3* db) {
    return QStringLiteral("データベースを読み込めません。(%1 %2)")
        .arg(sqlite3_extended_errcode(db))
        .arg(QString::fromUtf8(sqlite3_errmsg(db)));
}

// Encodes and writes what has been gathered, keeping a running count of '?' characters. On a
// failure, err is errno as the write left it.
bool Flush(QIODevice& file, QString& buffer, CsvFormat format, int& unmappable, int& err) {
    if (buffer.isEmpty())
        return true;
    QByteArray bytes;
    if (format == CsvFormat::Utf8) {
        bytes = buffer.toUtf8();
    } else {
        int bad = 0;
        bytes = cp932::Encode(buffer, &bad);
        unmappable += bad;
    }
    buffer.resize(0);
    errno = 0;
    const bool ok = file.write(bytes) == bytes.size();
    err = errno;
    return ok;
}

void WriteFailed(CsvExportResult& result, const QIODevice& out, const QString& path, int err) {
    result.error = WriteFailedText(path, WriteCauseOf(out, err));
    result.writeFailed = true;
}

// The columns that hold typed text.
bool IsTextColumn(int column) {
    return CsvColumns()[size_t(column)]->type() == db::FieldType::Text;
}

}  // namespace

QString CsvExportQuery() {
    QString columns;
    for (const PropertyColumn* c : CsvColumns()) {
        if (!columns.isEmpty())
            columns += QLatin1Char(',');
        columns += c->expression
                       ? QString::fromUtf8(c->expression) + QStringLiteral(" AS ") + c->columnName()
                       : c->columnName();
    }
    return QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM 物件情報 ");
}

QString CsvField(const QString& value) {
    for (const QChar c : value) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            QString quoted = value;
            quoted.replace(u'"', QStringLiteral("\"\""));
            return u'"' + quoted + u'"';
        }
    }
    return value;
}

QString CsvFormatName(CsvFormat format) {
    return format == CsvFormat::Utf8 ? QStringLiteral("CSV（UTF-8）")
                                     : QStringLiteral("CSV（Excel用 Shift_JIS）");
}

QString CsvFieldUtf8(const QString& value, bool textColumn) {
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (textColumn && !value.isEmpty() && formulaStarts.contains(value.front())) {
        QString quoted = value;
        quoted.replace(u'"', QStringLiteral("\"\""));
        return QStringLiteral("\"'") + quoted + u'"';
    }
    return CsvField(value);
}

QString CsvTargetPath(const QString& chosen) {
    if (QFileInfo(chosen).suffix().isEmpty())
        return chosen + QStringLiteral(".csv");
    return chosen;
}

CsvExportResult ExportCsv(db::Connection& con, const QString& path, CsvFormat format) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        CsvExportResult result;
        WriteFailed(result, file, path, errno);
        return result;
    }
    CsvExportResult result = WriteCsv(con, file, path, format);
    if (!result.ok) {
        file.cancelWriting();
        return result;
    }
    // Most of a full disk shows here, when the last buffered bytes go out.
    errno = 0;
    if (!file.commit()) {
        WriteFailed(result, file, path, errno);
        result.ok = false;
    }
    return result;
}

CsvExportResult WriteCsv(db::Connection& con, QIODevice& file, const QString& path,
                         CsvFormat format) {
    CsvExportResult result;
    sqlite3* db = con.handle();
    if (!db) {
        result.error = QStringLiteral("データベースが開かれていません。");
        return result;
    }

    sqlite3_stmt* raw = nullptr;
    const QByteArray sql = CsvExportQuery().toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        result.error = DbFailure(db);
        return result;
    }
    std::unique_ptr<sqlite3_stmt, StmtDeleter> st(raw);
    const int columns = sqlite3_column_count(raw);
    std::vector<Kind> kinds(CsvColumns().size());
    if (columns != int(kinds.size())) {
        result.error = QStringLiteral("データベースの列が足りません。");
        return result;
    }
    for (int i = 0; i < columns; ++i)
        kinds[size_t(i)] = KindOf(raw, i);

    // The text is gathered in pieces and encoded piece by piece, so that the whole export is never
    // held in memory.
    constexpr qsizetype kChunk = 1 << 16;
    QString buffer;
    buffer.reserve(kChunk + 4096);
    int rc;
    const bool utf8 = format == CsvFormat::Utf8;
    int err = 0;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        if (result.rows == 0) {
            if (utf8)
                buffer += QChar(0xFEFF);  // the mark by which spreadsheets recognise UTF-8
            for (size_t i = 0; i < CsvColumns().size(); ++i) {
                if (i)
                    buffer += u',';
                buffer += u'"' + CsvColumns()[i]->title() + u'"';
            }
            buffer += QStringLiteral("\r\n");
        } else if (!utf8) {
            buffer += u'\r';  // records are separated by a lone CR
        }
        for (int i = 0; i < columns; ++i) {
            if (i)
                buffer += u',';
            const QString text = CellText(raw, i, kinds[size_t(i)]);
            buffer += utf8 ? CsvFieldUtf8(text, IsTextColumn(i)) : CsvField(text);
        }
        if (utf8)
            buffer += QStringLiteral("\r\n");
        ++result.rows;
        if (buffer.size() >= kChunk && !Flush(file, buffer, format, result.unmappable, err))
            break;
    }
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        result.error = DbFailure(db);
        return result;
    }
    if (result.rows > 0 && !utf8)
        buffer += QStringLiteral("\r\n");
    if (rc == SQLITE_ROW || !Flush(file, buffer, format, result.unmappable, err)) {
        WriteFailed(result, file, path, err);
        return result;
    }
    result.ok = true;
    return result;
}

void RunCsvExport(ModGlobal& g, UiServices& ui, QWidget* parent) {
    const CsvFormat formats[] = {CsvFormat::ShiftJis, CsvFormat::Utf8};
    const auto filterOf = [](CsvFormat f) { return CsvFormatName(f) + QStringLiteral(" (*.csv)"); };
    QString filter = filterOf(CsvFormat::ShiftJis);
    const QString chosen = ui.saveFileName(
        parent, filterOf(CsvFormat::ShiftJis) + QStringLiteral(";;") + filterOf(CsvFormat::Utf8),
        g.Bukken.CsvFile, &filter);
    if (chosen.isEmpty())
        return;  // cancelled: the remembered name stays
    CsvFormat format = CsvFormat::ShiftJis;
    for (const CsvFormat f : formats) {
        if (filter == filterOf(f))
            format = f;
    }
    // The overwrite question is about the file that will really be written.
    const QString path = CsvTargetPath(chosen);
    g.Bukken.CsvFile = path;

    const QFileInfo target(path);
    if (target.exists() && !target.isDir()) {
        if (ui.question(parent, QStringLiteral("同じ名前のファイルが存在します。上書きしますか"),
                        AppTitle(), Answer::Yes) != Answer::Yes) {
            return;
        }
    }

    UsrDbSession session(g, ui, parent);
    if (!session.ok())
        return;
    const CsvExportResult result = ExportCsv(g.UsrDbCon, path, format);
    session.close();

    if (!result.ok) {
        // A write failure names the file itself.
        ui.message(parent,
                   QStringLiteral("エクスポートに失敗しました。\r") +
                       (result.writeFailed ? QString() : QDir::toNativeSeparators(path) + u'\r') +
                       result.error,
                   MsgIcon::Critical);
        return;
    }
    QString done = QStringLiteral("%1件の物件を書き出しました。\rファイル：%2\r形式：%3")
                       .arg(result.rows)
                       .arg(QDir::toNativeSeparators(path), CsvFormatName(format));
    if (result.unmappable > 0) {
        done += QStringLiteral(
                    "\rShift-JISで表せない文字が%1文字あったため、"
                    "「?」に置き換えて書き出しました。")
                    .arg(result.unmappable);
    }
    ui.message(parent, done, result.unmappable > 0 ? MsgIcon::Exclamation : MsgIcon::Information);
}

}  // namespace ie
