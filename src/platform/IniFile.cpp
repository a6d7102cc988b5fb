#include "platform/IniFile.h"

#include "platform/RegularFile.h"

#include "common/Cp932.h"
#include "platform/SafeWrite.h"
#include "platform/WriteFailure.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <optional>
#include <vector>

namespace ie {

namespace ini {

namespace {

// The longest value a read hands back, in CP932 bytes (a 255-byte buffer less its NUL).
constexpr int kMaxValueBytes = 254;

// One line of the file: its bytes as they are on disk (line end included) and what it means.
struct Line {
    enum class Kind { Other, Section, Key };
    QByteArray raw;
    Kind kind = Kind::Other;
    QString name;   // section or key name, trimmed
    QString value;  // key value, trimmed
};

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString TrimBlanks(const QString& s) {
    qsizetype first = 0;
    qsizetype last = s.size();
    while (first < last && IsBlank(s[first])) {
        ++first;
    }
    while (last > first && IsBlank(s[last - 1])) {
        --last;
    }
    return s.mid(first, last - first);
}

// Names match without regard to the case of ASCII letters only, as the ANSI profile functions
// compare them; other characters must be equal.
bool SameName(const QString& a, const QString& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z') {
            x = static_cast<char16_t>(x - u'A' + u'a');
        }
        if (y >= u'A' && y <= u'Z') {
            y = static_cast<char16_t>(y - u'A' + u'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

Line ParseLine(const QByteArray& raw) {
    Line line;
    line.raw = raw;
    QByteArray body = raw;
    while (!body.isEmpty() && (body.endsWith('\n') || body.endsWith('\r'))) {
        body.chop(1);
    }
    const QString text = TrimBlanks(cp932::Decode(body));
    if (text.isEmpty() || text.startsWith(u';')) {
        return line;  // blank line or comment
    }
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close > 0) {
            line.kind = Line::Kind::Section;
            line.name = TrimBlanks(text.mid(1, close - 1));
        }
        return line;  // a "[" without "]" is neither a section nor a key
    }
    line.kind = Line::Kind::Key;
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0) {
        line.name = text;  // a key without "=": present, with an empty value
    } else {
        line.name = TrimBlanks(text.left(eq));
        line.value = TrimBlanks(text.mid(eq + 1));
    }
    return line;
}

std::vector<Line> SplitLines(const QByteArray& content) {
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype nl = content.indexOf('\n', start);
        const qsizetype end = nl < 0 ? content.size() : nl + 1;
        lines.push_back(ParseLine(content.mid(start, end - start)));
        start = end;
    }
    return lines;
}

// Where a key lives: the section's header line, the key's line and the last non-blank line of the
// section (where a new key goes). -1 where there is none.
struct Location {
    qsizetype section = -1;
    qsizetype key = -1;
    qsizetype lastContent = -1;
};

Location Find(const std::vector<Line>& lines, const QString& section, const QString& key) {
    Location loc;
    for (qsizetype i = 0; i < static_cast<qsizetype>(lines.size()); ++i) {
        const Line& l = lines[static_cast<std::size_t>(i)];
        if (l.kind == Line::Kind::Section) {
            if (loc.section >= 0) {
                break;  // the end of the (first) matching section
            }
            if (SameName(l.name, section)) {
                loc.section = i;
                loc.lastContent = i;
            }
            continue;
        }
        if (loc.section < 0) {
            continue;
        }
        if (!l.raw.trimmed().isEmpty()) {
            loc.lastContent = i;
        }
        if (l.kind == Line::Kind::Key && loc.key < 0 && SameName(l.name, key)) {
            loc.key = i;
        }
    }
    return loc;
}

// Cuts a value to at most kMaxValueBytes CP932 bytes without splitting a double-byte character.
QString CutToLimit(const QString& value) {
    if (cp932::ByteWidth(value) <= kMaxValueBytes) {
        return value;
    }
    int bytes = 0;
    qsizetype i = 0;
    while (i < value.size()) {
        const qsizetype step = value[i].isHighSurrogate() && i + 1 < value.size() ? 2 : 1;
        const int width = cp932::ByteWidth(value.mid(i, step));
        if (bytes + width > kMaxValueBytes) {
            break;
        }
        bytes += width;
        i += step;
    }
    return value.left(i);
}

bool HasLineBreak(const QString& s) {
    return s.contains(u'\n') || s.contains(u'\r');
}

// A key's value as a read hands it back: without the spaces around it, without matching quotes
// (as the profile functions read it), cut to kMaxValueBytes.
QString AsRead(const QString& stored) {
    QString value = TrimBlanks(stored);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    return CutToLimit(value);
}

// Why a value written as it stands would read back as another one; empty when it would not.
QString ReadBackProblem(const QString& value) {
    if (AsRead(value) == value) {
        return {};
    }
    if (cp932::ByteWidth(value) > kMaxValueBytes) {
        return QStringLiteral("値が長すぎます（Shift-JIS で %1 バイトまで）。").arg(kMaxValueBytes);
    }
    return QStringLiteral("前後の空白や引用符は値として書き込めません。");
}

}  // namespace

QString ReadString(const QString& filePath, const QString& section, const QString& key) {
    // A FIFO or a device under the name is not read: it would hang the start or never end.
    RegularFile file(filePath);
    constexpr qint64 kMostSettings = 16 << 20;
    const std::optional<QByteArray> bytes = file.readAll(kMostSettings);
    if (!bytes || bytes->size() > kMostSettings) {
        return {};
    }
    const std::vector<Line> lines = SplitLines(*bytes);
    const Location loc = Find(lines, section, key);
    if (loc.key < 0) {
        return {};
    }
    return AsRead(lines[static_cast<std::size_t>(loc.key)].value);
}

