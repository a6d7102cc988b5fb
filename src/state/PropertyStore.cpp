#include "state/PropertyStore.h"

#include "common/AppError.h"

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <limits>

namespace ie {

using db::FieldType;
using db::Value;

namespace {

// The stored columns a save writes, in the order of the statements below (the photo last).
const char16_t* const kSavedColumns[] = {
    u"国税路線価",     u"敷地面積",     u"側1路線ランク",  u"側2路線ランク",  u"裏面路線ランク",
    u"無道路地ランク", u"南道路ランク", u"その他ランク",   u"間口狭小ランク", u"奥行長大ランク",
    u"不整形ランク",   u"崖地ランク",   u"高圧線下ランク", u"年間地価変動率", u"画地補正率",
    u"敷地評価額",     u"坪単価",       u"延床面積",       u"家屋建築年月日", u"家屋評価額",
    u"評価年月日",     u"住所",         u"販売会社名",     u"担当者名",       u"電話番号",
    u"敷地販売価格",   u"家屋販売価格", u"合計販売価格",   u"備考",           u"家屋構造CD",
    u"路線価年度",     u"現場写真"};
constexpr int kSavedCount = static_cast<int>(std::size(kSavedColumns));

// Binds the record's stored values from parameter first on, in kSavedColumns order. An empty memo
// text binds Null, in a new row as in an update: a text the user emptied stays empty. A NUL
// character never goes into a text.
void BindRecord(db::Statement& st, int first, const BukkenJoho& rec,
                const std::optional<QByteArray>& photo) {
    const auto text = [](QString s) {
        s.remove(QChar(0));
        return s.isEmpty() ? Value() : Value::text(s);
    };
    const Value values[] = {Value::currency(rec.Rosenka),
                            Value::real(rec.TotiMenseki),
                            Value::integer(rec.Sokumen1Rank),
                            Value::integer(rec.Sokumen2Rank),
                            Value::integer(rec.UramenRank),
                            Value::integer(rec.MudoroRank),
                            Value::integer(rec.MinamiRank),
                            Value::integer(rec.SonotaRank),
                            Value::integer(rec.MaguchiRank),
                            Value::integer(rec.OkuyukiRank),
                            Value::integer(rec.FuseikeiRank),
                            Value::integer(rec.GakeRank),
                            Value::integer(rec.KoatuRank),
                            Value::real(rec.ChikaHendoRitu),
                            Value::real(rec.KakutiHoseiRitu),
                            Value::currency(rec.TotiKakaku),
                            Value::real(rec.KaokuTuboTanka),
                            Value::real(rec.KaokuTateTubo),
                            Value::date(rec.KaokuDate),
                            Value::currency(rec.KaokuKakaku),
                            Value::date(rec.HyokaDate),
                            text(rec.Jusho),
                            text(rec.Kaisha),
                            text(rec.Tanto),
                            text(rec.Denwa),
                            Value::currency(rec.TotiHanbaiKakaku),
                            Value::currency(rec.KaokuHanbaiKakaku),
                            Value::currency(rec.GokeiHanbaiKakaku),
                            text(rec.Biko),
                            rec.KaokuKozoCD > 0 ? Value::integer(rec.KaokuKozoCD) : Value(),
                            Value::date(rec.RosenkaNendo)};
    static_assert(std::size(values) == kSavedCount - 1);
    int i = first;
    for (const Value& v : values) {
        st.bind(i++, v);
    }
    st.bindBlob(i, photo);
}

// A new row has been saved once.
QString InsertSql() {
    QString columns = QStringLiteral("物件ID,更新回数");
    QString params = QStringLiteral("?,1");
    for (const char16_t* c : kSavedColumns) {
        columns += QLatin1Char(',') + QString::fromUtf16(c);
        params += QStringLiteral(",?");
    }
    return QStringLiteral("INSERT INTO 物件情報 (") + columns + QStringLiteral(") VALUES (") +
           params + QLatin1Char(')');
}

QString UpdateSql() {
    QString sets;
    for (int i = 0; i < kSavedCount; ++i) {
        const QString c = QString::fromUtf16(kSavedColumns[i]);
        if (!sets.isEmpty()) {
            sets += QLatin1Char(',');
        }
        // Numbered parameters: ?2 onwards are the values, ?1 the row's ID.
        const QString param = QLatin1Char('?') + QString::number(i + 2);
        sets += c + QLatin1Char('=') + param;
    }
    // The last parameter is the count the row was loaded with; the row is written only while it
    // still has that count, and its count goes one up.
    const QString count = QLatin1Char('?') + QString::number(kSavedCount + 2);
    return QStringLiteral("UPDATE 物件情報 SET ") + sets + QStringLiteral(",更新回数=") + count +
           QStringLiteral("+1 WHERE 物件ID=?1 AND ifnull(更新回数,0)=") + count;
}

// The columns a load reads, in this order.
enum LoadColumn {
    kId,
    kTotiKakaku,
    kKaokuKakaku,
    kRosenka,
    kTotiMenseki,
    kTuboTanka,
    kTateTubo,
    kSoku1,
    kSoku2,
    kUramen,
    kMudoro,
    kMinami,
    kMaguchi,
    kOkuyuki,
    kFuseikei,
    kGake,
    kKoatu,
    kKakuti,
    kSonota,
    kKaokuDate,
    kChikaHendo,
    kJusho,
    kKaisha,
    kTanto,
    kDenwa,
    kTotiHanbai,
    kKaokuHanbai,
    kGokeiHanbai,
    kBiko,
    kKozo,
    kNendo,
    kHyoka,
    kKoshin,
    kPhoto
};

const QString kLoadSql = QStringLiteral(
    "SELECT 物件ID,敷地評価額,家屋評価額,国税路線価,敷地面積,坪単価,延床面積,側1路線ランク,"
    "側2路線ランク,裏面路線ランク,無道路地ランク,南道路ランク,間口狭小ランク,奥行長大ランク,"
    "不整形ランク,崖地ランク,高圧線下ランク,画地補正率,その他ランク,家屋建築年月日,"
    "年間地価変動率,住所,販売会社名,担当者名,電話番号,敷地販売価格,家屋販売価格,合計販売価格,"
    "備考,家屋構造CD,路線価年度,評価年月日,更新回数,現場写真 FROM 物件情報 WHERE 物件ID=?");

}  // namespace

qint32 PropertyStore::count() {
    db::Statement st(con_, QStringLiteral("SELECT count(*) FROM 物件情報"));
    st.step();
    return static_cast<qint32>(*st.value(0, FieldType::Integer).toInt64());
}

std::vector<qint32> PropertyStore::ids() {
    db::Statement st(con_, QStringLiteral("SELECT 物件ID FROM 物件情報 ORDER BY 物件ID"));
    std::vector<qint32> out;
    while (st.step()) {
        const std::optional<qint32> id = st.value(0, FieldType::Integer).toInt32();
        if (id) {
            out.push_back(*id);
        }
    }
    return out;
}

qint32 PropertyStore::insert(const BukkenJoho& rec, const std::optional<QByteArray>& photo) {
    // Above every ID ever given, not only those still held: a deleted property's ID may still be
    // loaded in another copy of the program, whose update must then find no row.
    qint64 last = 0;
    {
        db::Statement st(con_,
                         QStringLiteral("SELECT max(ifnull((SELECT max(最終物件ID) FROM "
                                        "物件ID採番), 0), ifnull(max(物件ID), 0)) FROM 物件情報"));
        st.step();
        last = st.value(0, FieldType::Integer).toInt64().value_or(0);
    }
    if (last < 0 || last > std::numeric_limits<qint32>::max()) {
        throw AppError(errors::kOverflow,
                       QStringLiteral("最後の物件IDを整数として読み取れません。"));
    }
    if (last == std::numeric_limits<qint32>::max()) {
        throw AppError(
            errors::kOverflow,
            OverflowDescription() + QStringLiteral("物件IDが上限の2147483647を超えるため、"
                                                   "あたらしい物件を追加できません。"));
    }
    const auto id = static_cast<qint32>(last + 1);
    {
        db::Statement st(con_, InsertSql());
        st.bind(1, Value::integer(id));
        BindRecord(st, 2, rec, photo);
        st.run();
    }
    db::Statement given(con_, QStringLiteral("UPDATE 物件ID採番 SET 最終物件ID = ?"));
    given.bind(1, Value::integer(id));
    given.run();
    return id;
}

UpdateOutcome PropertyStore::update(qint32 id, const BukkenJoho& rec,
                                    const std::optional<QByteArray>& photo) {
    {
        db::Statement st(con_, UpdateSql());
        st.bind(1, Value::integer(id));
        BindRecord(st, 2, rec, photo);
        st.bind(kSavedCount + 2, Value::integer(rec.KoshinKaisu));
        st.run();
        if (sqlite3_changes(con_.handle()) > 0) {
            return UpdateOutcome::Saved;
        }
    }
    return changeCount(id) ? UpdateOutcome::RowChanged : UpdateOutcome::RowGone;
}

std::optional<qint64> PropertyStore::changeCount(qint32 id) {
    db::Statement st(con_,
                     QStringLiteral("SELECT ifnull(更新回数,0) FROM 物件情報 WHERE 物件ID=?"));
    st.bind(1, Value::integer(id));
    if (!st.step()) {
        return std::nullopt;
    }
    return st.value(0, FieldType::Integer).toInt64().value_or(0);
}

std::optional<StoredProperty> PropertyStore::load(qint32 id, const BukkenJoho& base,
                                                  const QDate& today) {
    db::Statement st(con_, kLoadSql);
    st.bind(1, Value::integer(id));
    if (!st.step()) {
        return std::nullopt;
    }
    StoredProperty out{base, std::nullopt};
    BukkenJoho& r = out.record;
    const auto currency = [&](int c) {
        return st.value(c, FieldType::Currency).toCurrency().value_or(Currency());
    };
    const auto real = [&](int c, double fallback) {
        return st.value(c, FieldType::Double).toDouble().value_or(fallback);
    };
    const auto rank = [&](int c) { return st.value(c, FieldType::Integer).toInt32().value_or(0); };
    const auto text = [&](int c) { return st.value(c, FieldType::Text).toText(); };

    r.BukkenID = id;
    r.TotiKakaku = currency(kTotiKakaku);
    r.KaokuKakaku = currency(kKaokuKakaku);
    r.Rosenka = currency(kRosenka);
    r.TotiMenseki = real(kTotiMenseki, 0);
    r.KaokuTuboTanka = real(kTuboTanka, 0);
    r.KaokuTateTubo = real(kTateTubo, 0);
    r.Sokumen1Rank = rank(kSoku1);
    r.Sokumen2Rank = rank(kSoku2);
    r.UramenRank = rank(kUramen);
    r.MudoroRank = rank(kMudoro);
    r.MinamiRank = rank(kMinami);
    r.MaguchiRank = rank(kMaguchi);
    r.OkuyukiRank = rank(kOkuyuki);
    r.FuseikeiRank = rank(kFuseikei);
    r.GakeRank = rank(kGake);
    r.KoatuRank = rank(kKoatu);
    r.KakutiHoseiRitu = real(kKakuti, 1.0);
    r.SonotaRank = rank(kSonota);
    const std::optional<QDate> built = st.value(kKaokuDate, FieldType::Date).toDate();
    r.KaokuDate = built && built->isValid() ? *built : today;
    r.ChikaHendoRitu = real(kChikaHendo, 0);
    r.Jusho = text(kJusho);
    r.Kaisha = text(kKaisha);
    r.Tanto = text(kTanto);
    r.Denwa = text(kDenwa);
    r.TotiHanbaiKakaku = currency(kTotiHanbai);
    r.KaokuHanbaiKakaku = currency(kKaokuHanbai);
    r.GokeiHanbaiKakaku = currency(kGokeiHanbai);
    r.Biko = text(kBiko);
    r.KaokuKozoCD = std::max(rank(kKozo), 0);
    // The dates the figures were worked out with; a row saved before they were kept leaves the
    // worksheet's own.
    const auto date = [&](int c, const QDate& fallback) {
        const std::optional<QDate> d = st.value(c, FieldType::Date).toDate();
        return d && d->isValid() ? *d : fallback;
    };
    r.RosenkaNendo = date(kNendo, r.RosenkaNendo);
    r.KoshinKaisu = st.value(kKoshin, FieldType::Integer).toInt64().value_or(0);
    r.HyokaDate = date(kHyoka, r.HyokaDate);
    // A zero-length photo is no picture at all, so that the property can be saved again without
    // an empty photo stopping it.
    if (st.blobSize(kPhoto) > 0) {
        out.photo = st.blob(kPhoto);
    }
    r.PicUmu = out.photo.has_value();
    r.PicFile.clear();
    return out;
}

void PropertyStore::remove(const std::vector<qint32>& ids) {
    db::Statement st(con_, QStringLiteral("DELETE FROM 物件情報 WHERE 物件ID=?"));
    for (const qint32 id : ids) {
        st.bind(1, Value::integer(id));
        st.run();
        st.reset();
    }
}

const std::vector<ListColumn>& PropertyStore::listColumns() {
    using T = FieldType;
    static const std::vector<ListColumn> columns = {{QStringLiteral("物件ID"), T::Integer},
                                                    {QStringLiteral("住所"), T::Text},
                                                    {QStringLiteral("敷地面積"), T::Double},
                                                    {QStringLiteral("敷地評価額"), T::Currency},
                                                    {QStringLiteral("家屋評価額"), T::Currency},
                                                    {QStringLiteral("敷地販売価格"), T::Currency},
                                                    {QStringLiteral("家屋販売価格"), T::Currency},
                                                    {QStringLiteral("合計販売価格"), T::Currency},
                                                    {QStringLiteral("合計価格"), T::Currency},
                                                    {QStringLiteral("国税路線価"), T::Currency},
                                                    {QStringLiteral("側1路線ランク"), T::Integer},
                                                    {QStringLiteral("側2路線ランク"), T::Integer},
                                                    {QStringLiteral("裏面路線ランク"), T::Integer},
                                                    {QStringLiteral("南道路ランク"), T::Integer},
                                                    {QStringLiteral("無道路地ランク"), T::Integer},
                                                    {QStringLiteral("間口狭小ランク"), T::Integer},
                                                    {QStringLiteral("奥行長大ランク"), T::Integer},
                                                    {QStringLiteral("不整形ランク"), T::Integer},
                                                    {QStringLiteral("崖地ランク"), T::Integer},
                                                    {QStringLiteral("高圧線下ランク"), T::Integer},
                                                    {QStringLiteral("販売会社名"), T::Text},
                                                    {QStringLiteral("担当者名"), T::Text},
                                                    {QStringLiteral("電話番号"), T::Text},
                                                    {QStringLiteral("備考"), T::Text},
                                                    {QStringLiteral("坪単価"), T::Double},
                                                    {QStringLiteral("現場写真"), T::Blob},
                                                    {QStringLiteral("延床面積"), T::Double},
                                                    {QStringLiteral("年間地価変動率"), T::Double},
                                                    {QStringLiteral("画地補正率"), T::Double},
                                                    {QStringLiteral("その他ランク"), T::Integer},
                                                    {QStringLiteral("家屋建築年月日"), T::Date},
                                                    {QStringLiteral("評価年月日"), T::Date}};
    return columns;
}

namespace {

// The expression a list column is read with. The total is a sum of two currency columns: Null when
// a side is Null.
QString ListExpression(const ListColumn& c) {
    if (c.name == QStringLiteral("合計価格"))
        return QStringLiteral("敷地評価額 + 家屋評価額");
    if (c.type == FieldType::Blob)
        return QStringLiteral("NULL");  // the photo is never read for the list
    return c.name;
}

// A list column's value: a sum that leaves 64 bits comes back from SQLite as a float of
// ten-thousandths and is given in yen.
Value ListValue(const db::Statement& st, int col, const ListColumn& c) {
    Value v = st.value(col, c.type);
    if (v.kind() == Value::Kind::Double && c.type == FieldType::Currency)
        v = Value::real(*v.toDouble() / static_cast<double>(Currency::kScale));
    return v;
}

QString AllListExpressions() {
    QString columns;
    for (const ListColumn& c : PropertyStore::listColumns()) {
        if (!columns.isEmpty())
            columns += QLatin1Char(',');
        columns += ListExpression(c);
    }
    return columns;
}

std::vector<ListRow> ReadListRows(db::Statement& st) {
    const std::vector<ListColumn>& columns = PropertyStore::listColumns();
    std::vector<ListRow> rows;
    while (st.step()) {
        ListRow row;
        row.id = st.value(0, FieldType::Integer).toInt32().value_or(0);
        row.values.reserve(columns.size());
        for (size_t c = 0; c < columns.size(); ++c)
            row.values.push_back(ListValue(st, static_cast<int>(c), columns[c]));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

std::vector<ListRow> PropertyStore::listRows(qint32 first, qint32 last) {
    static const QString sql =
        QStringLiteral("SELECT ") + AllListExpressions() +
        QStringLiteral(" FROM 物件情報 WHERE 物件ID BETWEEN ? AND ? ORDER BY 物件ID");
    db::Statement st(con_, sql);
    st.bind(1, Value::integer(first)).bind(2, Value::integer(last));
    return ReadListRows(st);
}

std::vector<ListRow> PropertyStore::listRows(const std::vector<qint32>& ids) {
    // In chunks, each well below SQLite's limit on bound parameters.
    constexpr size_t kChunk = 500;
    std::vector<ListRow> rows;
    for (size_t first = 0; first < ids.size(); first += kChunk) {
        const size_t n = std::min(kChunk, ids.size() - first);
        QString params = QStringLiteral("?");
        for (size_t i = 1; i < n; ++i)
            params += QStringLiteral(",?");
        db::Statement st(con_, QStringLiteral("SELECT ") + AllListExpressions() +
                                   QStringLiteral(" FROM 物件情報 WHERE 物件ID IN (") + params +
                                   QStringLiteral(") ORDER BY 物件ID"));
        for (size_t i = 0; i < n; ++i)
            st.bind(static_cast<int>(i + 1), Value::integer(ids[first + i]));
        std::vector<ListRow> part = ReadListRows(st);
        rows.insert(rows.end(), std::make_move_iterator(part.begin()),
                    std::make_move_iterator(part.end()));
    }
    std::sort(rows.begin(), rows.end(),
              [](const ListRow& a, const ListRow& b) { return a.id < b.id; });
    return rows;
}

std::vector<ListRow> PropertyStore::listValues(const std::vector<int>& columns) {
    const std::vector<ListColumn>& all = listColumns();
    QString sql = QStringLiteral("SELECT 物件ID");
    for (const int c : columns)
        sql += QLatin1Char(',') + ListExpression(all.at(static_cast<size_t>(c)));
    sql += QStringLiteral(" FROM 物件情報 ORDER BY 物件ID");
    db::Statement st(con_, sql);
    std::vector<ListRow> rows;
    while (st.step()) {
        ListRow row;
        row.id = st.value(0, FieldType::Integer).toInt32().value_or(0);
        row.values.reserve(columns.size());
        for (size_t k = 0; k < columns.size(); ++k)
            row.values.push_back(
                ListValue(st, static_cast<int>(k + 1), all[static_cast<size_t>(columns[k])]));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace ie
