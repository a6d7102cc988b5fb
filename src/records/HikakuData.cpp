#include "records/HikakuData.h"

#include "common/Collation.h"
#include "common/SalesRatio.h"
#include "state/PropertyStore.h"

#include <algorithm>
#include <array>
#include <utility>

#include <QStringList>

#include "common/HouseNotes.h"
#include "valuation/HousePrice.h"

namespace ie {

namespace {

const std::array<QString, 13>& SourceNames() {
    static const std::array<QString, 13> names = {QStringLiteral("住所"),
                                                  QStringLiteral("敷地販売価格"),
                                                  QStringLiteral("家屋販売価格"),
                                                  QStringLiteral("合計販売価格"),
                                                  QStringLiteral("敷地評価額"),
                                                  QStringLiteral("家屋評価額"),
                                                  QStringLiteral("合計価格"),
                                                  QStringLiteral("家屋構造CD"),
                                                  QStringLiteral("坪単価"),
                                                  QStringLiteral("延床面積"),
                                                  QStringLiteral("家屋建築年月日"),
                                                  QStringLiteral("評価年月日"),
                                                  QStringLiteral("経過年数の数え方")};
    return names;
}

std::vector<int> SourceColumns() {
    const std::vector<ListColumn>& all = PropertyStore::listColumns();
    std::vector<int> out;
    for (const QString& name : SourceNames()) {
        for (size_t i = 0; i < all.size(); ++i) {
            if (all[i].name == name)
                out.push_back(static_cast<int>(i));
        }
    }
    return out;
}

bool Positive(const std::optional<ListAmount>& a) {
    return a && a->yen > 0;
}

QString Yen(const std::optional<ListAmount>& a) {
    return a ? a->wholeText() + QStringLiteral(" 円") : QStringLiteral("未入力");
}

QString Tip(const QString& heading, const std::optional<ListAmount>& land,
            const std::optional<ListAmount>& house, const std::optional<ListAmount>& total) {
    return heading + QStringLiteral("\n敷地：") + Yen(land) + QStringLiteral("\n家屋：") +
           Yen(house) + QStringLiteral("\n合計：") + Yen(total);
}

}  // namespace

QString NoAskingText() {
    return QStringLiteral("販売価格が未入力です");
}

QString NoEstimateText() {
    return QStringLiteral("評価額が未計算です");
}

HikakuEntry HikakuEntryOf(qint32 id, const std::vector<db::Value>& v) {
    HikakuEntry e;
    e.id = id;
    e.address = v[0].toText();
    e.askingLand = AskingOf(v[1]);
    e.askingHouse = AskingOf(v[2]);
    e.asking = AskingOf(v[3]);
    e.estimateLand = AmountOf(v[4]);
    e.estimateHouse = AmountOf(v[5]);
    e.estimate = AmountOf(v[6]);
    e.ratio = RatioOf(v[3], v[6]);
    e.difference = DifferenceOf(v[3], v[6]);
    QStringList reasons;
    if (!Positive(e.asking))
        reasons << NoAskingText();
    if (!Positive(e.estimate))
        reasons << NoEstimateText();
    e.reason = reasons.join(QStringLiteral("／"));
    // Rows read with the house's columns (older callers give the first seven only).
    if (v.size() >= 13 && Positive(AmountOf(v[5]))) {
        const QDate built = v[10].toDate().value_or(QDate());
        const QDate valued = v[11].toDate().value_or(QDate());
        const AgeCount count =
            v[12].toInt64().value_or(0) == 1 ? AgeCount::NtaHalfYear : AgeCount::CalendarYears;
        e.houseNotes = HouseNotes(true, static_cast<qint32>(v[7].toInt64().value_or(0)),
                                  HouseAge(built, valued, count), v[8].toDouble().value_or(0),
                                  v[9].toDouble().value_or(0), built);
    }
    return e;
}

std::vector<HikakuEntry> ReadHikaku(db::Connection& con,
                                    const std::optional<std::vector<qint32>>& ids) {
    PropertyStore store(con);
    const std::vector<int> columns = SourceColumns();
    std::vector<HikakuEntry> out;
    if (!ids) {
        for (const ListRow& row : store.listValues(columns))
            out.push_back(HikakuEntryOf(row.id, row.values));
        return out;
    }
    for (const ListRow& row : store.listRows(*ids)) {
        std::vector<db::Value> values;
        values.reserve(columns.size());
        for (const int c : columns)
            values.push_back(row.values[static_cast<size_t>(c)]);
        out.push_back(HikakuEntryOf(row.id, values));
    }
    return out;
}

QString HikakuOrderText(HikakuOrder order) {
    switch (order) {
        case HikakuOrder::Ratio:
            return QStringLiteral("販売計算比の低い順");
        case HikakuOrder::Difference:
            return QStringLiteral("差額（販売価格−評価額）の小さい順");
        case HikakuOrder::Address:
            return QStringLiteral("住所順");
    }
    return {};
}

void SortHikaku(std::vector<HikakuEntry>& entries, HikakuOrder order) {
    if (order == HikakuOrder::Address) {
        // Collation keys once per entry, then sorted together with the entries.
        std::vector<std::pair<QByteArray, HikakuEntry>> keyed;
        keyed.reserve(entries.size());
        for (HikakuEntry& e : entries)
            keyed.emplace_back(JapaneseSortKey(e.address), std::move(e));
        std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
            if (a.first != b.first)
                return a.first < b.first;
            return a.second.id < b.second.id;
        });
        for (size_t i = 0; i < keyed.size(); ++i)
            entries[i] = std::move(keyed[i].second);
        return;
    }
    const auto key = [order](const HikakuEntry& e) -> std::optional<long double> {
        if (order == HikakuOrder::Ratio)
            return e.ratio ? std::optional<long double>(*e.ratio) : std::nullopt;
        return e.difference ? std::optional<long double>(e.difference->key()) : std::nullopt;
    };
    std::stable_sort(entries.begin(), entries.end(),
                     [&key](const HikakuEntry& a, const HikakuEntry& b) {
                         const auto ka = key(a);
                         const auto kb = key(b);
                         if (ka.has_value() != kb.has_value())
                             return ka.has_value();
                         if (ka && *ka != *kb)
                             return *ka < *kb;
                         return a.id < b.id;
                     });
}

HikakuContent HikakuContentOf(const std::vector<HikakuEntry>& entries, HikakuOrder order,
                              const QDate& today) {
    HikakuContent c;
    c.orderText = QStringLiteral("並び順：") + HikakuOrderText(order);
    c.today = today;
    for (const HikakuEntry& e : entries) {
        const QString label = e.address.isEmpty() ? QStringLiteral("（住所未入力）") : e.address;
        if (!e.reason.isEmpty() || !e.ratio) {
            c.apart.push_back({label, e.reason.isEmpty() ? NoEstimateText() : e.reason});
            continue;
        }
        c.bars.push_back(
            {label,
             e.asking->yen,
             e.estimate->yen,
             RatioText(*e.ratio),
             Tip(QStringLiteral("販売価格"), e.askingLand, e.askingHouse, e.asking),
             Tip(QStringLiteral("評価額"), e.estimateLand, e.estimateHouse, e.estimate),
             {}});
        if (!e.houseNotes.isEmpty()) {
            HikakuBar& bar = c.bars.back();
            bar.estimateTip +=
                QLatin1Char('\n') + QStringLiteral("※") + e.houseNotes.join(QStringLiteral("\n※"));
            bar.estimateNotes = e.houseNotes;
        }
    }
    return c;
}

}  // namespace ie
