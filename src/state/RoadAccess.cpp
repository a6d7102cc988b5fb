#include "state/RoadAccess.h"

#include "state/BukkenJoho.h"

#include <algorithm>
#include <cmath>

namespace ie {

namespace {

constexpr qint64 kRequiredContact = 200;  // cm

qint64 Centimetres(double metres) {
    return std::isfinite(metres) && metres > 0 && metres < 1e9 ? std::llround(metres * 100) : 0;
}

}  // namespace

QString NarrowFrontageWarning() {
    return QStringLiteral(
        "間口が2m未満です。建築基準法の接道義務（2m）を満たさず、建て替えできない"
        "可能性があります。");
}

QString NoRoadWarning() {
    return QStringLiteral(
        "道路に面していないため、建築基準法の接道義務（2m）を満たさず、建て替え"
        "できない可能性があります。");
}

QStringList RoadAccessWarnings(bool noRoad, qint64 longestContact) {
    if (noRoad)
        return {NoRoadWarning()};
    if (longestContact > 0 && longestContact < kRequiredContact)
        return {NarrowFrontageWarning()};
    return {};
}

QStringList RoadAccessWarnings(const BukkenJoho& rec) {
    const bool noRoad = rec.MudoroRank != 0;
    if (rec.LotMethod != 1 || rec.MultiplierArea != 0)
        return RoadAccessWarnings(noRoad, 0);
    const qint64 frontage = Centimetres(rec.Frontage);
    const qint64 depth = Centimetres(rec.Depth);
    qint64 longest = frontage;
    if (rec.Side1Price.raw() > 0) {
        const qint64 c = Centimetres(rec.Side1Contact);
        longest = std::max(longest, c > 0 ? c : depth);
    }
    if (rec.Side2Price.raw() > 0) {
        const qint64 c = Centimetres(rec.Side2Contact);
        longest = std::max(longest, c > 0 ? c : depth);
    }
    if (rec.RearPrice.raw() > 0) {
        const qint64 c = Centimetres(rec.RearContact);
        longest = std::max(longest, c > 0 ? c : frontage);
    }
    return RoadAccessWarnings(noRoad, frontage > 0 ? longest : 0);
}

}  // namespace ie
