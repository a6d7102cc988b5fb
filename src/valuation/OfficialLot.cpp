#include "valuation/OfficialLot.h"

#include "state/RoadAccess.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace ie::official {

namespace {

// Products of a price and up to four factors exceed 64 bits before they are divided back.
__extension__ typedef __int128 Wide;

struct TooLarge : std::runtime_error {
    TooLarge() : std::runtime_error("too large") {}
};

qint64 Narrow(Wide v) {
    if (v > std::numeric_limits<qint64>::max() || v < std::numeric_limits<qint64>::min())
        throw TooLarge();
    return static_cast<qint64>(v);
}

// Floor of num ÷ den for den > 0, whatever the sign of num.
Wide FloorDiv(Wide num, Wide den) {
    Wide q = num / den;
    if ((num % den != 0) && ((num < 0) != (den < 0)))
        --q;
    return q;
}

// A length as an exact fraction of centimetres: an irregular plot's depth is 地積 ÷ 間口.
struct Length {
    Wide num = 0;
    Wide den = 1;
    bool atLeast(qint64 cm) const { return num >= Wide(cm) * den; }
};

bool LessThan(const Length& a, const Length& b) {
    return a.num * b.den < b.num * a.den;
}

// ---- texts

QString Digits(qint64 whole, qint64 fraction, int places) {
    return QString::number(whole) + QLatin1Char('.') +
           QStringLiteral("%1").arg(fraction, places, 10, QLatin1Char('0'));
}

QString Hundredths(qint64 h) {
    return Digits(h / 100, h % 100, 2);
}

// A kept factor: at least two decimals, more only when the table has them (1.025).
QString TenThousandths(qint64 f) {
    QString text = Digits(f / 10000, f % 10000, 4);
    while (text.endsWith(QLatin1Char('0')) && text.indexOf(QLatin1Char('.')) < text.size() - 3)
        text.chop(1);
    return text;
}

QString Grouped(qint64 v) {
    QString digits = QString::number(v < 0 ? -v : v);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return v < 0 ? QLatin1Char('-') + digits : digits;
}

QString Yen(qint64 v) {
    return Grouped(v) + QStringLiteral("円");
}

// Hundredths (cm, hundredths of a ㎡ or of a percent) with their decimals, trailing zeros dropped.
QString Decimal(qint64 h) {
    QString text = Grouped(h / 100);
    const qint64 f = h % 100;
    if (f != 0) {
        text += QLatin1Char('.') + QStringLiteral("%1").arg(f, 2, 10, QLatin1Char('0'));
        if (text.endsWith(QLatin1Char('0')))
            text.chop(1);
    }
    return text;
}

QString Metres(qint64 cm) {
    return Decimal(cm) + QLatin1Char('m');
}

QString SquareMetres(qint64 h) {
    return Decimal(h) + QStringLiteral("㎡");
}

QString MetresOf(const Length& l) {
    // Shown to the centimetre, the rest dropped.
    return Metres(static_cast<qint64>(l.num / l.den));
}

// The band index of value (the last band whose from is at most it); -1 below the first band.
template <typename B, typename AtLeast>
int BandIndex(const std::vector<B>& bands, AtLeast atLeast) {
    int found = -1;
    for (int i = 0; i < static_cast<int>(bands.size()); ++i) {
        if (atLeast(bands[i].from))
            found = i;
    }
    return found;
}

// "12m以上24m未満", "4m未満", "100m以上".
template <typename B>
QString BandText(const std::vector<B>& bands, int i, QString (*edge)(qint64)) {
    const bool first = i == 0 && bands[0].from == 0;
    const bool last = i + 1 >= static_cast<int>(bands.size());
    if (first && last)
        return QString();
    if (first)
        return edge(bands[1].from) + QStringLiteral("未満");
    if (last)
        return edge(bands[i].from) + QStringLiteral("以上");
    return edge(bands[i].from) + QStringLiteral("以上") + edge(bands[i + 1].from) +
           QStringLiteral("未満");
}

QString EdgeMetres(qint64 cm) {
    return Metres(cm);
}
QString EdgeTimes(qint64 h) {
    return Decimal(h) + QStringLiteral("倍");
}
QString EdgePercent(qint64 p) {
    return QString::number(p) + QLatin1Char('%');
}

QString KindName(CornerKind k) {
    return k == CornerKind::Corner ? QStringLiteral("角地") : QStringLiteral("準角地");
}

QString FacingName(Facing f) {
    static const char16_t* const names[] = {u"南", u"東", u"西", u"北"};
    return QString::fromUtf16(names[static_cast<int>(f)]);
}

// ---- the calculation

struct Context {
    const Tables& t;
    int d;  // district index
    Result& r;

