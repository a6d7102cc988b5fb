#include "valuation/OfficialTables.h"

#include "common/AppError.h"
#include "state/ModGlobal.h"
#include "valuation/LotCorrection.h"
#include "valuation/RateLookup.h"

#include <cmath>
#include <functional>

namespace ie {

namespace {

using db::FieldType;
using official::Band;

AppError Broken(const QString& table, const QString& what) {
    return AppError(errors::kTypeMismatch,
                    QStringLiteral("システムデータベースの表「%1」の%2").arg(table, what));
}

// A stored number as a whole count of its hundredths; a Null, a text or a value that is no whole
// hundredth throws.
qint64 Hundredths(const db::Statement& st, int column, const QString& table) {
    const db::Value v = st.value(column, FieldType::Double);
    const std::optional<double> d = v.isNull() ? std::nullopt : v.toDouble();
    if (!d || !std::isfinite(*d) || std::abs(*d) > 1e12)
        throw Broken(table, QStringLiteral("値が数値ではありません。"));
    const double scaled = *d * 100;
    const double whole = std::round(scaled);
    if (std::abs(scaled - whole) > 1e-6)
        throw Broken(table, QStringLiteral("値 %1 が小数点以下2桁を超えています。").arg(*d));
    return static_cast<qint64>(whole);
}

int Factor(const db::Statement& st, int column, const QString& table) {
    const qint64 f = Hundredths(st, column, table);
    if (f <= 0 || f > 200)
        throw Broken(table,
                     QStringLiteral("補正率 %1 が範囲外です。").arg(static_cast<double>(f) / 100));
    return static_cast<int>(f);
}

int District(const db::Statement& st, const QString& table) {
    const qint64 d = st.value(0, FieldType::Integer).toInt64().value_or(0);
    if (d != 1 && d != 2)
        throw Broken(table, QStringLiteral("地区区分 %1 が不明です。").arg(d));
    return static_cast<int>(d - 1);
}

// Runs sql and hands each row over; a database failure names the table.
void EachRow(ModGlobal& g, const QString& table, const QString& sql,
             const std::function<void(const db::Statement&)>& row) {
    try {
        db::Statement st(g.SysDbCon, sql);
        while (st.step())
            row(st);
    } catch (const db::DbError& e) {
        throw AppError(e.number(),
                       QStringLiteral("システムデータベースの表「%1」を読めません：").arg(table) +
                           e.description());
    }
}

// Bands must start at 0 (when whole) and rise.
template <typename B>
void CheckBands(const std::vector<B>& bands, const QString& table, bool fromZero) {
    if (bands.empty())
        throw Broken(table, QStringLiteral("行がありません。"));
    if (fromZero && bands.front().from != 0)
        throw Broken(table, QStringLiteral("最初の下限が0ではありません。"));
    for (size_t i = 1; i < bands.size(); ++i) {
        if (bands[i].from <= bands[i - 1].from)
            throw Broken(table, QStringLiteral("下限が昇順になっていません。"));
    }
}

int Kept(ModGlobal& g, const QString& table) {
    const double f = ModGetHosei(g, 1, table);
    if (!std::isfinite(f) || f < 0 || f > 100)
        throw Broken(table, QStringLiteral("補正率が範囲外です。"));
    return static_cast<int>(std::llround(f * 10000));
}

}  // namespace

QStringList OfficialTableNames() {
    return {QStringLiteral("地区区分"),
            QStringLiteral("付表1奥行価格補正率"),
            QStringLiteral("付表2側方路線影響加算率"),
            QStringLiteral("付表3二方路線影響加算率"),
            QStringLiteral("付表4地積区分"),
            QStringLiteral("付表5不整形地補正率"),
            QStringLiteral("付表6間口狭小補正率"),
            QStringLiteral("付表7奥行長大補正率"),
            QStringLiteral("付表8がけ地補正率"),
            QStringLiteral("付表9特別警戒区域補正率"),
            QStringLiteral("規模格差補正率")};
}

official::Tables ReadOfficialTables(ModGlobal& g, QString* table) {
    official::Tables t;
    QString name;
    const auto reading = [&](const QString& n) {
        name = n;
        if (table)
            *table = n;
    };

    reading(QStringLiteral("地区区分"));
    std::array<bool, 2> named{};
    EachRow(g, name, QStringLiteral("SELECT 地区区分, 名称 FROM 地区区分 ORDER BY 地区区分"),
            [&](const db::Statement& st) {
                const int d = District(st, name);
                t.districtName[d] = st.value(1, FieldType::Text).toText();
                named[d] = true;
            });
    if (!named[0] || !named[1])
        throw Broken(name, QStringLiteral("地区区分が足りません。"));

    // A band table of two districts: 地区区分, 下限, 補正率.
    const auto districtBands = [&](const QString& n, const QString& sql,
                                   std::array<std::vector<Band>, 2>& out) {
        reading(n);
        EachRow(g, n, sql, [&](const db::Statement& st) {
            out[District(st, n)].push_back(Band{Hundredths(st, 1, n), Factor(st, 2, n)});
        });
        for (const auto& bands : out)
            CheckBands(bands, n, true);
    };
    districtBands(QStringLiteral("付表1奥行価格補正率"),
                  QStringLiteral("SELECT 地区区分, 奥行下限, 補正率 FROM 付表1奥行価格補正率 "
                                 "ORDER BY 地区区分, 奥行下限"),
                  t.depth);
    districtBands(QStringLiteral("付表6間口狭小補正率"),
                  QStringLiteral("SELECT 地区区分, 間口下限, 補正率 FROM 付表6間口狭小補正率 "
                                 "ORDER BY 地区区分, 間口下限"),
                  t.frontage);
    districtBands(QStringLiteral("付表7奥行長大補正率"),
                  QStringLiteral("SELECT 地区区分, 比率下限, 補正率 FROM 付表7奥行長大補正率 "
                                 "ORDER BY 地区区分, 比率下限"),
                  t.depthRatio);

    std::array<bool, 2> seen{};
    reading(QStringLiteral("付表2側方路線影響加算率"));
    EachRow(g, name, QStringLiteral("SELECT 地区区分, 角地, 準角地 FROM 付表2側方路線影響加算率"),
            [&](const db::Statement& st) {
                const int d = District(st, name);
                t.sideCorner[d] = Factor(st, 1, name);
                t.sideSemiCorner[d] = Factor(st, 2, name);
                seen[d] = true;
            });
    if (!seen[0] || !seen[1])
        throw Broken(name, QStringLiteral("地区区分が足りません。"));

    seen = {};
    reading(QStringLiteral("付表3二方路線影響加算率"));
    EachRow(g, name, QStringLiteral("SELECT 地区区分, 加算率 FROM 付表3二方路線影響加算率"),
            [&](const db::Statement& st) {
                const int d = District(st, name);
                t.rear[d] = Factor(st, 1, name);
                seen[d] = true;
            });
    if (!seen[0] || !seen[1])
        throw Broken(name, QStringLiteral("地区区分が足りません。"));

    seen = {};
    reading(QStringLiteral("付表4地積区分"));
    EachRow(g, name, QStringLiteral("SELECT 地区区分, B下限, C下限 FROM 付表4地積区分"),
            [&](const db::Statement& st) {
                const int d = District(st, name);
                t.classB[d] = Hundredths(st, 1, name);
                t.classC[d] = Hundredths(st, 2, name);
                if (t.classB[d] <= 0 || t.classC[d] <= t.classB[d])
                    throw Broken(name, QStringLiteral("下限が昇順になっていません。"));
                seen[d] = true;
            });
    if (!seen[0] || !seen[1])
        throw Broken(name, QStringLiteral("地区区分が足りません。"));

    reading(QStringLiteral("付表5不整形地補正率"));
    EachRow(g, name,
            QStringLiteral("SELECT 地区区分, かげ地割合下限, A, B, C FROM 付表5不整形地補正率 "
                           "ORDER BY 地区区分, かげ地割合下限"),
            [&](const db::Statement& st) {
                const int d = District(st, name);
                const qint64 from = Hundredths(st, 1, name) / 100;
                for (int c = 0; c < 3; ++c)
                    t.irregular[d][c].push_back(Band{from, Factor(st, 2 + c, name)});
            });
    for (const auto& district : t.irregular) {
        for (const auto& bands : district)
            CheckBands(bands, name, true);
    }

    reading(QStringLiteral("付表8がけ地補正率"));
    EachRow(g, name,
            QStringLiteral("SELECT がけ地割合下限, 南, 東, 西, 北 FROM 付表8がけ地補正率 "
                           "ORDER BY がけ地割合下限"),
            [&](const db::Statement& st) {
                official::CliffBand b;
                b.from = Hundredths(st, 0, name) / 100;
                for (int i = 0; i < 4; ++i)
                    b.factor[i] = Factor(st, 1 + i, name);
                t.cliff.push_back(b);
            });
    CheckBands(t.cliff, name, false);

    reading(QStringLiteral("付表9特別警戒区域補正率"));
    EachRow(g, name,
            QStringLiteral("SELECT 区域割合下限, 補正率 FROM 付表9特別警戒区域補正率 "
                           "ORDER BY 区域割合下限"),
            [&](const db::Statement& st) {
                t.danger.push_back(Band{Hundredths(st, 0, name) / 100, Factor(st, 1, name)});
            });
    CheckBands(t.danger, name, false);

    reading(QStringLiteral("規模格差補正率"));
    EachRow(g, name,
            QStringLiteral("SELECT 三大都市圏, 地積下限, B, C FROM 規模格差補正率 "
                           "ORDER BY 三大都市圏, 地積下限"),
            [&](const db::Statement& st) {
                const int metro = st.value(0, FieldType::Integer).toInt64().value_or(0) != 0;
                const qint64 c = Hundredths(st, 3, name);
                t.scale[metro].push_back(
                    official::ScaleBand{Hundredths(st, 1, name), Factor(st, 2, name), c / 100});
            });
    for (const auto& bands : t.scale) {
        CheckBands(bands, name, false);
        if (bands.front().from <= 0)
            throw Broken(name, QStringLiteral("地積下限が0以下です。"));
    }

    reading(kMudoroTable);
    t.noRoad = Kept(g, kMudoroTable);
    reading(kKoatuTable);
    t.highVoltage = Kept(g, kKoatuTable);
    reading(kMinamiTable);
    t.southRoad = Kept(g, kMinamiTable);
    if (table)
        table->clear();
    return t;
}

}  // namespace ie