WriteResult WriteString(const QString& filePath, const QString& section, const QString& key,
                        const QString& value, QString* errorText) {
    auto fail = [errorText](const QString& text) {
        if (errorText != nullptr) {
            *errorText = text;
        }
        return WriteResult::Failed;
    };
    // A text that would come back different (a character CP932 lacks, a twin that reads back as
    // the other code point, a line break that would split the line) is never written.
    if (!cp932::RoundTrips(value) || !cp932::RoundTrips(section) || !cp932::RoundTrips(key) ||
        HasLineBreak(value) || HasLineBreak(section) || HasLineBreak(key)) {
        if (errorText != nullptr) {
            *errorText = QStringLiteral("Shift-JIS (CP932) で表せない文字が含まれています。");
        }
        return WriteResult::Unrepresentable;
    }
    // Nor is a value that the next read would hand back changed (cut, trimmed, unquoted): a
    // folder written that way would send the next start to another folder.
    if (const QString problem = ReadBackProblem(value); !problem.isEmpty()) {
        if (errorText != nullptr) {
            *errorText = problem;
        }
        return WriteResult::Unrepresentable;
    }

    QByteArray content;
    const QFileInfo info(filePath);
    if (info.exists()) {
        if (!info.isFile()) {
            return fail(QStringLiteral("%1 はファイルではありません。").arg(filePath));
        }
        // Replacing the file by rename would go round a read-only flag; respect it instead.
        if (!info.isWritable()) {
            return fail(WriteFailedText(filePath, WriteCauseOfErrno(EACCES)));
        }
        QFile in(filePath);
        if (!in.open(QIODevice::ReadOnly)) {
            return fail(in.errorString());
        }
        content = in.readAll();
        if (in.error() != QFileDevice::NoError) {
            return fail(in.errorString());
        }
    }

    const QByteArray keyLine = cp932::Encode(key) + '=' + cp932::Encode(value) + "\r\n";
    std::vector<Line> lines = SplitLines(content);
    const Location loc = Find(lines, section, key);
    QByteArray out;
    if (loc.key >= 0) {
        // Keep the key's own spelling and the line's own ending.
        Line& l = lines[static_cast<std::size_t>(loc.key)];
        const QByteArray ending = l.raw.endsWith("\r\n") ? QByteArray("\r\n")
                                  : l.raw.endsWith('\n') ? QByteArray("\n")
                                                         : QByteArray("\r\n");
        l.raw = cp932::Encode(l.name) + '=' + cp932::Encode(value) + ending;
    } else if (loc.section >= 0) {
        Line& after = lines[static_cast<std::size_t>(loc.lastContent)];
        if (!after.raw.endsWith('\n')) {
            after.raw += "\r\n";
        }
        Line added;
        added.raw = keyLine;
        lines.insert(lines.begin() + loc.lastContent + 1, added);
    } else {
        if (!lines.empty() && !lines.back().raw.endsWith('\n')) {
            lines.back().raw += "\r\n";
        }
        Line header;
        header.raw = '[' + cp932::Encode(section) + "]\r\n";
        Line added;
        added.raw = keyLine;
        lines.push_back(header);
        lines.push_back(added);
    }
    for (const Line& l : lines) {
        out += l.raw;
    }

    // The new content goes to a new file beside the old one, which is then renamed over it: a
    // crash, a full disk or a failed write leaves the old file whole instead of half written.
    CheckedSaveFile file(filePath);
    if (!file.open() || !file.write(out) || !file.commit()) {
        return fail(file.error());
    }
    return WriteResult::Ok;
}

}  // namespace ini

namespace {
const QString kDbSection = QStringLiteral("DB_PATH");
const QString kDbKey = QStringLiteral("DB_PATH1");
const QString kOptionsSection = QStringLiteral("OPTIONS");
const QString kOldPrintSection = QStringLiteral("PRINT");
const QString kBreakdownKey = QStringLiteral("BREAKDOWN");
}  // namespace

QString ModReadIniFile(const QString& filePath) {
    // A folder name never holds a NUL; a value with one is damaged and names no folder at all.
    const QString folder = ini::ReadString(filePath, kDbSection, kDbKey);
    return folder.contains(QChar(0)) ? QString() : folder;
}

ini::WriteResult ModWriteIniFile(const QString& filePath, const QString& folder,
                                 QString* errorText) {
    return ini::WriteString(filePath, kDbSection, kDbKey, folder, errorText);
}

QString ModReadOption(const QString& filePath, const QString& key) {
    return ini::ReadString(filePath, kOptionsSection, key);
}

ini::WriteResult ModWriteOption(const QString& filePath, const QString& key, const QString& value,
                                QString* errorText) {
    return ini::WriteString(filePath, kOptionsSection, key, value, errorText);
}

bool ModReadBreakdownChoice(const QString& filePath) {
    QString value = ModReadOption(filePath, kBreakdownKey);
    if (value.isEmpty()) {
        value = ini::ReadString(filePath, kOldPrintSection, kBreakdownKey);
    }
    return value != QStringLiteral("0");
}

ini::WriteResult ModWriteBreakdownChoice(const QString& filePath, bool on, QString* errorText) {
    return ModWriteOption(filePath, kBreakdownKey, on ? QStringLiteral("1") : QStringLiteral("0"),
                          errorText);
}

bool ModReadSoubaChoice(const QString& filePath) {
    return ModReadOption(filePath, QStringLiteral("SOUBA")) != QStringLiteral("0");
}

ini::WriteResult ModWriteSoubaChoice(const QString& filePath, bool on, QString* errorText) {
    return ModWriteOption(filePath, QStringLiteral("SOUBA"),
                          on ? QStringLiteral("1") : QStringLiteral("0"), errorText);
}

}  // namespace ie
