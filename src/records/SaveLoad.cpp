#include "records/SaveLoad.h"

#include "common/AppError.h"
#include "platform/Database.h"
#include "records/BukkenJoho.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <optional>

namespace ie {

namespace {

const QString kPhotoColumn = QStringLiteral("現場写真");

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// The whole file as it is now. An unreadable or empty source is refused, so that a save never
// replaces a stored photo with nothing.
QByteArray ReadPhotoFile(const QString& path) {
    if (path.isEmpty()) {
        throw AppError(errors::kFileNotFound, QStringLiteral("写真ファイルが見つかりません。"));
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        throw AppError(errors::kFileNotFound,
                       QStringLiteral("写真ファイル %1 を読み込めません。").arg(Native(path)));
    }
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        throw AppError(errors::kFileIo,
                       QStringLiteral("写真ファイル %1 を読み込めません。").arg(Native(path)));
    }
    if (bytes.isEmpty()) {
        throw AppError(errors::kFileIo,
                       QStringLiteral("写真ファイル %1 が空です。").arg(Native(path)));
    }
    return bytes;
}

// Replaces the scratch file by exactly these bytes: written beside it and renamed over it, so a
// failure leaves the old content in place. Not synced: the bytes are safe in the database, and
// the scratch file does not outlive the program.
void WritePhotoFile(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        throw AppError(errors::kFileIo, QStringLiteral("写真の一時ファイルがありません。"));
    }
    const QString failed =
        QStringLiteral("写真の一時ファイル %1 に書き込めません。").arg(Native(path));
    QTemporaryFile tmp(path + QStringLiteral(".XXXXXX"));
    if (!tmp.open() || tmp.write(bytes) != bytes.size() || !tmp.flush()) {
        throw AppError(errors::kFileIo, failed);
    }
    const std::filesystem::path from(QFile::encodeName(tmp.fileName()).toStdString());
    tmp.close();
    std::error_code ec;
    std::filesystem::rename(from, std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    if (ec) {
        throw AppError(errors::kFileIo, failed);
    }
    tmp.setAutoRemove(false);
}

void PutText(db::Recordset& rs, const QString& column, const QString& text) {
    // An empty text assigns nothing: a new row keeps Null, an updated row its old text.
    if (!text.isEmpty()) {
        rs.setValue(column, db::Value::text(text));
    }
}

Currency CurrencyOr0(const db::Value& v) {
    return v.toCurrency().value_or(Currency());
}
double DoubleOr(const db::Value& v, double fallback) {
    return v.toDouble().value_or(fallback);
}
qint32 RankOr0(const db::Value& v) {
    return v.toInt32().value_or(0);
}

}  // namespace

void PutBukkenFields(db::Recordset& rs, const BukkenJoho& rec, qint32 bukkenId) {
    // The photo is read first: an unreadable source must fail before any column is touched.
    std::optional<QByteArray> photo;
    if (rec.PicUmu) {
        const bool picked = !rec.PicFile.isEmpty() && QFileInfo::exists(rec.PicFile);
        photo = ReadPhotoFile(picked ? rec.PicFile : rec.PicTempFile);
    }

    using db::Value;
    rs.setValue(QStringLiteral("物件ID"), Value::integer(bukkenId));
    rs.setValue(QStringLiteral("国税路線価"), Value::currency(rec.Rosenka));
    rs.setValue(QStringLiteral("敷地面積"), Value::real(rec.TotiMenseki));

    rs.setValue(QStringLiteral("側1路線ランク"), Value::integer(rec.Sokumen1Rank));
    rs.setValue(QStringLiteral("側2路線ランク"), Value::integer(rec.Sokumen2Rank));
    rs.setValue(QStringLiteral("裏面路線ランク"), Value::integer(rec.UramenRank));
    rs.setValue(QStringLiteral("無道路地ランク"), Value::integer(rec.MudoroRank));
    rs.setValue(QStringLiteral("南道路ランク"), Value::integer(rec.MinamiRank));
    rs.setValue(QStringLiteral("その他ランク"), Value::integer(rec.SonotaRank));
    rs.setValue(QStringLiteral("間口狭小ランク"), Value::integer(rec.MaguchiRank));
    rs.setValue(QStringLiteral("奥行長大ランク"), Value::integer(rec.OkuyukiRank));
    rs.setValue(QStringLiteral("不整形ランク"), Value::integer(rec.FuseikeiRank));
    rs.setValue(QStringLiteral("崖地ランク"), Value::integer(rec.GakeRank));
    rs.setValue(QStringLiteral("高圧線下ランク"), Value::integer(rec.KoatuRank));

    rs.setValue(QStringLiteral("年間地価変動率"), Value::real(rec.ChikaHendoRitu));
    rs.setValue(QStringLiteral("画地補正率"), Value::real(rec.KakutiHoseiRitu));
    rs.setValue(QStringLiteral("敷地評価額"), Value::currency(rec.TotiKakaku));
    rs.setValue(QStringLiteral("坪単価"), Value::real(rec.KaokuTuboTanka));
    rs.setValue(QStringLiteral("延床面積"), Value::real(rec.KaokuTateTubo));
    rs.setValue(QStringLiteral("家屋建築年月日"), Value::date(rec.KaokuDate));
    rs.setValue(QStringLiteral("家屋評価額"), Value::currency(rec.KaokuKakaku));
    rs.setValue(QStringLiteral("評価年月日"), Value::date(rec.HyokaDate));

    PutText(rs, QStringLiteral("住所"), rec.Jusho);
    PutText(rs, QStringLiteral("販売会社名"), rec.Kaisha);
    PutText(rs, QStringLiteral("担当者名"), rec.Tanto);
    PutText(rs, QStringLiteral("電話番号"), rec.Denwa);

    rs.setValue(QStringLiteral("敷地販売価格"), Value::currency(rec.TotiHanbaiKakaku));
    rs.setValue(QStringLiteral("家屋販売価格"), Value::currency(rec.KaokuHanbaiKakaku));
    rs.setValue(QStringLiteral("合計販売価格"), Value::currency(rec.GokeiHanbaiKakaku));

    PutText(rs, QStringLiteral("備考"), rec.Biko);

    rs.setBlob(kPhotoColumn, photo);
}

