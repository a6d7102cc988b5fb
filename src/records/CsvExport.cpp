#include "records/CsvExport.h"

#include "common/AppError.h"
#include "common/Cp932.h"
#include "common/Currency.h"
#include "common/Formats.h"
#include "common/SalesRatio.h"
#include "platform/Database.h"
#include "platform/SafeWrite.h"
#include "platform/WriteFailure.h"
#include "records/ListFigures.h"
#include "state/ModGlobal.h"
#include "state/PropertyColumns.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>
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

// "yyyy-MM-dd" as the layer stores dates; anything else is not a date.
QDate IsoDate(const QString& s) {
    if (s.size() != 10 || s[4] != u'-' || s[7] != u'-')
        return {};
    auto num = [&s](int from, int len) {
        int v = 0;
        for (int i = from; i < from + len; ++i) {
            if (s[i] < u'0' || s[i] > u'9')
                return -1;
            v = v * 10 + (s[i].unicode() - u'0');
        }
        return v;
    };
    const int y = num(0, 4), m = num(5, 2), d = num(8, 2);
    if (y < 0 || m < 0 || d < 0)
        return {};
    return QDate(y, m, d);
}

// A column's value as its declared type reads it (a date as the text stored).
db::Value StoredValue(const db::Statement& st, int col, const PropertyColumn& c) {
    const db::FieldType type = c.type();
    db::Value v = st.value(col, type == db::FieldType::Date ? db::FieldType::Text : type);
    // A computed total that leaves 64 bits comes back from SQLite as a float of ten-thousandths.
    if (c.expression && type == db::FieldType::Currency && v.kind() == db::Value::Kind::Double)
        v = db::Value::real(*v.toDouble() / double(Currency::kScale));
    return v;
}

// The value's plain text form, as db::Value::toText gives it. A stored value that does not fit its
// declared type keeps its storage form, as in the database layer; a date only in the exact form
// the layer writes reads as a date.
QString CellText(const db::Statement& st, int col, const PropertyColumn& c,
                 const CsvFormat& format) {
    if (st.isBlob(col))
        return {};  // bytes are never exported
    const db::FieldType type = c.type();
    const db::Value v = StoredValue(st, col, c);
    if (c.zeroIsNull && type == db::FieldType::Currency) {
        const std::optional<Currency> amount = v.toCurrency();
        if (v.isNull() || (amount && amount->isZero())) {
            return format.absentAskingAsZero ? db::Value::currency(Currency()).toText() : QString();
        }
    }
    if (v.kind() != db::Value::Kind::Text)
        return v.toText();
    if (type == db::FieldType::Date) {
        const QDate d = IsoDate(v.toText());
        if (d.isValid())
            return db::Value::date(d).toText();
    }
    // A NUL a text may hold from an older version ends a field in most readers; it never goes into
    // the file.
    return v.toText().remove(QChar(0));
}

// ---- the readable format ----

// What the readable format reads after the CSV's own columns, for its extra ones.
const QString kReadableSources = QStringLiteral(", 物件ID, 評価年月日, 家屋構造CD");

const QStringList& ReadableExtraTitles() {
    static const QStringList titles = {
        QStringLiteral("物件ID"), QStringLiteral("価格を調べる日"),  QStringLiteral("構造"),
        QStringLiteral("築年数"), QStringLiteral("販売計算比（%）"), QStringLiteral("差額")};
    return titles;
}

QString ReadableTitle(const PropertyColumn& c) {
    if (c.columnName() == u"年間地価変動率"_s)
        return QStringLiteral("年間地価変動率（%）");
    return c.title();
}

// Where a CSV column sits in a row of CsvExportQuery.
int CsvIndex(const QString& name) {
    const std::vector<const PropertyColumn*>& columns = CsvColumns();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i]->columnName() == name)
            return int(i);
    }
    throw AppError(errors::kPlainMessage, QStringLiteral("CSVに列 %1 がありません。").arg(name));
}

