#include "cli/ValueReader.h"

#include "common/Cp932.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace ie::cli {

namespace {

constexpr qsizetype kSniffBytes = 64 * 1024;

bool IsAscii(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool IsUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

QString ParseErrorText(QJsonParseError::ParseError e) {
    switch (e) {
        case QJsonParseError::UnterminatedObject:
            return QStringLiteral("オブジェクトが「}」で閉じていません");
        case QJsonParseError::MissingNameSeparator:
            return QStringLiteral("キーのあとに「:」がありません");
        case QJsonParseError::UnterminatedArray:
            return QStringLiteral("配列が「]」で閉じていません");
        case QJsonParseError::MissingValueSeparator:
            return QStringLiteral("値のあいだに「,」がありません");
        case QJsonParseError::IllegalValue:
            return QStringLiteral("値として読めません");
        case QJsonParseError::TerminationByNumber:
            return QStringLiteral("数値の途中で終わっています");
        case QJsonParseError::IllegalNumber:
            return QStringLiteral("数値として読めません");
        case QJsonParseError::IllegalEscapeSequence:
            return QStringLiteral("エスケープが正しくありません");
        case QJsonParseError::IllegalUTF8String:
            return QStringLiteral("UTF-8として読めない文字があります");
        case QJsonParseError::UnterminatedString:
            return QStringLiteral("文字列が「\"」で閉じていません");
        case QJsonParseError::MissingObject:
            return QStringLiteral("オブジェクトがありません");
        case QJsonParseError::DeepNesting:
            return QStringLiteral("入れ子が深すぎます");
        case QJsonParseError::DocumentTooLarge:
            return QStringLiteral("大きすぎます");
        case QJsonParseError::GarbageAtEnd:
            return QStringLiteral("余分な文字があります");
        case QJsonParseError::NoError:
            break;
    }
    return QStringLiteral("JSONとして読めません");
}

// The line and column (both from 1, the column in characters) of a byte offset into text, which
// starts at line, column.
std::pair<qint64, qint64> PositionOf(const QByteArray& text, qsizetype offset, qint64 line,
                                     qint64 column) {
    offset = std::clamp<qsizetype>(offset, 0, text.size());
    const qsizetype lastBreak = text.lastIndexOf('\n', offset - 1);
    line += text.left(offset).count('\n');
    const qsizetype from = lastBreak < 0 ? 0 : lastBreak + 1;
    const qint64 chars = QString::fromUtf8(text.mid(from, offset - from)).size();
    return {line, (lastBreak < 0 ? column : 1) + chars};
}

// One CSV record's fields from text; false when a quoted field is still open at its end (the
// record goes on in the next line).
bool SplitCsv(const QString& text, QStringList& fields) {
    fields.clear();
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = true;
            wasQuoted = true;
        } else if (c == u',') {
            fields << field;
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    if (quoted)
        return false;
    fields << field;
    return true;
}

// A JSON number as the grammar has it: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(const char* p, const char* end) {
    if (p < end && *p == '-')
        ++p;
    const auto digits = [&] {
        const char* from = p;
        while (p < end && *p >= '0' && *p <= '9')
            ++p;
        return p > from;
    };
    if (p < end && *p == '0')
        ++p;
    else if (!digits())
        return false;
    if (p < end && *p == '.') {
        ++p;
        if (!digits())
            return false;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        if (!digits())
            return false;
    }
    return p == end;
}

// The common record, read straight: one object of keys whose values are plain strings (no escapes),
// numbers (kept as written) or null. Anything else gives false, and the record is read by Qt's
// reader instead, which also says what is wrong with a broken one.
bool ReadFlatObject(const QByteArray& text, InputRecord& record) {
    const char* p = text.constData();
    const char* const end = p + text.size();
    const auto space = [&] {
        while (p < end && IsSpace(*p))
            ++p;
    };
    // A string without escapes or control characters; false for any other.
    const auto string = [&](const char*& from, const char*& to) {
        if (p >= end || *p != '"')
            return false;
        from = ++p;
        while (p < end && *p != '"') {
            if (*p == '\\' || static_cast<unsigned char>(*p) < 0x20)
                return false;
            ++p;
        }
        if (p >= end)
            return false;
        to = p++;
        return true;
    };
    space();
    if (p >= end || *p != '{')
        return false;
    ++p;
    space();
    if (p < end && *p == '}') {
        ++p;
        space();
        return p == end;
    }
    for (;;) {
        const char* keyFrom = nullptr;
        const char* keyTo = nullptr;
        if (!string(keyFrom, keyTo))
            return false;
        space();
        if (p >= end || *p != ':')
            return false;
        ++p;
        space();
        if (p >= end)
            return false;
        std::optional<QString> value;
        if (*p == '"') {
            const char* from = nullptr;
            const char* to = nullptr;
            if (!string(from, to))
                return false;
            if (to > from)
                value = QString::fromUtf8(from, to - from);
        } else if (*p == 'n') {
            if (end - p < 4 || std::memcmp(p, "null", 4) != 0)
                return false;
            p += 4;
        } else {
            const char* from = p;
            while (p < end && !IsSpace(*p) && *p != ',' && *p != '}')
                ++p;
            if (!IsJsonNumber(from, p))
                return false;
            value = QString::fromLatin1(from, p - from);
        }
        if (const auto field = FieldOfKey(QByteArrayView(keyFrom, keyTo - keyFrom)))
            record.request.*field = std::move(value);
        else
            record.unknownKeys << QString::fromUtf8(keyFrom, keyTo - keyFrom);
        space();
        if (p < end && *p == ',') {
            ++p;
            space();
            continue;
        }
        if (p < end && *p == '}') {
            ++p;
            space();
            return p == end;
        }
        return false;
    }
}

}  // namespace