    // 付表1 for a depth, with its factor line.
    int depthFactor(const Length& depth, const QString& what, bool record) {
        const auto& bands = t.depth[d];
        const int i = BandIndex(bands, [&](qint64 from) { return depth.atLeast(from); });
        const int f = i < 0 ? 100 : bands[i].factor;
        if (record) {
            r.factors.push_back(QStringLiteral("付表1 奥行価格補正率 %1 %2（%3 %4） %5")
                                    .arg(t.districtName[d],
                                         i < 0 ? QString() : BandText(bands, i, EdgeMetres), what,
                                         MetresOf(depth), Hundredths(f)));
        }
        return f;
    }
};

qint64 Apply(qint64 value, Wide num, Wide den) {
    return Narrow(FloorDiv(Wide(value) * num, den));
}

}  // namespace

QStringList AccessWarnings(const Inputs& in) {
    if (in.multiplier || in.frontage <= 0)
        return RoadAccessWarnings(in.noRoad, 0);
    qint64 longest = in.frontage;
    for (const auto& s : in.side) {
        if (s && s->price > 0)
            longest = std::max(longest, s->contact > 0 ? s->contact : in.depth);
    }
    if (in.rear && in.rear->price > 0)
        longest = std::max(longest, in.rear->contact > 0 ? in.rear->contact : in.frontage);
    return RoadAccessWarnings(in.noRoad, longest);
}

int BandFactor(const std::vector<Band>& bands, qint64 value) {
    const int i = BandIndex(bands, [&](qint64 from) { return value >= from; });
    return i < 0 ? 100 : bands[i].factor;
}