// A stored value as the windows show it: money in whole yen with separators (an asking price not
// given empty), 坪単価 in whole yen, areas with two decimals, the yearly rate in %. Anything that
// does not read as its column's number is written as stored.
QString ReadableCell(const db::Statement& st, int col, const PropertyColumn& c,
                     const CsvFormat& format) {
    if (st.isBlob(col))
        return {};
    const db::Value v = StoredValue(st, col, c);
    if (v.isNull())
        return {};
    const QString name = c.columnName();
    if (c.type() == db::FieldType::Currency) {
        if (const std::optional<ListAmount> a = c.zeroIsNull ? AskingOf(v) : AmountOf(v))
            return a->wholeText();
        return c.zeroIsNull ? QString() : CellText(st, col, c, format);
    }
    const std::optional<double> number = v.toDouble();
    if (number && c.type() == db::FieldType::Double) {
        if (name == u"坪単価"_s)
            return FormatWhole(*number);
        if (name == u"敷地面積"_s || name == u"延床面積"_s)
            return FormatGrouped2(*number);
        if (name == u"年間地価変動率"_s)
            return PlainNumber(*number * 100);
    }
    return CellText(st, col, c, format);
}

// The extra columns of one row; columns is the row's width before the extra sources.
QStringList ReadableExtraCells(const db::Statement& st, int columns, const StructureNamer& names) {
    static const int built = CsvIndex(u"家屋建築年月日"_s), unitPrice = CsvIndex(u"坪単価"_s),
                     floorArea = CsvIndex(u"延床面積"_s), asking = CsvIndex(u"合計販売価格"_s),
                     estimate = CsvIndex(u"合計価格"_s);
    const int id = columns, valued = columns + 1, structure = columns + 2;
    const db::Value price = st.value(unitPrice, db::FieldType::Double);
    const db::Value area = st.value(floorArea, db::FieldType::Double);
    const db::Value valuedOn = st.value(valued, db::FieldType::Text);
    const std::optional<qint32> age =
        AgeOf(st.value(built, db::FieldType::Text), valuedOn, price, area);
    const bool house = price.toDouble().value_or(0) > 0 && area.toDouble().value_or(0) > 0;
    const qint32 code =
        std::max<qint32>(0, st.value(structure, db::FieldType::Integer).toInt32().value_or(0));
    const db::Value askingValue = StoredValue(st, asking, *CsvColumns()[size_t(asking)]);
    const db::Value estimateValue = StoredValue(st, estimate, *CsvColumns()[size_t(estimate)]);

    const QDate day = IsoDate(valuedOn.toText());
    const std::optional<double> ratio = RatioOf(askingValue, estimateValue);
    const std::optional<ListAmount> difference = DifferenceOf(askingValue, estimateValue);
    return {st.value(id, db::FieldType::Integer).toText(),
            day.isValid() ? db::Value::date(day).toText() : valuedOn.toText(),
            !house  ? QString()
            : names ? names(code)
                    : QString::number(code),
            age ? QString::number(*age) : QString(),
            ratio ? RatioNumber(*ratio) : QString(),
            difference ? difference->wholeText() : QString()};
}

QByteArray EncodeCp932(const QString& text, int* unmappable) {
    int bad = 0;
    QByteArray bytes = cp932::Encode(text, &bad);
    *unmappable += bad;
    return bytes;
}

QByteArray EncodeUtf8(const QString& text, int*) {
    return text.toUtf8();
}