ValueReader::ValueReader(QIODevice& in) : in_(in) {}

ValueReader::~ValueReader() = default;

bool ValueReader::readLine(QByteArray& line) {
    if (pending_) {
        line = std::move(*pending_);
        pending_.reset();
        return true;
    }
    // Into the room the last line left, which a line of its size or less reuses.
    line.resize(0);
    qsizetype have = 0;
    for (;;) {
        line.resize(std::max<qsizetype>(have + 4096, line.capacity()));
        const qint64 n = in_.readLine(line.data() + have, line.size() - have + 1 - 1);
        if (n <= 0)
            break;
        have += n;
        if (line[have - 1] == '\n' || in_.atEnd())
            break;
    }
    line.resize(have);
    if (line.isEmpty())
        return false;
    ++lineNo_;
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (first_) {
        first_ = false;
        if (line.startsWith("\xEF\xBB\xBF")) {
            line.remove(0, 3);
            encoding_ = Encoding::Utf8;
        }
    }
    return true;
}

void ValueReader::stop(qint64 line, qint64 column, const QString& what) {
    fatal_ = QStringLiteral("%1行 %2列: %3。以降は読みません。").arg(line).arg(column).arg(what);
    kind_ = Kind::End;
}

void ValueReader::detect() {
    QByteArray line;
    while (readLine(line)) {
        const QByteArray t = line.trimmed();
        if (t.isEmpty())
            continue;
        if (t.startsWith('[') || t.startsWith('{')) {
            if (t.startsWith('{')) {
                // One object a line when the first line holds a whole object.
                int depth = 0;
                bool inString = false;
                bool escape = false;
                bool closedAtEnd = false;
                for (qsizetype i = 0; i < t.size(); ++i) {
                    const char c = t[i];
                    if (inString) {
                        if (escape)
                            escape = false;
                        else if (c == '\\')
                            escape = true;
                        else if (c == '"')
                            inString = false;
                        continue;
                    }
                    if (c == '"')
                        inString = true;
                    else if (c == '{' || c == '[')
                        ++depth;
                    else if (c == '}' || c == ']')
                        --depth;
                    if (depth == 0) {
                        closedAtEnd = i == t.size() - 1;
                        break;
                    }
                }
                if (closedAtEnd) {
                    kind_ = Kind::JsonLines;
                    pending_ = line;
                    pendingLine_ = lineNo_;
                    return;
                }
            }
            kind_ = t.startsWith('[') ? Kind::JsonArray : Kind::JsonDocument;
            rest_ = line + '\n';
            restLine_ = lineNo_;
            restColumn_ = 1;
            return;
        }
        // A CSV header: the format's encoding is told from what follows, as far as can be seen.
        if (encoding_ == Encoding::Undecided) {
            QByteArray sample = line + '\n' + in_.peek(kSniffBytes);
            const qsizetype lastBreak = sample.lastIndexOf('\n');
            sample.truncate(lastBreak);
            if (!IsAscii(sample))
                encoding_ = IsUtf8(sample) ? Encoding::Utf8 : Encoding::Cp932;
        }
        kind_ = Kind::Csv;
        QStringList names;
        SplitCsv(decode(line), names);
        for (const QString& name : names) {
            const QString key = name.trimmed();
            const auto field = FieldOfKey(key);
            columns_.push_back(field);
            if (!field && !key.isEmpty())
                unknownColumns_ << key;
        }
        return;
    }
    kind_ = Kind::End;
}