Result Calculate(const Inputs& in, const Tables& t, double roadPrice) {
    Result r;
    const auto refuse = [](const QString& why) {
        Result out;
        out.refusal = why;
        return out;
    };
    if (in.area <= 0)
        return refuse(QStringLiteral("地積（敷地面積）を入力してください。"));

    const int d = in.district == District::Commercial ? 1 : 0;
    Context cx{t, d, r};
    try {
        qint64 v = 0;
        if (in.multiplier) {
            if (in.assessed <= 0)
                return refuse(QStringLiteral("「固定資産税評価額」を入力してください。"));
            if (in.multiplierRate <= 0)
                return refuse(QStringLiteral("「倍率」を入力してください。"));
            // 評価額 × 倍率 ÷ 地積: the hundredths of the rate and of the area cancel.
            v = Narrow(FloorDiv(Wide(in.assessed) * in.multiplierRate, in.area));
            r.lines.push_back(
                {QStringLiteral("倍率地域"),
                 QStringLiteral("固定資産税評価額 %1 × 倍率 %2 ÷ 地積 %3")
                     .arg(Yen(in.assessed), Decimal(in.multiplierRate), SquareMetres(in.area)),
                 v});
            if (v <= 0)
                return refuse(
                    QStringLiteral("1㎡当たりの価額が1円未満になります。"
                                   "固定資産税評価額と倍率を確かめてください。"));
            r.roadPrice = v;
            roadPrice = static_cast<double>(v);
        } else {
            if (in.price <= 0)
                return refuse(QStringLiteral("路線価を入力してください。"));
            const bool dims = in.frontage > 0 && in.depth > 0;
            if (!dims && !in.noRoad) {
                return refuse(in.frontage <= 0 ? QStringLiteral("「間口」を入力してください。")
                                               : QStringLiteral("「奥行」を入力してください。"));
            }
            if (in.noRoad &&
                ((in.side[0] && in.side[0]->price > 0) || (in.side[1] && in.side[1]->price > 0) ||
                 (in.rear && in.rear->price > 0))) {
                return refuse(
                    QStringLiteral("「道路に面していない」と側方路線・裏面路線は同時に"
                                   "指定できません。"));
            }
            if (in.assumedArea > 0 && in.assumedArea < in.area)
                return refuse(QStringLiteral("「想定整形地の地積」が地積より小さくなっています。"));
            r.roadPrice = in.price;
            const bool irregular = in.assumedArea > 0;

            if (dims) {
                // The entered dimensions against the area (in cm², as 地積 × 10000).
                const Wide product = Wide(in.frontage) * in.depth;
                const Wide area = Wide(in.area) * 100;
                const Wide gap = product > area ? product - area : area - product;
                if (gap * 2 > area) {
                    r.notes << QStringLiteral(
                                   "間口×奥行（%1）が地積（%2）と大きく異なります。"
                                   "寸法を確かめてください（計算はそのまま続けます）。")
                                   .arg(SquareMetres(Narrow(product / 100)), SquareMetres(in.area));
                }
            }

            // The plot seen from its front road.
            qint64 frontPrice = in.price;
            qint64 frontage = in.frontage;
            qint64 depth = in.depth;
            std::vector<Road> sides;
            std::optional<Road> rear = in.rear;
            for (const auto& s : in.side) {
                if (s && s->price > 0)
                    sides.push_back(*s);
            }
            if (rear && rear->price <= 0)
                rear.reset();
            // A side road's depth is the plot's width across it unless given.
            for (Road& s : sides) {
                if (s.depth <= 0)
                    s.depth = in.frontage;
            }
            if (rear && rear->depth <= 0)
                rear->depth = in.depth;

            const auto usedDepth = [&](qint64 f, qint64 dep) {
                Length l{dep, 1};
                if (irregular && f > 0) {
                    // 地積 ÷ 間口, at most the depth of the 想定整形地 (in cm: area × 100 ÷ cm).
                    const Length calc{Wide(in.area) * 100, f};
                    if (LessThan(calc, l))
                        l = calc;
                }
                return l;
            };

            if (dims && !sides.empty()) {
                // The front road is the one whose price × depth factor is highest; on a tie, the
                // one with the longer frontage. The rear road is not compared.
                const auto score = [&](qint64 price, const Length& l) {
                    return Wide(price) * cx.depthFactor(l, QString(), false);
                };
                Wide best = score(in.price, usedDepth(in.frontage, in.depth));
                qint64 bestFrontage = in.frontage;
                int chosen = -1;
                for (int i = 0; i < static_cast<int>(sides.size()); ++i) {
                    const Road& s = sides[i];
                    const Wide sc = score(s.price, Length{s.depth, 1});
                    const qint64 sf = s.contact > 0 ? s.contact : in.depth;
                    if (sc > best || (sc == best && sf > bestFrontage)) {
                        best = sc;
                        bestFrontage = sf;
                        chosen = i;
                    }
                }
                if (chosen >= 0) {
                    const Road s = sides[chosen];
                    r.frontSwapped = true;
                    frontPrice = s.price;
                    frontage = s.contact > 0 ? s.contact : in.depth;
                    depth = s.depth;
                    std::vector<Road> newSides;
                    // The old front runs along a side now; the rear road, meeting the new front at
                    // a corner, becomes a side road too, and the opposite side road the rear.
                    newSides.push_back(Road{in.price, in.depth, in.frontage, s.kind});
                    if (rear)
                        newSides.push_back(Road{rear->price, rear->depth, rear->contact, s.kind});
                    std::optional<Road> newRear;
                    for (int i = 0; i < static_cast<int>(sides.size()); ++i) {
                        if (i != chosen)
                            newRear = sides[i];
                    }
                    sides = newSides;
                    rear = newRear;
                    r.notes << QStringLiteral(
                                   "側方路線（路線価 %1）の方が路線価×奥行価格補正率が高いため、"
                                   "正面路線としました（間口 %2、奥行 %3）。もとの正面路線は"
                                   "側方路線（%4）として加算します。")
                                   .arg(Yen(s.price), Metres(frontage), Metres(depth),
                                        KindName(s.kind));
                }
            }

            // 1 the front road.
            const Length dUsed = usedDepth(frontage, depth);
            int fDepth = 100;
            if (dims) {
                fDepth = cx.depthFactor(dUsed, QStringLiteral("正面路線 奥行"), true);
            } else {
                r.factors.push_back(
                    QStringLiteral("付表1 奥行価格補正率 1.00（間口・奥行の入力が"
                                   "ないため補正しません）"));
            }
            v = Apply(frontPrice, fDepth, 100);
            r.lines.push_back({QStringLiteral("1 一路線（A）"),
                               QStringLiteral("正面路線価 %1 × 奥行価格補正率 %2")
                                   .arg(Yen(frontPrice), Hundredths(fDepth)),
                               v});

            // 2-4 side and rear roads, each added at its own price and depth factor.
            int roads = 1;
            const QString letters = QStringLiteral("ABCD");
            const auto addRoad = [&](const Road& road, bool isSide) {
                const Length rd{road.depth, 1};
                const int fd = cx.depthFactor(
                    rd, isSide ? QStringLiteral("側方路線 奥行") : QStringLiteral("裏面路線 奥行"),
                    true);
                int rate = 0;
                QString rateText;
                if (isSide) {
                    rate = road.kind == CornerKind::Corner ? t.sideCorner[d] : t.sideSemiCorner[d];
                    r.factors.push_back(
                        QStringLiteral("付表2 側方路線影響加算率 %1 %2 %3")
                            .arg(t.districtName[d], KindName(road.kind), Hundredths(rate)));
                    rateText = QStringLiteral("側方路線影響加算率 %1（%2）")
                                   .arg(Hundredths(rate), KindName(road.kind));
                } else {
                    rate = t.rear[d];
                    r.factors.push_back(QStringLiteral("付表3 二方路線影響加算率 %1 %2")
                                            .arg(t.districtName[d], Hundredths(rate)));
                    rateText = QStringLiteral("二方路線影響加算率 %1").arg(Hundredths(rate));
                }
                // Part of a side: the addition in proportion to the length in contact.
                const qint64 sideLength = isSide ? depth : frontage;
                Wide cNum = 1;
                Wide cDen = 1;
                QString contactText;
                if (road.contact > 0 && sideLength > 0 && road.contact < sideLength) {
                    cNum = road.contact;
                    cDen = sideLength;
                    contactText = QStringLiteral(" × 接する長さ %1 ÷ %2 %3")
                                      .arg(Metres(road.contact),
                                           isSide ? QStringLiteral("奥行") : QStringLiteral("間口"),
                                           Metres(sideLength));
                }
                const qint64 before = v;
                v = Narrow(Wide(v) +
                           FloorDiv(Wide(road.price) * fd * rate * cNum, Wide(10000) * cDen));
                ++roads;
                static const char16_t* const counts[] = {u"", u"一", u"二", u"三", u"四"};
                r.lines.push_back(
                    {QStringLiteral("%1 %2路線（%3）")
                         .arg(roads)
                         .arg(QString::fromUtf16(counts[std::min(roads, 4)]))
                         .arg(letters.at(std::min(roads, 4) - 1)),
                     QStringLiteral("%1 + %2路線価 %3 × 奥行価格補正率 %4 × %5%6")
                         .arg(Yen(before), isSide ? QStringLiteral("側方") : QStringLiteral("裏面"),
                              Yen(road.price), Hundredths(fd), rateText, contactText),
                     v});
            };
            for (const Road& s : sides)
                addRoad(s, true);
            if (rear)
                addRoad(*rear, false);

            // 5 the shape.
            if (dims) {
                const auto& fb = t.frontage[d];
                const int fi = BandIndex(fb, [&](qint64 from) { return frontage >= from; });
                const int fFront = fi < 0 ? 100 : fb[fi].factor;
                r.factors.push_back(QStringLiteral("付表6 間口狭小補正率 %1 %2（間口 %3） %4")
                                        .arg(t.districtName[d],
                                             fi < 0 ? QString() : BandText(fb, fi, EdgeMetres),
                                             Metres(frontage), Hundredths(fFront)));
                // Depth ÷ frontage ≥ k, compared as depth × 100 ≥ k(hundredths) × frontage.
                const auto& rb = t.depthRatio[d];
                const int ri = BandIndex(rb, [&](qint64 from) {
                    return dUsed.num * 100 >= Wide(from) * frontage * dUsed.den;
                });
                const int fRatio = ri < 0 ? 100 : rb[ri].factor;
                r.factors.push_back(QStringLiteral("付表7 奥行長大補正率 %1 奥行÷間口 %2 %3")
                                        .arg(t.districtName[d],
                                             ri < 0 ? QString() : BandText(rb, ri, EdgeTimes),
                                             Hundredths(fRatio)));
                const qint64 before = v;
                if (!irregular) {
                    v = Apply(v, Wide(fFront) * fRatio, 10000);
                    r.lines.push_back(
                        {QStringLiteral("5-1 間口が狭小・奥行が長大な宅地"),
                         QStringLiteral("%1 × 間口狭小補正率 %2 × 奥行長大補正率 %3")
                             .arg(Yen(before), Hundredths(fFront), Hundredths(fRatio)),
                         v});
                } else {
                    // かげ地割合 and 地積区分 (by the plot's own area).
                    const int cls = in.area >= t.classC[d] ? 2 : in.area >= t.classB[d] ? 1 : 0;
                    const QString clsName = QString(QLatin1Char("ABC"[cls]));
                    const auto& ib = t.irregular[d][cls];
                    const Wide shade = Wide(in.assumedArea - in.area);
                    const int ii = BandIndex(ib, [&](qint64 from) {
                        return shade * 100 >= Wide(from) * in.assumedArea;
                    });
                    const int fIrr = ii < 0 ? 100 : ib[ii].factor;
                    // The share shown to a hundredth of a percent, the rest dropped.
                    const qint64 shadeShown = Narrow(shade * 10000 / in.assumedArea);
                    r.factors.push_back(
                        QStringLiteral("付表5 不整形地補正率 %1 地積区分%2 かげ地割合 %3% %4 %5")
                            .arg(t.districtName[d], clsName, Decimal(shadeShown),
                                 ii < 0 ? QString() : BandText(ib, ii, EdgePercent),
                                 Hundredths(fIrr)));
                    // The smaller of the two products, each to two decimals with the rest
                    // dropped; never below 0.60. 不整形 and 奥行長大 are never multiplied together.
                    const int p1 = fIrr * fFront / 100;
                    const int p2 = fFront * fRatio / 100;
                    int f = std::max(std::min(p1, p2), 60);
                    r.factors.push_back(
                        QStringLiteral("不整形地補正率 %1（①不整形地補正率×間口狭小補正率 %2、"
                                       "②奥行長大補正率×間口狭小補正率 %3 の低い方、0.60が下限）")
                            .arg(Hundredths(f), Hundredths(p1), Hundredths(p2)));
                    v = Apply(v, f, 100);
                    r.lines.push_back(
                        {QStringLiteral("5-2 不整形地"),
                         QStringLiteral("%1 × 不整形地補正率 %2").arg(Yen(before), Hundredths(f)),
                         v});
                }
            }

            // 6 規模格差.
            if (!in.scaleExcluded) {
                const auto& sb = t.scale[in.metro ? 1 : 0];
                const int si = BandIndex(sb, [&](qint64 from) { return in.area >= from; });
                if (si >= 0) {
                    const ScaleBand& s = sb[si];
                    // ((A × B + C) ÷ A) × 0.8 in hundredths, the rest dropped; A in hundredths of
                    // a ㎡ and B in hundredths: 4 × (a × b + 10000 × C) ÷ (5 × a).
                    const int f = static_cast<int>(Narrow(FloorDiv(
                        Wide(4) * (Wide(in.area) * s.b + Wide(10000) * s.c), Wide(5) * in.area)));
                    r.factors.push_back(
                        QStringLiteral("規模格差補正率 %1 %2（（地積 %3 × %4 + %5）÷ 地積 × 0.8）")
                            .arg(in.metro ? QStringLiteral("三大都市圏")
                                          : QStringLiteral("三大都市圏以外"),
                                 Hundredths(f), Decimal(in.area), Hundredths(s.b),
                                 QString::number(s.c)));
                    const qint64 before = v;
                    v = Apply(v, f, 100);
                    r.lines.push_back(
                        {QStringLiteral("6 地積規模の大きな宅地"),
                         QStringLiteral("%1 × 規模格差補正率 %2").arg(Yen(before), Hundredths(f)),
                         v});
                }
            }

            // 7 無道路地, at the quick way's factor.
            if (in.noRoad) {
                const qint64 before = v;
                v = Apply(v, t.noRoad, 10000);
                r.factors.push_back(QStringLiteral("無道路地 %1（通達20-3、控除の上限40%）")
                                        .arg(TenThousandths(t.noRoad)));
                r.lines.push_back(
                    {QStringLiteral("7 無道路地"),
                     QStringLiteral("%1 × %2").arg(Yen(before), TenThousandths(t.noRoad)), v});
            }

            // 8 がけ地 and 土砂災害特別警戒区域: their product, never below 0.50.
            int fCliff = 100;
            int fDanger = 100;
            if (in.cliffShare > 0) {
                const int ci =
                    BandIndex(t.cliff, [&](qint64 from) { return in.cliffShare >= from * 100; });
                if (ci >= 0) {
                    fCliff = t.cliff[ci].factor[static_cast<int>(in.cliffFacing)];
                    r.factors.push_back(QStringLiteral("付表8 がけ地補正率 がけ地 %1% %2向き %3")
                                            .arg(Decimal(in.cliffShare), FacingName(in.cliffFacing),
                                                 Hundredths(fCliff)));
                } else {
                    r.factors.push_back(
                        QStringLiteral("付表8 がけ地補正率 がけ地 %1%（10%未満のため"
                                       "補正しません）")
                            .arg(Decimal(in.cliffShare)));
                }
            }
            if (in.dangerShare > 0) {
                const int di =
                    BandIndex(t.danger, [&](qint64 from) { return in.dangerShare >= from * 100; });
                if (di >= 0) {
                    fDanger = t.danger[di].factor;
                    r.factors.push_back(QStringLiteral("付表9 特別警戒区域補正率 区域 %1% %2 %3")
                                            .arg(Decimal(in.dangerShare),
                                                 BandText(t.danger, di, EdgePercent),
                                                 Hundredths(fDanger)));
                }
            }
            if (fCliff != 100 || fDanger != 100) {
                const int f = std::max(fCliff * fDanger / 100, 50);
                const qint64 before = v;
                v = Apply(v, f, 100);
                QString formula = QStringLiteral("%1 × ").arg(Yen(before));
                if (fCliff != 100 && fDanger != 100) {
                    formula +=
                        QStringLiteral("（特別警戒区域補正率 %1 × がけ地補正率 %2、0.50が下限）%3")
                            .arg(Hundredths(fDanger), Hundredths(fCliff), Hundredths(f));
                } else if (fCliff != 100) {
                    formula += QStringLiteral("がけ地補正率 %1").arg(Hundredths(f));
                } else {
                    formula += QStringLiteral("特別警戒区域補正率 %1").arg(Hundredths(f));
                }
                r.lines.push_back({QStringLiteral("8 がけ地等を有する宅地"), formula, v});
            }
        }

        r.perSqm = v;
        r.lines.push_back({QStringLiteral("自用地1㎡当たりの価額"), QString(), v});
        r.selfUse = Apply(v, in.area, 100);
        QString total = QStringLiteral("%1 × 地積 %2").arg(Yen(v), SquareMetres(in.area));
        if (!in.multiplier && in.setback > 0) {
            if (in.setback > in.area)
                return refuse(QStringLiteral("「セットバック」の面積が地積を超えています。"));
            // 評価額 − 評価額 × (セットバック ÷ 地積) × 0.7, the total's fraction dropped.
            const qint64 whole = r.selfUse;
            r.lines.push_back({QStringLiteral("自用地の評価額（セットバック前）"), total, whole});
            r.selfUse = Narrow(FloorDiv(Wide(whole) * in.area * 10 - Wide(whole) * in.setback * 7,
                                        Wide(in.area) * 10));
            total = QStringLiteral("%1 − %1 × （セットバック %2 ÷ 地積 %3）× 0.7")
                        .arg(Yen(whole), SquareMetres(in.setback), SquareMetres(in.area));
        }
        r.lines.push_back({QStringLiteral("自用地の評価額"), total, r.selfUse});

        // The program's own factors after the statement.
        qint64 value = r.selfUse;
        const auto keep = [&](bool on, int f, const QString& label) {
            if (!on)
                return;
            const qint64 before = value;
            value = Apply(value, f, 10000);
            r.kept.push_back(
                {label, QStringLiteral("%1 × %2").arg(Yen(before), TenThousandths(f)), value});
        };
        keep(in.highVoltage, t.highVoltage, QStringLiteral("高圧線の下"));
        keep(in.southRoad, t.southRoad, QStringLiteral("道路が南側"));
        keep(in.otherPercent != 0, (100 + in.otherPercent) * 100,
             QStringLiteral("その他（%1%2%）")
                 .arg(in.otherPercent > 0 ? QStringLiteral("+") : QString())
                 .arg(in.otherPercent));
        r.value = value;
    } catch (const TooLarge&) {
        return refuse(QStringLiteral("数値が大きすぎて計算できません。"));
    }

    r.warnings = AccessWarnings(in);

    const double base = roadPrice * (static_cast<double>(in.area) / 100.0);
    if (!(base > 0))
        return refuse(QStringLiteral("路線価を入力してください。"));
    r.lotFactor = static_cast<double>(r.value) / base;
    return r;
}

}  // namespace ie::official