// Encodes and writes what has been gathered, keeping a running count of '?' characters. On a
// failure, err is errno as the write left it.
bool Flush(QIODevice& file, QString& buffer, const CsvFormat& format, int& unmappable, int& err) {
    if (buffer.isEmpty())
        return true;
    const QByteArray bytes = format.encode(buffer, &unmappable);
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

const std::vector<CsvFormat>& CsvFormats() {
    static const std::vector<CsvFormat> formats = {
        {QStringLiteral("CSV（Excel用 Shift_JIS）"), EncodeCp932, false, QStringLiteral("\r"),
         QStringLiteral("\r\n"), true, true, false},
        {QStringLiteral("CSV（UTF-8）"), EncodeUtf8, true, QStringLiteral("\r\n"),
         QStringLiteral("\r\n"), true, false, true},
    };
    return formats;
}

const CsvFormat& CsvShiftJis() {
    return CsvFormats()[0];
}

const CsvFormat& CsvUtf8() {
    return CsvFormats()[1];
}

QString CsvFieldGuarded(const QString& value, bool textColumn) {
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

CsvExportResult ExportCsv(db::Connection& con, const QString& path, const CsvFormat& format,
                          const StructureNamer& names) {
    CheckedSaveFile file(path);
    const auto writeFailed = [&file](CsvExportResult result) {
        result.ok = false;
        result.error = file.error();
        result.writeFailed = true;
        return result;
    };
    if (!file.open())
        return writeFailed({});
    CsvExportResult result = WriteCsv(con, file.device(), path, format, names);
    if (!result.ok)
        return result;  // the file is given up: the target stays as it was
    // Most of a full disk shows here, when the last buffered bytes go out.
    if (!file.commit())
        return writeFailed(result);
    return result;
}

CsvExportResult WriteCsv(db::Connection& con, QIODevice& file, const QString& path,
                         const CsvFormat& format, const StructureNamer& names) {
    CsvExportResult result;
    if (!con.isOpen()) {
        result.error = QStringLiteral("データベースが開かれていません。");
        return result;
    }
    const std::vector<const PropertyColumn*>& columns = CsvColumns();
    // The text is gathered in pieces and encoded piece by piece, so that the whole export is never
    // held in memory.
    constexpr qsizetype kChunk = 1 << 16;
    QString buffer;
    buffer.reserve(kChunk + 4096);
    int err = 0;
    bool flushed = true;
    try {
        QString query = CsvExportQuery();
        if (format.readable)
            query.insert(query.indexOf(QStringLiteral(" FROM ")), kReadableSources);
        db::Statement st(con, query);
        const auto field = [&format](const QString& text, bool textColumn) {
            return format.guardFormulas ? CsvFieldGuarded(text, textColumn) : CsvField(text);
        };
        while (st.step()) {
            if (result.rows == 0) {
                if (format.byteOrderMark)
                    buffer += QChar(0xFEFF);  // the mark by which spreadsheets recognise UTF-8
                QStringList titles;
                for (const PropertyColumn* c : columns)
                    titles << (format.readable ? ReadableTitle(*c) : c->title());
                if (format.readable)
                    titles << ReadableExtraTitles();
                for (qsizetype i = 0; i < titles.size(); ++i) {
                    if (i)
                        buffer += u',';
                    buffer += u'"' + titles[i] + u'"';
                }
                buffer += QStringLiteral("\r\n");
            } else {
                buffer += format.between;
            }
            for (size_t i = 0; i < columns.size(); ++i) {
                if (i)
                    buffer += u',';
                const PropertyColumn& c = *columns[i];
                buffer += field(format.readable ? ReadableCell(st, int(i), c, format)
                                                : CellText(st, int(i), c, format),
                                c.type() == db::FieldType::Text);
            }
            if (format.readable) {
                const QStringList extra = ReadableExtraCells(st, int(columns.size()), names);
                for (qsizetype i = 0; i < extra.size(); ++i)
                    buffer += u',' + field(extra[i], i == 2);  // 構造 is a text
            }
            ++result.rows;
            if (buffer.size() >= kChunk &&
                !(flushed = Flush(file, buffer, format, result.unmappable, err)))
                break;
        }
    } catch (const db::DbError& e) {
        result.error = QStringLiteral("データベースを読み込めません。(%1 %2)")
                           .arg(e.extendedCode())
                           .arg(e.sqliteMessage());
        return result;
    }
    if (result.rows > 0)
        buffer += format.last;
    if (!flushed || !Flush(file, buffer, format, result.unmappable, err)) {
        WriteFailed(result, file, path, err);
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace ie
