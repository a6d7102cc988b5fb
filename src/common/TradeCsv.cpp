#include "common/TradeCsv.h"

#include "common/Cp932.h"
#include "common/JapaneseCalendar.h"

#include <QIODevice>
#include <QStringDecoder>

#include <limits>
#include <utility>

namespace ie::trades {

namespace {

struct ColumnName {
    Column column;
    const char16_t* names[2];
    bool required;
};

// Names as they read after FoldWidth (full-width brackets and colons folded).
const ColumnName kColumns[] = {
    {Column::Kind, {u"種類", nullptr}, true},
    {Column::PriceClass, {u"価格情報区分", nullptr}, false},
    {Column::CityCode, {u"市区町村コード", nullptr}, true},
    {Column::Prefecture, {u"都道府県名", nullptr}, false},
    {Column::City, {u"市区町村名", nullptr}, false},
    {Column::District, {u"地区名", nullptr}, false},
    {Column::Station, {u"最寄駅:名称", nullptr}, false},
    {Column::StationMinutes, {u"最寄駅:距離(分)", nullptr}, false},
    {Column::Price, {u"取引価格(総額)", nullptr}, true},
    {Column::Layout, {u"間取り", nullptr}, false},
    {Column::Area, {u"面積(㎡)", nullptr}, false},
    {Column::FloorArea, {u"延床面積(㎡)", nullptr}, false},
    {Column::BuildYear, {u"建築年", nullptr}, false},
    {Column::Structure, {u"建物の構造", nullptr}, false},
    {Column::Period, {u"取引時期", u"取引時点"}, true},
    {Column::Renovation, {u"改装", nullptr}, false},
    {Column::Circumstances, {u"取引の事情等", nullptr}, false},
};

// The name as the files write it, for messages.
QString DisplayName(Column c) {
    for (const ColumnName& n : kColumns) {
        if (n.column == c) {
            QString s = QString::fromUtf16(n.names[0]);
            s.replace(QLatin1Char('('), QChar(0xFF08));
            s.replace(QLatin1Char(')'), QChar(0xFF09));
            s.replace(QLatin1Char(':'), QChar(0xFF1A));
            return s;
        }
    }
    return {};
}

bool IsDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Leading digits of text from *pos as a number; nullopt when there are none (or too many).
std::optional<qint64> Digits(QStringView text, qsizetype* pos) {
    qsizetype i = *pos;
    qint64 value = 0;
    int count = 0;
    while (i < text.size() && IsDigit(text[i])) {
        if (++count > 15)
            return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
        ++i;
    }
    if (count == 0)
        return std::nullopt;
    *pos = i;
    return value;
}

// The text folded, trimmed and without grouping commas.
QString Clean(QStringView text) {
    QString s = FoldWidth(text).trimmed();
    s.remove(QLatin1Char(','));
    return s;
}

// A decimal number with at most two places, in hundredths, from *pos.
std::optional<qint64> Hundredths(QStringView text, qsizetype* pos) {
    const std::optional<qint64> whole = Digits(text, pos);
    if (!whole)
        return std::nullopt;
    qint64 value = *whole * 100;
    if (*pos < text.size() && text[*pos] == QLatin1Char('.')) {
        qsizetype i = *pos + 1;
        int places = 0;
        qint64 frac = 0;
        while (i < text.size() && IsDigit(text[i])) {
            if (places < 2) {
                frac = frac * 10 + (text[i].unicode() - u'0');
                ++places;
            } else if (text[i] != QLatin1Char('0')) {
                return std::nullopt;  // finer than the files ever give
            }
            ++i;
        }
        if (places == 0)
            return std::nullopt;
        value += places == 1 ? frac * 10 : frac;
        *pos = i;
    }
    return value;
}

bool IsRangeMark(QChar c) {
    return c == QLatin1Char('~') || c == QChar(0x301C) || c == QChar(0x2015) ||
           c == QLatin1Char('-');
}

// "30", "30分", "1H", "1H30" in minutes, from *pos.
std::optional<qint64> MinutesToken(QStringView text, qsizetype* pos) {
    const std::optional<qint64> first = Digits(text, pos);
    if (!first)
        return std::nullopt;
    if (*pos < text.size() && (text[*pos] == QLatin1Char('H') || text[*pos] == QLatin1Char('h'))) {
        ++*pos;
        qint64 minutes = *first * 60;
        if (const std::optional<qint64> rest = Digits(text, pos))
            minutes += *rest;
        return minutes;
    }
    if (*pos < text.size() && text[*pos] == QChar(u'分'))
        ++*pos;
    return first;
}

// An era name at the start of text, its length in *length.
QString EraAt(QStringView text, qsizetype* length) {
    for (const char16_t* era : {u"令和", u"平成", u"昭和", u"大正", u"明治"}) {
        const QStringView e(era);
        if (text.startsWith(e)) {
            *length = e.size();
            return e.toString();
        }
    }
    return {};
}

// A year written "1980" or "昭和55" / "平成元" from *pos (before its 年).
std::optional<int> YearAt(QStringView text, qsizetype* pos) {
    qsizetype eraLength = 0;
    const QString era = EraAt(text.mid(*pos), &eraLength);
    if (era.isEmpty()) {
        const std::optional<qint64> y = Digits(text, pos);
        if (!y || *y < 1000 || *y > 9999)
            return std::nullopt;
        return static_cast<int>(*y);
    }
    qsizetype i = *pos + eraLength;
    qint64 eraYear = 0;
    if (i < text.size() && text[i] == QChar(u'元')) {
        eraYear = 1;
        ++i;
    } else {
        const std::optional<qint64> y = Digits(text, &i);
        if (!y || *y > 99)
            return std::nullopt;
        eraYear = *y;
    }
    const std::optional<int> year = jcal::GregorianYear(era, static_cast<int>(eraYear));
    if (!year)
        return std::nullopt;
    *pos = i;
    return *year;
}

const HeaderMap kNoColumns = [] {
    HeaderMap m;
    m.at.fill(-1);
    return m;
}();

}  // namespace

Kind KindFromText(QStringView text) {
    const QString t = FoldWidth(text).trimmed();
    if (t == u"宅地(土地と建物)")
        return Kind::HouseAndLand;
    if (t == u"宅地(土地)")
        return Kind::Land;
    if (t == u"中古マンション等")
        return Kind::Condominium;
    if (t == u"農地")
        return Kind::Farmland;
    if (t == u"林地")
        return Kind::Forest;
    return Kind::Unknown;
}

QString KindText(Kind kind) {
    switch (kind) {
        case Kind::HouseAndLand:
            return QStringLiteral("宅地(土地と建物)");
        case Kind::Land:
            return QStringLiteral("宅地(土地)");
        case Kind::Condominium:
            return QStringLiteral("中古マンション等");
        case Kind::Farmland:
            return QStringLiteral("農地");
        case Kind::Forest:
            return QStringLiteral("林地");
        case Kind::Unknown:
            break;
    }
    return QStringLiteral("その他");
}

std::optional<HeaderMap> MapHeader(const QStringList& names, QStringList* missing) {
    HeaderMap map = kNoColumns;
    map.fieldCount = static_cast<int>(names.size());
    for (int i = 0; i < names.size(); ++i) {
        const QString name = FoldWidth(names[i]).trimmed();
        for (const ColumnName& c : kColumns) {
            for (const char16_t* n : c.names) {
                if (n != nullptr && name == QStringView(n) && map[c.column] < 0)
                    map.at[static_cast<size_t>(c.column)] = i;
            }
        }
    }
    QStringList absent;
    for (const ColumnName& c : kColumns) {
        if (c.required && map[c.column] < 0)
            absent << DisplayName(c.column);
    }
    if (missing != nullptr)
        *missing = absent;
    if (!absent.isEmpty())
        return std::nullopt;
    return map;
}

QString ExpectedHeaderText() {
    return QStringLiteral(
        "国土交通省 不動産情報ライブラリの「不動産価格（取引価格・成約価格）情報」のCSVファイル"
        "（またはそれを収めたZIPファイル）を選んでください。"
        "1行目の見出しに「種類」「市区町村コード」「取引価格（総額）」「取引時期」が必要です。");
}

QString FoldWidth(QStringView text) {
    QString out(text.size(), Qt::Uninitialized);
    QChar* o = out.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            *o++ = QChar(static_cast<char16_t>(u - 0xFEE0));
        else if (u == 0x3000)
            *o++ = QLatin1Char(' ');
        else
            *o++ = c;
    }
    return out;
}

