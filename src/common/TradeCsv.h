#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

class QIODevice;

namespace ie::trades {

// The open price data of 国土交通省 (不動産価格（取引価格・成約価格）情報) as its CSV files hold it:
// one header line, values in double quotes, columns found by their header name. Files differ in
// how many columns they have (30, 21 for condominiums alone, an older layout with "No" first and
// 取引時点 for 取引時期), so nothing here counts on a column's position.

// The kinds of trade the files name in 種類.
enum class Kind : int {
    Unknown = 0,
    HouseAndLand = 1,  // 宅地(土地と建物)
    Land = 2,          // 宅地(土地)
    Condominium = 3,   // 中古マンション等
    Farmland = 4,      // 農地
    Forest = 5,        // 林地
};
Kind KindFromText(QStringView text);
QString KindText(Kind kind);

// The columns the program reads. Those marked required must be in the header.
enum class Column : int {
    Kind,           // 種類 (required)
    PriceClass,     // 価格情報区分
    CityCode,       // 市区町村コード (required)
    Prefecture,     // 都道府県名 (required)
    City,           // 市区町村名
    District,       // 地区名
    Station,        // 最寄駅：名称
    StationMinutes, // 最寄駅：距離（分）
    Price,          // 取引価格（総額） (required)
    Layout,         // 間取り
    Area,           // 面積（㎡）
    FloorArea,      // 延床面積（㎡）
    BuildYear,      // 建築年
    Structure,      // 建物の構造
    Period,         // 取引時期, older 取引時点 (required)
    Renovation,     // 改装
    Circumstances,  // 取引の事情等
    Count
};
inline constexpr int kColumnCount = static_cast<int>(Column::Count);

// Where each column sits in a file, found from its header line.
struct HeaderMap {
    std::array<int, kColumnCount> at{};  // -1 when the file has no such column
    int fieldCount = 0;
    int operator[](Column c) const { return at[static_cast<size_t>(c)]; }
};
// The map of a header line's names; nullopt when a required column is missing, the names of the
// missing ones in *missing.
std::optional<HeaderMap> MapHeader(const QStringList& names, QStringList* missing = nullptr);
// What a file of these data must have in its header, for the message that refuses another file.
QString ExpectedHeaderText();

// Full-width ASCII (３ＬＤＫ, ＲＣ) and the ideographic space as their plain forms; everything else
// (㎡, kana, kanji) as it is.
QString FoldWidth(QStringView text);

// A measured value of the files: an exact figure, or one given only as a floor or a range
// ("2,000㎡以上", "30分～60分", "1H～1H30"), which keeps its lower end.
struct Measure {
    enum class Kind { Blank, Exact, AtLeast };
    Kind kind = Kind::Blank;
    qint64 value = 0;  // area: hundredths of a ㎡; minutes: whole minutes
    bool exact() const { return kind == Kind::Exact; }
    bool operator==(const Measure&) const = default;
};
// 面積 and 延床面積 in hundredths of a ㎡; nullopt when the text is no area at all.
std::optional<Measure> ParseArea(QStringView text);
// 最寄駅：距離（分） in minutes, "1H30" being 90; nullopt when unreadable.
std::optional<Measure> ParseMinutes(QStringView text);

// 建築年: a Western year ("1980年"), an era year ("昭和55年", "平成元年"), or 戦前 (before 1945,
// no year). Blank has neither.
struct BuildYear {
    enum class Kind { Blank, Year, Prewar };
    Kind kind = Kind::Blank;
    int year = 0;
    bool operator==(const BuildYear&) const = default;
};
std::optional<BuildYear> ParseBuildYear(QStringView text);

// 取引時期 as a quarter number: year * 4 + (quarter - 1), "2025年第1四半期" being 8100. Era years
// are read too. nullopt when unreadable.
std::optional<int> ParsePeriod(QStringView text);
int PeriodYear(int period);
int PeriodQuarter(int period);  // 1 to 4
QString PeriodText(int period);  // "2025年第1四半期"
// The quarter a date falls in.
int PeriodOfDate(int year, int month);

// 取引価格（総額） in yen: digits, possibly grouped with commas; nullopt otherwise.
std::optional<qint64> ParseYen(QStringView text);

// The 47 prefectures in their code order (1 北海道 ... 47 沖縄県).
const QStringList& PrefectureNames();
// The code of a prefecture's name (1 to 47), 0 when unknown.
int PrefectureCode(QStringView name);

// One trade as the program keeps it.
struct Trade {
    Kind kind = Kind::Unknown;
    bool contractPrice = false;  // 価格情報区分 成約価格情報 (reported by brokers, from 2021)
    int cityCode = 0;
    int prefecture = 0;
    QString prefectureName;
    QString cityName;
    QString district;
    QString station;
    Measure minutes;
    qint64 price = 0;  // yen
    QString layout;
    Measure area;
    Measure floorArea;
    BuildYear built;
    QString structure;
    int period = 0;
    QString renovation;
    QString circumstances;
};

// Why a row could not be read: the file's line number (1 the header) and the column at fault.
struct RowProblem {
    qint64 line = 0;
    QString column;
    QString text;  // what the column held, or what was wrong with the row
};

// One row's fields read into a trade; nullopt with the problem when a field the program cannot do
// without is unreadable. Odd values of optional fields are kept as Blank.
std::optional<Trade> ReadTrade(const HeaderMap& map, const std::vector<QStringView>& fields,
                               qint64 line, RowProblem* problem);

// Reads a file of these data from a device, record by record: the encoding (CP932 as downloaded,
// or UTF-8 with or without its byte-order mark) is decided from the header line, quotes may hold
// commas, doubled quotes and line breaks. The device is read in chunks, never whole.
class CsvReader {
public:
    explicit CsvReader(QIODevice& device);
    // Reads the header line; false when the device does not start with one of these files'
    // headers (the reason in error()).
    bool readHeader();
    const HeaderMap& header() const { return header_; }
    // The next record's fields (views into the reader's buffer, valid until the next call) and the
    // line it started on; false at the end.
    bool next(std::vector<QStringView>& fields, qint64& line);
    bool utf8() const { return utf8_; }
    const QString& error() const { return error_; }
    // Bytes read from the device so far.
    qint64 bytesRead() const { return bytesRead_; }

private:
    bool fill();
    QString decode(const QByteArray& bytes) const;

    QIODevice& device_;
    HeaderMap header_;
    bool utf8_ = false;
    bool eof_ = false;
    QByteArray pending_;  // bytes read but not yet decoded (a record cut by the chunk's end)
    QString text_;        // decoded whole records
    qsizetype pos_ = 0;
    qint64 line_ = 1;
    qint64 bytesRead_ = 0;
    QString error_;
    std::vector<QString> unquoted_;  // fields that held doubled quotes, unescaped
};

}  // namespace ie::trades
