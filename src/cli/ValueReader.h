#pragma once

#include "cli/ValueKeys.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QIODevice;

namespace ie::cli {

// One input record: the line it starts on, its inputs, the keys the command does not know, and
// why it cannot be read (a row that is refused).
struct InputRecord {
    qint64 line = 0;
    ValueRequest request;
    QStringList unknownKeys;
    QString error;
};

// Reads the properties to value from a stream, one record at a time, so that memory does not grow
// with the input. The format is told from the first thing in it: "[" a JSON array, "{" JSON (one
// object a line, or objects over several lines), anything else CSV with a header line (UTF-8 with
// or without a byte-order mark, or CP932). Keys are the same in all of them; an empty CSV cell, an
// empty JSON text and JSON null are absent.
class ValueReader {
public:
    explicit ValueReader(QIODevice& in);
    ~ValueReader();
    ValueReader(const ValueReader&) = delete;
    ValueReader& operator=(const ValueReader&) = delete;

    // The next record; false at the end of the input, or when a broken JSON document stopped the
    // reading (fatal() then says where and why).
    bool next(InputRecord& record);
    const QString& fatal() const { return fatal_; }
    // Keys of a CSV header the command does not know (told once, with the header's line).
    const QStringList& unknownColumns() const { return unknownColumns_; }

private:
    enum class Kind { Unknown, JsonLines, JsonDocument, JsonArray, Csv, End };
    enum class Encoding { Undecided, Utf8, Cp932 };

    bool readLine(QByteArray& line);
    void detect();
    bool nextJsonLine(InputRecord& record);
    bool nextJsonElement(InputRecord& record);
    bool nextCsv(InputRecord& record);
    void fillFromJson(const QByteArray& text, InputRecord& record, qint64 startLine,
                      qint64 startColumn, bool stopOnError);
    QString decode(const QByteArray& line);
    void stop(qint64 line, qint64 column, const QString& what);

    QIODevice& in_;
    Kind kind_ = Kind::Unknown;
    Encoding encoding_ = Encoding::Undecided;
    qint64 lineNo_ = 0;
    bool first_ = true;
    std::optional<QByteArray> pending_;  // a line read while telling the format
    qint64 pendingLine_ = 0;
    QByteArray lineBuffer_;  // kept between lines, so that its room is reused
    QString fatal_;
    // JSON documents: the bytes not yet scanned, and where they start.
    QByteArray rest_;
    qint64 restLine_ = 0;
    qint64 restColumn_ = 1;
    bool arrayOpened_ = false;
    bool arrayClosed_ = false;
    // CSV: the header's fields.
    std::vector<std::optional<QString> ValueRequest::*> columns_;
    QStringList unknownColumns_;
};

}  // namespace ie::cli