QString ValueReader::decode(const QByteArray& line) {
    if (encoding_ == Encoding::Undecided) {
        if (IsAscii(line))
            return QString::fromLatin1(line);
        encoding_ = IsUtf8(line) ? Encoding::Utf8 : Encoding::Cp932;
    }
    return encoding_ == Encoding::Cp932 ? cp932::Decode(line) : QString::fromUtf8(line);
}

void ValueReader::fillFromJson(const QByteArray& text, InputRecord& record, qint64 startLine,
                               qint64 startColumn, bool stopOnError) {
    if (ReadFlatObject(text, record))
        return;
    record.request = ValueRequest{};
    record.unknownKeys.clear();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        const auto [line, column] = PositionOf(text, error.offset, startLine, startColumn);
        if (stopOnError) {
            stop(line, column, ParseErrorText(error.error));
        } else {
            record.error = QStringLiteral("JSONとして読めません（%1列: %2）。")
                               .arg(column)
                               .arg(ParseErrorText(error.error));
        }
        return;
    }
    if (!doc.isObject()) {
        record.error = QStringLiteral("JSONのオブジェクト（{…}）ではありません。");
        return;
    }
    const QJsonObject object = doc.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QString key = it.key();
        const auto field = FieldOfKey(key);
        if (!field) {
            record.unknownKeys << key;
            continue;
        }
        const QJsonValue v = it.value();
        switch (v.type()) {
            case QJsonValue::String:
                if (QString s = v.toString(); !s.isEmpty())
                    record.request.*field = std::move(s);
                break;
            case QJsonValue::Double:
                record.request.*field =
                    QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
                break;
            case QJsonValue::Null:
            case QJsonValue::Undefined:
                break;
            case QJsonValue::Bool:
                // Yes/no keys take true and false, read as the CSV's 1 and 0 are.
                if (IsYesNoKey(field)) {
                    record.request.*field =
                        v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
                    break;
                }
                [[fallthrough]];
            case QJsonValue::Array:
            case QJsonValue::Object:
                if (record.error.isEmpty())
                    record.error = key + QStringLiteral(": 数値か文字列で指定してください。");
                break;
        }
    }
}

bool ValueReader::nextJsonLine(InputRecord& record) {
    QByteArray& line = lineBuffer_;
    while (readLine(line)) {
        if (std::all_of(line.cbegin(), line.cend(), IsSpace))
            continue;
        record.line = lineNo_;
        fillFromJson(line, record, lineNo_, 1, false);
        return true;
    }
    kind_ = Kind::End;
    return false;
}

