#include "common/AreaRule.h"

#include "common/Formats.h"
#include "common/NumberRule.h"

namespace ie {

namespace {

// 400 ㎡ are exactly 121 坪; multiplying before dividing keeps 100㎡ at exactly 30.25 坪.
constexpr double kTuboOf400SquareMetres = 121.0;
constexpr double kSquareMetres = 400.0;

// The number of characters of a trailing square-metre unit ("㎡" is one, "m2" and "ｍ２" two), 0
// when there is none.
qsizetype SquareMetreSuffixLength(const QString& text) {
    const QString m2 = QStringLiteral("m2");
    for (qsizetype n : {1, 2}) {
        if (text.size() > n && text.right(n).normalized(QString::NormalizationForm_KC) == m2)
            return n;
    }
    return 0;
}

// The number of an area text, before an optional trailing ㎡ unit.
struct AreaReading {
    std::optional<double> value;
    bool squareMetres = false;
};

AreaReading ReadArea(const QString& text) {
    const QString trimmed = text.trimmed();
    const qsizetype unit = SquareMetreSuffixLength(trimmed);
    return {ParseNumber(trimmed.chopped(unit)), unit > 0};
}

}  // namespace

double RoundArea(double value) {
    // The rounding of the display format, read back: what is shown and what is used agree.
    const std::optional<double> rounded = ParseNumber(FormatFixed2(value));
    return rounded ? *rounded : value;
}

QString FormatArea(double value) {
    QString text = FormatGrouped2(value);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

std::optional<double> ParseSiteArea(const QString& text) {
    // The field's own unit may come with the number, as sales sheets write it.
    const AreaReading area = ReadArea(text);
    if (!area.value)
        return std::nullopt;
    return RoundArea(*area.value);
}

std::optional<double> ParseFloorArea(const QString& text) {
    const AreaReading area = ReadArea(text);
    if (!area.value)
        return std::nullopt;
    // Converted first, then rounded: 99.17㎡ is 29.998925 坪, kept as 30.
    return RoundArea(area.squareMetres ? *area.value * kTuboOf400SquareMetres / kSquareMetres
                                       : *area.value);
}

}  // namespace ie