std::optional<Measure> ParseArea(QStringView raw) {
    const QString t = Clean(raw);
    if (t.isEmpty())
        return Measure{};
    qsizetype pos = 0;
    const std::optional<qint64> value = Hundredths(t, &pos);
    if (!value)
        return std::nullopt;
    QStringView rest = QStringView(t).mid(pos).trimmed();
    if (rest.startsWith(u"㎡"))
        rest = rest.mid(1);
    else if (rest.startsWith(u"m2"))
        rest = rest.mid(2);
    rest = rest.trimmed();
    if (rest.isEmpty())
        return Measure{Measure::Kind::Exact, *value};
    if (rest == u"以上" || IsRangeMark(rest.front()))
        return Measure{Measure::Kind::AtLeast, *value};
    return std::nullopt;
}

std::optional<Measure> ParseMinutes(QStringView raw) {
    const QString t = Clean(raw);
    if (t.isEmpty())
        return Measure{};
    qsizetype pos = 0;
    const std::optional<qint64> lower = MinutesToken(t, &pos);
    if (!lower)
        return std::nullopt;
    const QStringView rest = QStringView(t).mid(pos).trimmed();
    if (rest.isEmpty())
        return Measure{Measure::Kind::Exact, *lower};
    if (IsRangeMark(rest.front()) || rest == u"以上")
        return Measure{Measure::Kind::AtLeast, *lower};
    return std::nullopt;
}