bool ValueReader::nextJsonElement(InputRecord& record) {
    const bool array = kind_ == Kind::JsonArray;
    qsizetype pos = 0;
    qint64 line = restLine_;
    qint64 column = restColumn_;
    // The next byte, reading another line when the scanned ones are used up; -1 at the end.
    const auto at = [&](qsizetype i) -> int {
        while (i >= rest_.size()) {
            QByteArray more;
            if (!readLine(more))
                return -1;
            rest_ += more;
            rest_ += '\n';
        }
        return static_cast<unsigned char>(rest_[i]);
    };
    const auto step = [&] {
        if (rest_[pos] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(rest_[pos]) & 0xC0) != 0x80) {
            ++column;
        } else {
            // A continuation byte: the character was counted at its first byte.
        }
        ++pos;
    };
    const auto skipSpace = [&] {
        int c;
        while ((c = at(pos)) != -1 && IsSpace(static_cast<char>(c)))
            step();
        return c;
    };
    const auto keep = [&] {
        rest_.remove(0, pos);
        restLine_ = line;
        restColumn_ = column;
    };

    int c = skipSpace();
    if (array) {
        if (!arrayOpened_) {
            step();  // the '[' that told the format
            arrayOpened_ = true;
            c = skipSpace();
            if (c == ']') {
                step();
                arrayClosed_ = true;
            }
        } else if (c == ',') {
            step();
            c = skipSpace();
            if (c == ']') {
                stop(line, column, QStringLiteral("「,」のあとに値がありません"));
                return false;
            }
        } else if (c == ']') {
            step();
            arrayClosed_ = true;
        } else if (c != -1) {
            stop(line, column, QStringLiteral("値のあいだに「,」がありません"));
            return false;
        }
        if (arrayClosed_) {
            if (skipSpace() != -1)
                stop(line, column, QStringLiteral("配列の「]」のあとに余分な文字があります"));
            kind_ = Kind::End;
            return false;
        }
        if (c == -1) {
            stop(line, column, QStringLiteral("配列が「]」で閉じていません"));
            return false;
        }
    } else {
        if (c == -1) {
            kind_ = Kind::End;
            return false;
        }
        if (c != '{') {
            stop(line, column, QStringLiteral("オブジェクトの始まりの「{」がありません"));
            return false;
        }
    }

    // One value: an object or array to its closing bracket, anything else to the next ',', ']'
    // or space outside a string.
    const qsizetype start = pos;
    const qint64 startLine = line;
    const qint64 startColumn = column;
    const bool nested = c == '{' || c == '[';
    int depth = 0;
    bool inString = false;
    bool escape = false;
    while ((c = at(pos)) != -1) {
        const char ch = static_cast<char>(c);
        if (inString) {
            if (escape)
                escape = false;
            else if (ch == '\\')
                escape = true;
            else if (ch == '"')
                inString = false;
        } else if (ch == '"') {
            inString = true;
        } else if (nested && (ch == '{' || ch == '[')) {
            ++depth;
        } else if (nested && (ch == '}' || ch == ']')) {
            --depth;
            if (depth == 0) {
                step();
                break;
            }
        } else if (!nested && (ch == ',' || ch == ']' || IsSpace(ch))) {
            break;
        }
        step();
    }
    const QByteArray text = rest_.mid(start, pos - start);
    record.line = startLine;
    if (text.startsWith('{')) {
        fillFromJson(text, record, startLine, startColumn, true);
        if (kind_ == Kind::End)
            return false;
    } else {
        record.error = QStringLiteral("JSONのオブジェクト（{…}）ではありません。");
    }
    keep();
    return true;
}

bool ValueReader::nextCsv(InputRecord& record) {
    QByteArray raw;
    while (readLine(raw)) {
        QString text = decode(raw);
        if (text.trimmed().isEmpty())
            continue;
        record.line = lineNo_;
        QStringList fields;
        while (!SplitCsv(text, fields)) {
            if (!readLine(raw)) {
                record.error = QStringLiteral("「\"」で始まるセルが閉じないまま終わっています。");
                return true;
            }
            text += u'\n' + decode(raw);
        }
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (fields[i].isEmpty())
                continue;
            if (i >= static_cast<qsizetype>(columns_.size())) {
                record.error = QStringLiteral("見出しより多いセルがあります。");
                break;
            }
            if (const auto field = columns_[static_cast<size_t>(i)])
                record.request.*field = fields[i];
        }
        return true;
    }
    kind_ = Kind::End;
    return false;
}

bool ValueReader::next(InputRecord& record) {
    record = InputRecord{};
    if (kind_ == Kind::Unknown)
        detect();
    switch (kind_) {
        case Kind::JsonLines:
            return nextJsonLine(record);
        case Kind::JsonDocument:
        case Kind::JsonArray:
            return nextJsonElement(record);
        case Kind::Csv:
            return nextCsv(record);
        case Kind::Unknown:
        case Kind::End:
            break;
    }
    return false;
}

}  // namespace ie::cli