void GetBukkenFields(db::Recordset& rs, BukkenJoho& rec, const QDate& today) {
    // Filled in a copy and handed over only when the scratch file has been written, so that a
    // failed load leaves the current property whole.
    BukkenJoho r = rec;
    const auto v = [&rs](const char16_t* column) { return rs.value(QString::fromUtf16(column)); };

    const std::optional<qint32> id = v(u"物件ID").toInt32();
    if (!id) {
        throw AppError(errors::kTypeMismatch,
                       QStringLiteral("物件IDを読み取れません。") + TypeMismatchDescription());
    }
    r.BukkenID = *id;
    r.TotiKakaku = CurrencyOr0(v(u"敷地評価額"));
    r.KaokuKakaku = CurrencyOr0(v(u"家屋評価額"));
    r.Rosenka = CurrencyOr0(v(u"国税路線価"));
    r.TotiMenseki = DoubleOr(v(u"敷地面積"), 0);
    r.KaokuTuboTanka = DoubleOr(v(u"坪単価"), 0);
    r.KaokuTateTubo = DoubleOr(v(u"延床面積"), 0);

    r.Sokumen1Rank = RankOr0(v(u"側1路線ランク"));
    r.Sokumen2Rank = RankOr0(v(u"側2路線ランク"));
    r.UramenRank = RankOr0(v(u"裏面路線ランク"));
    r.MudoroRank = RankOr0(v(u"無道路地ランク"));
    r.MinamiRank = RankOr0(v(u"南道路ランク"));
    r.MaguchiRank = RankOr0(v(u"間口狭小ランク"));
    r.OkuyukiRank = RankOr0(v(u"奥行長大ランク"));
    r.FuseikeiRank = RankOr0(v(u"不整形ランク"));
    r.GakeRank = RankOr0(v(u"崖地ランク"));
    r.KoatuRank = RankOr0(v(u"高圧線下ランク"));

    r.KakutiHoseiRitu = DoubleOr(v(u"画地補正率"), 1.0);
    r.SonotaRank = RankOr0(v(u"その他ランク"));
    const std::optional<QDate> built = v(u"家屋建築年月日").toDate();
    r.KaokuDate = built && built->isValid() ? *built : today;
    r.ChikaHendoRitu = DoubleOr(v(u"年間地価変動率"), 0);

    r.Jusho = v(u"住所").toText();
    r.Kaisha = v(u"販売会社名").toText();
    r.Tanto = v(u"担当者名").toText();
    r.Denwa = v(u"電話番号").toText();

    r.TotiHanbaiKakaku = CurrencyOr0(v(u"敷地販売価格"));
    r.KaokuHanbaiKakaku = CurrencyOr0(v(u"家屋販売価格"));
    r.GokeiHanbaiKakaku = CurrencyOr0(v(u"合計販売価格"));

    r.Biko = v(u"備考").toText();

    // A zero-length photo is no picture at all: it is treated like Null, so that the property can
    // be saved again without an empty photo stopping it.
    if (rs.isBlobNull(kPhotoColumn) || rs.blobSize(kPhotoColumn) == 0) {
        r.PicUmu = false;
    } else {
        WritePhotoFile(r.PicTempFile, rs.readBlob(kPhotoColumn));
        r.PicUmu = true;
    }
    r.PicFile.clear();

    rec = std::move(r);
}

}  // namespace ie