std::optional<BuildYear> ParseBuildYear(QStringView raw) {
    const QString t = Clean(raw);
    if (t.isEmpty())
        return BuildYear{};
    if (t == u"戦前")
        return BuildYear{BuildYear::Kind::Prewar, 0};
    qsizetype pos = 0;
    const std::optional<int> year = YearAt(t, &pos);
    if (!year)
        return std::nullopt;
    const QStringView rest = QStringView(t).mid(pos);
    if (!rest.isEmpty() && rest != u"年")
        return std::nullopt;
    return BuildYear{BuildYear::Kind::Year, *year};
}

std::optional<int> ParsePeriod(QStringView raw) {
    const QString t = Clean(raw);
    qsizetype pos = 0;
    const std::optional<int> year = YearAt(t, &pos);
    if (!year)
        return std::nullopt;
    QStringView rest = QStringView(t).mid(pos);
    if (!rest.startsWith(u"年第") || !rest.endsWith(u"四半期"))
        return std::nullopt;
    rest = rest.mid(2, rest.size() - 5);
    if (rest.size() != 1 || rest[0] < QLatin1Char('1') || rest[0] > QLatin1Char('4'))
        return std::nullopt;
    return *year * 4 + (rest[0].unicode() - u'1');
}

int PeriodYear(int period) {
    return period / 4;
}

int PeriodQuarter(int period) {
    return period % 4 + 1;
}

QString PeriodText(int period) {
    return QString::number(PeriodYear(period)) + QStringLiteral("年第") +
           QString::number(PeriodQuarter(period)) + QStringLiteral("四半期");
}

int PeriodOfDate(int year, int month) {
    return year * 4 + (month - 1) / 3;
}

std::optional<qint64> ParseYen(QStringView raw) {
    const QString t = Clean(raw);
    qsizetype pos = 0;
    const std::optional<qint64> v = Digits(t, &pos);
    if (!v || pos != t.size())
        return std::nullopt;
    return v;
}

const QStringList& PrefectureNames() {
    static const QStringList names = {
        QStringLiteral("北海道"),   QStringLiteral("青森県"),   QStringLiteral("岩手県"),
        QStringLiteral("宮城県"),   QStringLiteral("秋田県"),   QStringLiteral("山形県"),
        QStringLiteral("福島県"),   QStringLiteral("茨城県"),   QStringLiteral("栃木県"),
        QStringLiteral("群馬県"),   QStringLiteral("埼玉県"),   QStringLiteral("千葉県"),
        QStringLiteral("東京都"),   QStringLiteral("神奈川県"), QStringLiteral("新潟県"),
        QStringLiteral("富山県"),   QStringLiteral("石川県"),   QStringLiteral("福井県"),
        QStringLiteral("山梨県"),   QStringLiteral("長野県"),   QStringLiteral("岐阜県"),
        QStringLiteral("静岡県"),   QStringLiteral("愛知県"),   QStringLiteral("三重県"),
        QStringLiteral("滋賀県"),   QStringLiteral("京都府"),   QStringLiteral("大阪府"),
        QStringLiteral("兵庫県"),   QStringLiteral("奈良県"),   QStringLiteral("和歌山県"),
        QStringLiteral("鳥取県"),   QStringLiteral("島根県"),   QStringLiteral("岡山県"),
        QStringLiteral("広島県"),   QStringLiteral("山口県"),   QStringLiteral("徳島県"),
        QStringLiteral("香川県"),   QStringLiteral("愛媛県"),   QStringLiteral("高知県"),
        QStringLiteral("福岡県"),   QStringLiteral("佐賀県"),   QStringLiteral("長崎県"),
        QStringLiteral("熊本県"),   QStringLiteral("大分県"),   QStringLiteral("宮崎県"),
        QStringLiteral("鹿児島県"), QStringLiteral("沖縄県"),
    };
    return names;
}

