#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace ie::official {

// The lot factor the official way (財産評価基本通達): the plot's dimensions and roads worked
// through the 付表 in the order of the statement form (土地及び土地の上に存する権利の評価明細書),
// every per-㎡ line in whole yen with its fraction dropped. A plain function of its inputs and
// tables, so that it runs without a window or a database.
//
// Units, all integers so that band edges and money are exact: lengths in centimetres, areas in
// hundredths of a ㎡, shares in hundredths of a percent, prices in whole yen, 付表 factors in
// hundredths, the kept factors of the quick way in ten-thousandths.

enum class District { Residential = 0, Commercial = 1 };  // 普通住宅地区, 普通商業・併用住宅地区
enum class CornerKind { Corner = 0, SemiCorner = 1 };  // 角地, 準角地
enum class Facing { South = 0, East = 1, West = 2, North = 3 };

// One band of a 付表: from `from` (inclusive) up to the next band's from (exclusive).
struct Band {
    qint64 from = 0;
    int factor = 100;
};
struct CliffBand {
    qint64 from = 0;  // percent
    std::array<int, 4> factor{};
};
struct ScaleBand {
    qint64 from = 0;  // hundredths of a ㎡
    int b = 100;      // hundredths
    qint64 c = 0;     // ㎡
};

struct Tables {
    std::array<QString, 2> districtName;
    std::array<std::vector<Band>, 2> depth;  // 付表1, from in cm
    std::array<int, 2> sideCorner{};         // 付表2 角地
    std::array<int, 2> sideSemiCorner{};     // 付表2 準角地
    std::array<int, 2> rear{};               // 付表3
    std::array<qint64, 2> classB{};          // 付表4, hundredths of a ㎡
    std::array<qint64, 2> classC{};
    std::array<std::array<std::vector<Band>, 3>, 2> irregular;  // 付表5 [district][A,B,C], %
    std::array<std::vector<Band>, 2> frontage;                  // 付表6, cm
    std::array<std::vector<Band>, 2> depthRatio;                // 付表7, hundredths of a multiple
    std::vector<CliffBand> cliff;                               // 付表8, below the first: none
    std::vector<Band> danger;                                   // 付表9, below the first: none
    std::array<std::vector<ScaleBand>, 2> scale;  // 規模格差 [0] elsewhere, [1] 三大都市圏
    // The quick way's factors the official way keeps, in ten-thousandths.
    int noRoad = 10000;
    int highVoltage = 10000;
    int southRoad = 10000;
};

struct Road {
    qint64 price = 0;  // yen per ㎡
    qint64 depth =
        0;  // cm from this road; 0: the plot's own (間口 for a side road, 奥行 for the rear)
    qint64 contact = 0;  // cm in contact; 0: the whole side
    CornerKind kind = CornerKind::Corner;
};

struct Inputs {
    District district = District::Residential;
    qint64 price = 0;  // the worksheet's 路線価 in whole yen: the front road's
    qint64 area = 0;   // 地積
    qint64 frontage = 0;
    qint64 depth = 0;
    std::array<std::optional<Road>, 2> side;
    std::optional<Road> rear;
    qint64 assumedArea = 0;  // 想定整形地の地積; 0: a regular plot
    bool metro = false;      // 三大都市圏
    bool scaleExcluded = false;
    qint64 cliffShare = 0;  // がけ地, hundredths of a percent
    Facing cliffFacing = Facing::South;
    qint64 dangerShare = 0;  // 土砂災害特別警戒区域
    qint64 setback = 0;      // area given up to the road
    bool noRoad = false;
    bool highVoltage = false;
    bool southRoad = false;
    int otherPercent = 0;  // その他, -100..100
    // 倍率地域: the per-㎡ value comes from the land's assessment instead of a road price.
    bool multiplier = false;
    qint64 assessed = 0;        // 固定資産税評価額, yen
    qint64 multiplierRate = 0;  // 倍率, hundredths
};

// A line of the worked figures: what it is, how it was reached, and its amount in yen.
struct Line {
    QString label;
    QString formula;
    qint64 yen = 0;
};

struct Result {
    QString
        refusal;  // not empty: the inputs cannot be worked (the text says why); nothing else set
    std::vector<QString> factors;  // each factor with its 付表, band and value
    std::vector<Line> lines;       // the statement's lines, to 自用地の評価額
    std::vector<Line> kept;        // the program's own lines after it
    qint64 perSqm = 0;             // 自用地1㎡当たりの価額
    qint64 selfUse = 0;            // 自用地の評価額
    qint64 value = 0;              // after the kept factors
    qint64 roadPrice = 0;  // the 路線価 the factor is relative to (the 倍率 path's own)
    double lotFactor = 0;  // value ÷ (路線価 × 地積)
    bool frontSwapped = false;
    QStringList notes;     // the front road swapped, dimensions that do not fit the area, ...
    QStringList warnings;  // the road-access warnings
};

// Works the inputs. roadPrice is the worksheet's 路線価 (it may carry a fraction of a yen) that
// the factor is relative to; the 倍率 path uses its own per-㎡ value instead.
Result Calculate(const Inputs& in, const Tables& t, double roadPrice);

// The road-access warnings of the inputs (state/RoadAccess): 道路に面していない, or every road
// the plot touches under 2 m (on the 倍率 path only the former).
QStringList AccessWarnings(const Inputs& in);

// The factor's band of a 付表, exposed for whoever shows a single factor: the band's factor for
// value (the last band whose from is at most value); 100 when the table is empty.
int BandFactor(const std::vector<Band>& bands, qint64 value);

}  // namespace ie::official
