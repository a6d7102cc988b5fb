#include "state/PropertyColumns.h"

namespace ie {

db::FieldType PropertyColumn::type() const {
    return db::TypeFromDeclared(QString::fromLatin1(declared));
}

const std::vector<PropertyColumn>& PropertyColumns() {
    using B = BukkenJoho;
    using R = ColumnRole;
    using L = InList;
    using M = WhenMissing;
    // clang-format off
    static const std::vector<PropertyColumn> columns = {
        {.name = u"物件ID", .declared = "INTEGER PRIMARY KEY", .role = R::Key,
         .field = &B::BukkenID, .list = L::Hidden},
        {.name = u"住所", .declared = "TEXT", .field = &B::Jusho, .list = L::Shown, .width = 2700,
         .csv = true},
        {.name = u"敷地面積", .declared = "DOUBLE", .field = &B::TotiMenseki, .list = L::Shown,
         .width = 900, .csv = true},
        {.name = u"敷地評価額", .declared = "CURRENCY", .field = &B::TotiKakaku, .list = L::Shown,
         .width = 1200, .csv = true},
        {.name = u"家屋評価額", .declared = "CURRENCY", .field = &B::KaokuKakaku,
         .list = L::Shown, .width = 1200, .csv = true},
        // An asking price left empty is stored as Null; a 0 stored before that reads the same.
        {.name = u"敷地販売価格", .declared = "CURRENCY", .field = &B::TotiHanbaiKakaku,
         .list = L::Shown, .width = 1200, .csv = true, .zeroIsNull = true},
        {.name = u"家屋販売価格", .declared = "CURRENCY", .field = &B::KaokuHanbaiKakaku,
         .list = L::Shown, .width = 1200, .csv = true, .zeroIsNull = true},
        {.name = u"合計販売価格", .declared = "CURRENCY", .field = &B::GokeiHanbaiKakaku,
         .list = L::Shown, .width = 1200, .csv = true, .zeroIsNull = true},
        // Null when either side is Null.
        {.name = u"合計価格", .declared = "CURRENCY", .role = R::Computed, .list = L::Shown,
         .width = 1200, .csv = true, .expression = "敷地評価額 + 家屋評価額"},
        {.name = u"国税路線価", .declared = "CURRENCY", .field = &B::Rosenka, .list = L::Shown,
         .width = 1200, .csv = true},
        {.name = u"側1路線ランク", .declared = "INTEGER", .field = &B::Sokumen1Rank,
         .list = L::Hidden},
        {.name = u"側2路線ランク", .declared = "INTEGER", .field = &B::Sokumen2Rank,
         .list = L::Hidden},
        {.name = u"裏面路線ランク", .declared = "INTEGER", .field = &B::UramenRank,
         .list = L::Hidden},
        {.name = u"南道路ランク", .declared = "INTEGER", .field = &B::MinamiRank,
         .list = L::Hidden},
        {.name = u"無道路地ランク", .declared = "INTEGER", .field = &B::MudoroRank,
         .list = L::Hidden},
        {.name = u"間口狭小ランク", .declared = "INTEGER", .field = &B::MaguchiRank,
         .list = L::Hidden},
        {.name = u"奥行長大ランク", .declared = "INTEGER", .field = &B::OkuyukiRank,
         .list = L::Hidden},
        {.name = u"不整形ランク", .declared = "INTEGER", .field = &B::FuseikeiRank,
         .list = L::Hidden},
        {.name = u"崖地ランク", .declared = "INTEGER", .field = &B::GakeRank, .list = L::Hidden},
        {.name = u"高圧線下ランク", .declared = "INTEGER", .field = &B::KoatuRank,
         .list = L::Hidden},
        {.name = u"販売会社名", .declared = "TEXT", .field = &B::Kaisha, .list = L::Shown,
         .csv = true},
        {.name = u"担当者名", .declared = "TEXT", .field = &B::Tanto, .list = L::Shown,
         .csv = true},
        {.name = u"電話番号", .declared = "TEXT", .field = &B::Denwa, .list = L::Shown,
         .csv = true},
        {.name = u"備考", .declared = "TEXT", .field = &B::Biko, .list = L::Shown, .csv = true},
        {.name = u"坪単価", .declared = "DOUBLE", .field = &B::KaokuTuboTanka, .list = L::Hidden,
         .csv = true},
        {.name = u"現場写真", .declared = "BLOB", .role = R::Photo, .list = L::Hidden},
        {.name = u"延床面積", .declared = "DOUBLE", .field = &B::KaokuTateTubo, .list = L::Hidden,
         .csv = true},
        {.name = u"年間地価変動率", .declared = "DOUBLE", .field = &B::ChikaHendoRitu,
         .list = L::Hidden, .csv = true},
        {.name = u"画地補正率", .declared = "DOUBLE", .field = &B::KakutiHoseiRitu,
         .list = L::Hidden, .missing = M::One},
        {.name = u"その他ランク", .declared = "INTEGER", .field = &B::SonotaRank,
         .list = L::Hidden, .csv = true},
        {.name = u"家屋建築年月日", .declared = "DATE", .field = &B::KaokuDate, .list = L::Shown,
         .csv = true, .missing = M::Today},
        {.name = u"評価年月日", .declared = "DATE", .field = &B::HyokaDate, .list = L::Hidden,
         .missing = M::Keep},
        // Added by the upgrade steps; not in the list.
        {.name = u"家屋構造CD", .declared = "INTEGER", .field = &B::KaokuKozoCD,
         .list = L::Hidden, .zeroIsNull = true},
        {.name = u"路線価年度", .declared = "DATE", .field = &B::RosenkaNendo,
         .missing = M::Keep},
        {.name = u"更新回数", .declared = "INTEGER", .role = R::ChangeCount,
         .field = &B::KoshinKaisu},
        // ---- the lot factor's way and the official way's inputs (upgrade step 7); not in the
        // list or the CSV.
        {.name = u"画地補正方式", .declared = "INTEGER", .field = &B::LotMethod},
        {.name = u"地区区分", .declared = "INTEGER", .field = &B::District},
        {.name = u"間口距離", .declared = "DOUBLE", .field = &B::Frontage},
        {.name = u"奥行距離", .declared = "DOUBLE", .field = &B::Depth},
        {.name = u"側方1路線価", .declared = "CURRENCY", .field = &B::Side1Price},
        {.name = u"側方1奥行", .declared = "DOUBLE", .field = &B::Side1Depth},
        {.name = u"側方1種別", .declared = "INTEGER", .field = &B::Side1Kind},
        {.name = u"側方1接道長", .declared = "DOUBLE", .field = &B::Side1Contact},
        {.name = u"側方2路線価", .declared = "CURRENCY", .field = &B::Side2Price},
        {.name = u"側方2奥行", .declared = "DOUBLE", .field = &B::Side2Depth},
        {.name = u"側方2種別", .declared = "INTEGER", .field = &B::Side2Kind},
        {.name = u"側方2接道長", .declared = "DOUBLE", .field = &B::Side2Contact},
        {.name = u"裏面路線価", .declared = "CURRENCY", .field = &B::RearPrice},
        {.name = u"裏面奥行", .declared = "DOUBLE", .field = &B::RearDepth},
        {.name = u"裏面接道長", .declared = "DOUBLE", .field = &B::RearContact},
        {.name = u"想定整形地地積", .declared = "DOUBLE", .field = &B::AssumedArea},
        {.name = u"三大都市圏", .declared = "INTEGER", .field = &B::Metro},
        {.name = u"規模格差対象外", .declared = "INTEGER", .field = &B::ScaleExcluded},
        {.name = u"がけ地割合", .declared = "DOUBLE", .field = &B::CliffShare},
        {.name = u"がけ地方位", .declared = "INTEGER", .field = &B::CliffFacing},
        {.name = u"特別警戒区域割合", .declared = "DOUBLE", .field = &B::DangerShare},
        {.name = u"セットバック面積", .declared = "DOUBLE", .field = &B::SetbackArea},
        {.name = u"倍率地域", .declared = "INTEGER", .field = &B::MultiplierArea},
        {.name = u"固定資産税評価額", .declared = "CURRENCY", .field = &B::AssessedValue},
        {.name = u"評価倍率", .declared = "DOUBLE", .field = &B::MultiplierRate},
        // ---- end of step 7's columns
        // ---- 所在地 (the comparison with imported trades), added by step 8 ----
        {.name = u"都道府県", .declared = "TEXT", .field = &B::ShozaiKen, .list = L::Shown,
         .width = 900},
        {.name = u"市区町村コード", .declared = "INTEGER", .field = &B::ShozaiCityCode,
         .list = L::Hidden, .zeroIsNull = true},
        {.name = u"市区町村", .declared = "TEXT", .field = &B::ShozaiCity, .list = L::Shown,
         .width = 1200},
        {.name = u"地区名", .declared = "TEXT", .field = &B::ShozaiChiku, .list = L::Shown,
         .width = 1200},
        {.name = u"最寄駅", .declared = "TEXT", .field = &B::ShozaiEki, .list = L::Shown,
         .width = 1200},
        {.name = u"徒歩分", .declared = "INTEGER", .field = &B::ShozaiToho, .list = L::Shown,
         .width = 700, .zeroIsNull = true},
        // ---- end of 所在地 ----
        // ---- the house's cost source and age count ----
        {.name = u"坪単価出典", .declared = "TEXT", .field = &B::KaokuTankaShutten},
        {.name = u"経過年数の数え方", .declared = "INTEGER", .field = &B::KeikaNensuKazoekata,
         .list = L::Hidden, .zeroIsNull = true},
        // ---- end of the house's cost source and age count ----
    };
    // clang-format on
    return columns;
}

QString PropertyTableDdl() {
    QString columns;
    for (const PropertyColumn& c : PropertyColumns()) {
        if (!c.stored())
            continue;
        if (!columns.isEmpty())
            columns += QStringLiteral(", ");
        columns += c.columnName() + QLatin1Char(' ') + QString::fromLatin1(c.declared);
    }
    return QStringLiteral("CREATE TABLE 物件情報 (") + columns + QLatin1Char(')');
}

}  // namespace ie