int PrefectureCode(QStringView name) {
    const qsizetype i = PrefectureNames().indexOf(name.trimmed().toString());
    return i < 0 ? 0 : static_cast<int>(i) + 1;
}

std::optional<Trade> ReadTrade(const HeaderMap& map, const std::vector<QStringView>& fields,
                               qint64 line, RowProblem* problem) {
    const auto fail = [&](Column c, const QString& what) -> std::optional<Trade> {
        if (problem != nullptr)
            *problem = RowProblem{line, c == Column::Count ? QString() : DisplayName(c), what};
        return std::nullopt;
    };
    if (static_cast<int>(fields.size()) != map.fieldCount) {
        return fail(Column::Count, QStringLiteral("項目の数が見出しと違います（") +
                                       QString::number(fields.size()) + QStringLiteral("項目）"));
    }
    const auto field = [&](Column c) -> QStringView {
        const int at = map[c];
        return at < 0 ? QStringView() : fields[static_cast<size_t>(at)];
    };
    const auto quoted = [](QStringView v) {
        return QStringLiteral("「") + v.left(40).toString() + QStringLiteral("」");
    };

    Trade t;
    t.kind = KindFromText(field(Column::Kind));
    if (t.kind == Kind::Unknown)
        return fail(Column::Kind, quoted(field(Column::Kind)));
    {
        const QString code = Clean(field(Column::CityCode));
        bool ok = false;
        t.cityCode = code.toInt(&ok);
        if (!ok || t.cityCode < 1000 || t.cityCode > 47999)
            return fail(Column::CityCode, quoted(field(Column::CityCode)));
        t.prefecture = t.cityCode / 1000;
    }
    const std::optional<qint64> price = ParseYen(field(Column::Price));
    if (!price || *price <= 0)
        return fail(Column::Price, quoted(field(Column::Price)));
    t.price = *price;
    const std::optional<int> period = ParsePeriod(field(Column::Period));
    if (!period)
        return fail(Column::Period, quoted(field(Column::Period)));
    t.period = *period;

    t.contractPrice = field(Column::PriceClass).contains(u"成約");
    t.prefectureName = FoldWidth(field(Column::Prefecture)).trimmed();
    if (t.prefectureName.isEmpty())
        t.prefectureName = PrefectureNames().value(t.prefecture - 1);
    t.cityName = FoldWidth(field(Column::City)).trimmed();
    t.district = FoldWidth(field(Column::District)).trimmed();
    t.station = FoldWidth(field(Column::Station)).trimmed();
    t.layout = FoldWidth(field(Column::Layout)).trimmed();
    t.structure = FoldWidth(field(Column::Structure)).trimmed();
    t.renovation = FoldWidth(field(Column::Renovation)).trimmed();
    t.circumstances = FoldWidth(field(Column::Circumstances)).trimmed();
    // Odd values of the measured columns leave the figure blank rather than lose the trade.
    t.minutes = ParseMinutes(field(Column::StationMinutes)).value_or(Measure{});
    t.area = ParseArea(field(Column::Area)).value_or(Measure{});
    t.floorArea = ParseArea(field(Column::FloorArea)).value_or(Measure{});
    t.built = ParseBuildYear(field(Column::BuildYear)).value_or(BuildYear{});
    return t;
}

// ---- CsvReader

namespace {

constexpr qint64 kChunk = 1 << 20;

// The end of the last whole record in bytes (just past its line feed), quotes followed from the
// start; -1 when there is none. In CP932 as in UTF-8 a quote, comma or line break byte is never
// part of a multi-byte character, so bytes can be split before they are decoded.
qsizetype LastRecordEnd(const QByteArray& bytes) {
    bool quoted = false;
    qsizetype end = -1;
    const char* p = bytes.constData();
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i) {
        const char c = p[i];
        if (c == '"')
            quoted = !quoted;
        else if (c == '\n' && !quoted)
            end = i + 1;
    }
    return end;
}

bool ValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString s = decoder(bytes);
    return !decoder.hasError();
}

}  // namespace

CsvReader::CsvReader(QIODevice& device) : device_(device), header_(kNoColumns) {}

QString CsvReader::decode(const QByteArray& bytes) const {
    return utf8_ ? QString::fromUtf8(bytes) : cp932::Decode(bytes);
}

bool CsvReader::fill() {
    while (!eof_) {
        const QByteArray chunk = device_.read(kChunk);
        if (chunk.isEmpty()) {
            eof_ = true;
            break;
        }
        bytesRead_ += chunk.size();
        pending_ += chunk;
        const qsizetype end = LastRecordEnd(pending_);
        if (end > 0) {
            text_ = decode(pending_.left(end));
            pending_.remove(0, end);
            pos_ = 0;
            return true;
        }
    }
    if (!pending_.isEmpty()) {
        text_ = decode(pending_);
        pending_.clear();
        pos_ = 0;
        return true;
    }
    return false;
}

bool CsvReader::readHeader() {
    // The header line is judged in its own bytes: the encoding is decided from them.
    QByteArray head;
    while (!eof_ && !head.contains('\n') && head.size() < (1 << 16)) {
        const QByteArray chunk = device_.read(4096);
        if (chunk.isEmpty()) {
            eof_ = true;
            break;
        }
        bytesRead_ += chunk.size();
        head += chunk;
    }
    const QByteArray bom("\xEF\xBB\xBF");
    if (head.startsWith(bom)) {
        utf8_ = true;
        head.remove(0, bom.size());
    } else {
        const qsizetype nl = head.indexOf('\n');
        utf8_ = ValidUtf8(nl < 0 ? head : head.left(nl));
    }
    if (head.contains('\0')) {
        error_ = ExpectedHeaderText();
        return false;
    }
    pending_ = head;
    const qsizetype end = LastRecordEnd(pending_);
    if (end > 0) {
        text_ = decode(pending_.left(end));
        pending_.remove(0, end);
    } else if (eof_) {
        text_ = decode(pending_);
        pending_.clear();
    } else {
        error_ = ExpectedHeaderText();
        return false;
    }
    pos_ = 0;
    std::vector<QStringView> fields;
    qint64 line = 0;
    if (!next(fields, line)) {
        error_ = ExpectedHeaderText();
        return false;
    }
    QStringList names;
    for (const QStringView f : fields)
        names << f.toString();
    QStringList missing;
    const std::optional<HeaderMap> map = MapHeader(names, &missing);
    if (!map) {
        error_ = ExpectedHeaderText();
        return false;
    }
    header_ = *map;
    return true;
}

bool CsvReader::next(std::vector<QStringView>& fields, qint64& line) {
    fields.clear();
    unquoted_.clear();
    for (;;) {
        if (pos_ >= text_.size() && !fill())
            return false;
        // Blank lines between records are passed over.
        while (pos_ < text_.size() &&
               (text_[pos_] == QLatin1Char('\n') || text_[pos_] == QLatin1Char('\r'))) {
            if (text_[pos_] == QLatin1Char('\n'))
                ++line_;
            ++pos_;
        }
        if (pos_ < text_.size())
            break;
    }
    line = line_;
    const QChar* s = text_.constData();
    const qsizetype n = text_.size();
    qsizetype i = pos_;
    for (;;) {
        if (i < n && s[i] == QLatin1Char('"')) {
            ++i;
            const qsizetype start = i;
            bool doubled = false;
            while (i < n) {
                if (s[i] == QLatin1Char('"')) {
                    if (i + 1 < n && s[i + 1] == QLatin1Char('"')) {
                        doubled = true;
                        i += 2;
                        continue;
                    }
                    break;
                }
                if (s[i] == QLatin1Char('\n'))
                    ++line_;
                ++i;
            }
            QStringView value(s + start, i - start);
            if (doubled) {
                QString plain = value.toString();
                plain.replace(QStringLiteral("\"\""), QStringLiteral("\""));
                unquoted_.push_back(std::move(plain));
                value = unquoted_.back();
            }
            if (i < n)
                ++i;  // the closing quote
            // Anything between the closing quote and the separator belongs to the value.
            const qsizetype after = i;
            while (i < n && s[i] != QLatin1Char(',') && s[i] != QLatin1Char('\n') &&
                   s[i] != QLatin1Char('\r'))
                ++i;
            if (i > after) {
                unquoted_.push_back(value.toString() + QStringView(s + after, i - after).toString());
                value = unquoted_.back();
            }
            fields.push_back(value);
        } else {
            const qsizetype start = i;
            while (i < n && s[i] != QLatin1Char(',') && s[i] != QLatin1Char('\n') &&
                   s[i] != QLatin1Char('\r'))
                ++i;
            fields.push_back(QStringView(s + start, i - start));
        }
        if (i < n && s[i] == QLatin1Char(',')) {
            ++i;
            continue;
        }
        break;
    }
    // The record's end: CR LF, LF or the end of the text.
    if (i < n && s[i] == QLatin1Char('\r'))
        ++i;
    if (i < n && s[i] == QLatin1Char('\n')) {
        ++i;
        ++line_;
    }
    pos_ = i;
    return true;
}

}  // namespace ie::trades
