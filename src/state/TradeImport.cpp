#include "state/TradeImport.h"

#include "common/Formats.h"
#include "platform/Database.h"
#include "platform/RegularFile.h"
#include "platform/WriteFailure.h"
#include "platform/ZipArchive.h"
#include "state/TradeStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace ie {

namespace {

using trades::Trade;

constexpr qint64 kBlock = qint64(1) << 32;

// One CSV to read: a file, or an entry of a ZIP file.
struct Source {
    QString path;
    QString label;  // what messages call it
    qint64 entry = -1;
    qint64 size = 0;
};

// A source opened for reading; keeps alive whatever its device reads from.
struct OpenSource {
    std::unique_ptr<RegularFile> regular;
    std::unique_ptr<QFile> file;
    std::unique_ptr<ZipArchive> zip;
    std::unique_ptr<QIODevice> entry;
    QIODevice* device = nullptr;
};

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool IsCsvName(const QString& name) {
    return name.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

// Opens a source; false with the reason in *error.
bool Open(const Source& s, OpenSource& out, QString* error) {
    if (s.entry >= 0) {
        out.zip = std::make_unique<ZipArchive>();
        if (!out.zip->open(s.path, error))
            return false;
        out.entry = out.zip->openEntry(s.entry, error);
        out.device = out.entry.get();
        return out.device != nullptr;
    }
    out.regular = std::make_unique<RegularFile>(s.path);
    if (out.regular->notRegular()) {
        *error = NotRegularFileText(s.path);
        return false;
    }
    if (!out.regular->isOpen()) {
        *error = QString::fromLocal8Bit(std::strerror(out.regular->error()));
        return false;
    }
    out.file = std::make_unique<QFile>();
    if (!out.file->open(out.regular->handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        *error = out.file->errorString();
        return false;
    }
    out.device = out.file.get();
    return true;
}

QString Refusal(const QString& label, const QString& why) {
    return label + QStringLiteral(" は取り込めません。\r") + why;
}

// The CSVs the paths hold, each checked to start with these data's header; the reason a path
// cannot be imported in *refusal otherwise.
std::vector<Source> ListSources(const QStringList& paths, QString* refusal) {
    std::vector<Source> out;
    for (const QString& path : paths) {
        const QString label = QFileInfo(path).fileName();
        if (LooksLikeZip(path)) {
            ZipArchive zip;
            QString why;
            if (!zip.open(path, &why)) {
                *refusal = Refusal(label, QStringLiteral("ZIPファイルを読めません（") + why +
                                              QStringLiteral("）。"));
                return {};
            }
            int found = 0;
            for (const ZipArchive::Entry& e : zip.entries()) {
                if (!IsCsvName(e.name))
                    continue;
                ++found;
                out.push_back({path, label + QLatin1Char('/') + e.name, e.index, e.size});
            }
            if (found == 0) {
                *refusal =
                    Refusal(label, QStringLiteral("このZIPファイルにはCSVファイルがありません。") +
                                       trades::ExpectedHeaderText());
                return {};
            }
        } else {
            const qint64 size = QFileInfo(path).size();
            out.push_back({path, label, -1, size});
        }
    }
    for (const Source& s : out) {
        OpenSource open;
        QString why;
        if (!Open(s, open, &why)) {
            *refusal = Refusal(s.label, why);
            return {};
        }
        trades::CsvReader reader(*open.device);
        if (!reader.readHeader()) {
            *refusal =
                Refusal(s.label, QStringLiteral("不動産価格（取引価格・成約価格）情報のCSVファイル"
                                                "ではありません。") +
                                     reader.error());
            return {};
        }
    }
    return out;
}

// A quarter the files cover, as staged.
struct StagedQuarter {
    int local = 0;  // its number in the staging table (区分)
    qint64 rows = 0;
    int source = -1;  // the file that gives it
};

// The trade's columns after its ID, from parameter first on.
void BindTrade(db::Statement& st, int first, const Trade& t) {
    int i = first;
    const auto measure = [&](const trades::Measure& m) {
        if (m.kind == trades::Measure::Kind::Blank)
            st.bindNull(i++);
        else
            st.bindInt64(i++, MeasureToColumn(m));
    };
    st.bindInt64(i++, static_cast<int>(t.kind));
    st.bindInt64(i++, t.contractPrice ? 1 : 0);
    st.bindInt64(i++, t.cityCode);
    st.bindTextOrNull(i++, t.district);
    st.bindTextOrNull(i++, t.station);
    measure(t.minutes);
    st.bindInt64(i++, t.price);
    st.bindTextOrNull(i++, t.layout);
    measure(t.area);
    measure(t.floorArea);
    switch (t.built.kind) {
        case trades::BuildYear::Kind::Blank:
            st.bindNull(i++);
            break;
        case trades::BuildYear::Kind::Prewar:
            st.bindInt64(i++, 0);
            break;
        case trades::BuildYear::Kind::Year:
            st.bindInt64(i++, t.built.year);
            break;
    }
    st.bindTextOrNull(i++, t.structure);
    st.bindInt64(i++, t.period);
    st.bindTextOrNull(i++, t.renovation);
    st.bindTextOrNull(i++, t.circumstances);
}

QString FailureText(const QString& dbPath, const AppError& e) {
    if (const auto* d = dynamic_cast<const db::DbError*>(&e); d && d->isWriteFailure())
        return WriteFailedText(Native(dbPath), d->writeCause());
    return QString::number(e.number()) + QLatin1Char('\r') + e.description() + QLatin1Char('\r') +
           Native(dbPath);
}

}  // namespace

TradeImportResult ImportTrades(const QStringList& paths, const QString& dbPath,
                               TradeImportProgress& progress) {
    TradeImportResult result;
    QString refusal;
    const std::vector<Source> sources = ListSources(paths, &refusal);
    if (sources.empty()) {
        result.end = TradeImportResult::End::Refused;
        result.message = refusal.isEmpty() ? trades::ExpectedHeaderText() : refusal;
        return result;
    }
    progress.bytesTotal = 0;
    for (const Source& s : sources)
        progress.bytesTotal += s.size;

    // Beside the database, so that a full disk there shows before anything is replaced.
    const QString stagePath = dbPath + QStringLiteral("-import");
    db::Connection con;
    bool attached = false;
    const auto cleanUp = [&] {
        if (attached) {
            try {
                con.execute(QStringLiteral("DETACH DATABASE stage"));
            } catch (const AppError&) {
            }
        }
        con.close();
        QFile::remove(stagePath);
    };
    std::map<int, StagedQuarter> quarters;  // by prefecture << 16 | period
    std::map<int, std::pair<QString, QString>> cities;
    try {
        OpenTradesDb(con, dbPath, true);
        QFile::remove(stagePath);
        if (!con.isWritable())
            throw db::DbError(db::kReadOnly, QStringLiteral("ファイルに書き込めません。"));
        db::Statement attach(con, QStringLiteral("ATTACH DATABASE ? AS stage"));
        attach.bind(1, db::Value::text(stagePath));
        attach.run();
        attached = true;
        con.execute(QStringLiteral("PRAGMA stage.journal_mode = OFF"));
        con.execute(QStringLiteral("PRAGMA stage.synchronous = OFF"));
        // Each quarter staged in a block of keys of its own (its number × 2^32 + row), so that
        // its rows lie together, on pages of their own, when they are copied; the cache holds
        // the page each quarter is being added to.
        con.execute(QStringLiteral("PRAGMA stage.cache_size = -131072"));
        con.execute(QStringLiteral("CREATE TABLE stage.行 (") + TradeColumnsDdl() +
                    QLatin1Char(')'));
    } catch (const AppError& e) {
        cleanUp();
        result.end = TradeImportResult::End::Failed;
        result.damaged = TradesDbDamaged(e);
        result.message = FailureText(dbPath, e);
        return result;
    }

    // Reading every file into the staging table.
    try {
        db::Statement insert(con, QStringLiteral("INSERT INTO stage.行 VALUES (?, ?, ?, ?, ?, ?, "
                                                 "?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        con.execute(QStringLiteral("BEGIN"));
        qint64 bytesBefore = 0;
        int lastLocal = 0;
        std::vector<QStringView> fields;
        for (int si = 0; si < static_cast<int>(sources.size()); ++si) {
            const Source& s = sources[static_cast<size_t>(si)];
            OpenSource open;
            QString why;
            if (!Open(s, open, &why))
                throw AppError(errors::kFileIo, Refusal(s.label, why));
            trades::CsvReader reader(*open.device);
            if (!reader.readHeader())
                throw AppError(errors::kFileIo, Refusal(s.label, reader.error()));
            const trades::HeaderMap map = reader.header();
            qint64 line = 0;
            qint64 count = 0;
            while (reader.next(fields, line)) {
                ++count;
                if ((count & 1023) == 0) {
                    progress.rowsRead += 1024;
                    progress.bytesRead = bytesBefore + reader.bytesRead();
                    if (progress.onStep)
                        progress.onStep();
                    if (progress.cancel)
                        break;
                }
                trades::RowProblem problem;
                const std::optional<Trade> t = trades::ReadTrade(map, fields, line, &problem);
                if (!t) {
                    ++result.skipped;
                    if (result.problems.size() < kTradeProblemsKept) {
                        result.problems.push_back(problem);
                        result.problemFiles << s.label;
                    }
                    continue;
                }
                StagedQuarter& q = quarters[t->prefecture << 16 | t->period];
                if (q.source != si) {
                    // New, or given again by a later file: what an earlier one staged is left
                    // behind under its old number.
                    q.local = ++lastLocal;
                    q.rows = 0;
                    q.source = si;
                }
                insert.bindInt64(1, q.local * kBlock + q.rows);
                BindTrade(insert, 2, *t);
                insert.run();
                insert.reset();
                ++q.rows;
                if (!t->cityName.isEmpty())
                    cities[t->cityCode] = {t->prefectureName, t->cityName};
            }
            progress.rowsRead += count & 1023;
            bytesBefore += s.size;
            progress.bytesRead = bytesBefore;
            if (progress.cancel)
                break;
        }
        con.execute(QStringLiteral("COMMIT"));
    } catch (const AppError& e) {
        cleanUp();
        result.end = TradeImportResult::End::Failed;
        result.message = e.number() == errors::kFileIo ? e.description() : FailureText(dbPath, e);
        return result;
    }
    if (progress.cancel) {
        cleanUp();
        result.end = TradeImportResult::End::Cancelled;
        return result;
    }

    // Each quarter replaced in a transaction of its own.
    progress.quartersTotal = static_cast<int>(quarters.size());
    // Into an empty table the comparison's index is built once at the end, sorted, rather than
    // row by row; OpenTradesDb makes it again should the program end before.
    bool indexDropped = false;
    const auto restoreIndex = [&] {
        if (indexDropped) {
            con.execute(TradeIndexDdl());
            indexDropped = false;
        }
    };
    try {
        if (!HasTrades(con)) {
            con.execute(QStringLiteral("DROP INDEX IF EXISTS main.取引_比較"));
            indexDropped = true;
        }
    } catch (const AppError&) {
        // Kept: the import goes on row by row.
    }
    const QString stamp = QDateTime::currentDateTime().toString(Qt::ISODate);
    int lastPrefecture = 0;
    try {
        db::Statement find(con, QStringLiteral("SELECT 取込区分ID, 件数 FROM 取込区分 "
                                               "WHERE 都道府県コード = ? AND 取引時期 = ?"));
        db::Statement removeRows(con,
                                 QStringLiteral("DELETE FROM 取引 WHERE 取引ID BETWEEN ? AND ?"));
        db::Statement removePart(con, QStringLiteral("DELETE FROM 取込区分 WHERE 取込区分ID = ?"));
        db::Statement nextId(con,
                             QStringLiteral("SELECT ifnull(max(取込区分ID), 0) + 1 FROM 取込区分"));
        db::Statement addPart(con,
                              QStringLiteral("INSERT INTO 取込区分 VALUES (?, ?, ?, ?, ?, ?)"));
        db::Statement copy(
            con, QStringLiteral("INSERT INTO main.取引 SELECT ? + (取引ID & 4294967295), 種類, "
                                "成約, 市区町村コード, 地区名, 最寄駅, 駅距離, 取引価格, 間取り, "
                                "面積, 延床面積, 建築年, 構造, 取引時期, 改装, 事情 FROM stage.行 "
                                "WHERE 取引ID BETWEEN ? AND ? ORDER BY 取引ID"));
        db::Statement city(
            con,
            QStringLiteral(
                "INSERT OR REPLACE INTO 市区町村 VALUES (?, ?, ?)"));  // Several quarters may share
                                                                       // a transaction (fewer
                                                                       // commits, each rewriting
                                                                       // fewer pages of
        // the index), but a quarter never spans two: each is replaced whole or not at all.
        std::optional<db::Transaction> tx;
        qint64 rowsInTx = 0;
        struct Pending {
            qint64 rows;
            qint64 oldRows;
        };
        std::vector<Pending> pending;
        const auto commit = [&] {
            if (!tx)
                return;
            tx->commit();
            tx.reset();
            rowsInTx = 0;
            for (const Pending& p : pending) {
                ++result.quarters;
                ++progress.quartersWritten;
                if (p.oldRows < 0) {
                    result.added += p.rows;
                } else {
                    result.replaced += p.rows;
                    result.removed += p.oldRows;
                }
            }
            pending.clear();
            if (progress.onStep)
                progress.onStep();
        };
        for (const auto& [key, q] : quarters) {
            if (progress.cancel) {
                result.end = TradeImportResult::End::Cancelled;
                break;
            }
            const int prefecture = key >> 16;
            const int period = key & 0xffff;
            if (!tx)
                tx.emplace(con);
            find.bindInt64(1, prefecture);
            find.bindInt64(2, period);
            qint64 oldRows = -1;
            if (find.step()) {
                const qint64 old = find.int64(0);
                oldRows = find.int64(1);
                find.reset();
                removeRows.bindInt64(1, old * kBlock);
                removeRows.bindInt64(2, old * kBlock + kBlock - 1);
                removeRows.run();
                removeRows.reset();
                removePart.bindInt64(1, old);
                removePart.run();
                removePart.reset();
            }
            find.reset();
            nextId.step();
            const qint64 block = nextId.int64(0);
            nextId.reset();
            addPart.bindInt64(1, block);
            addPart.bindInt64(2, prefecture);
            addPart.bindInt64(3, period);
            addPart.bindInt64(4, q.rows);
            addPart.bindTextOrNull(
                5, QFileInfo(sources[static_cast<size_t>(q.source)].path).fileName());
            addPart.bindTextOrNull(6, stamp);
            addPart.run();
            addPart.reset();
            copy.bindInt64(1, block * kBlock);
            copy.bindInt64(2, q.local * kBlock);
            copy.bindInt64(3, q.local * kBlock + kBlock - 1);
            copy.run();
            copy.reset();
            if (prefecture != lastPrefecture) {
                for (auto it = cities.lower_bound(prefecture * 1000);
                     it != cities.end() && it->first < prefecture * 1000 + 1000; ++it) {
                    city.bindInt64(1, it->first);
                    city.bindTextOrNull(2, it->second.first);
                    city.bindTextOrNull(3, it->second.second);
                    city.run();
                    city.reset();
                }
            }
            lastPrefecture = prefecture;
            pending.push_back({q.rows, oldRows});
            rowsInTx += q.rows;
            if (rowsInTx >= progress.rowsPerTransaction)
                commit();
        }
        commit();
        restoreIndex();
    } catch (const AppError& e) {
        try {
            restoreIndex();
        } catch (const AppError&) {
            // Made at the next open.
        }
        cleanUp();
        result.end = TradeImportResult::End::Failed;
        result.damaged = TradesDbDamaged(e);
        result.message = FailureText(dbPath, e);
        return result;
    }
    cleanUp();
    return result;
}

QString TradeImportSummary(const TradeImportResult& r) {
    QString text;
    switch (r.end) {
        case TradeImportResult::End::Done:
            text = QStringLiteral("取引事例を取り込みました。");
            break;
        case TradeImportResult::End::Cancelled:
            text = QStringLiteral("取り込みを中止しました。") +
                   (r.quarters > 0 ? QStringLiteral("中止までに書き込んだ四半期はそのまま残り、"
                                                    "ほかは取り込む前のままです。")
                                   : QStringLiteral("取引事例は取り込む前のままです。"));
            break;
        case TradeImportResult::End::Refused:
        case TradeImportResult::End::Failed:
            return r.message;
    }
    text += QLatin1Char('\r') + QStringLiteral("追加 ") + FormatWhole(double(r.added)) +
            QStringLiteral(" 件、置き換え ") + FormatWhole(double(r.replaced)) +
            QStringLiteral(" 件");
    if (r.replaced > 0 || r.removed > 0) {
        text += QStringLiteral("（それまでの ") + FormatWhole(double(r.removed)) +
                QStringLiteral(" 件に代えて）");
    }
    text +=
        QStringLiteral("、読み飛ばし ") + FormatWhole(double(r.skipped)) + QStringLiteral(" 件");
    for (size_t i = 0; i < r.problems.size(); ++i) {
        const trades::RowProblem& p = r.problems[i];
        text += QLatin1Char('\r') + r.problemFiles.value(static_cast<qsizetype>(i)) +
                QLatin1Char(' ') + QString::number(p.line) + QStringLiteral("行目");
        if (!p.column.isEmpty())
            text += QStringLiteral("「") + p.column + QStringLiteral("」");
        text += QStringLiteral("：") + p.text;
    }
    if (r.skipped > static_cast<qint64>(r.problems.size()))
        text += QLatin1Char('\r') + QStringLiteral("ほか ") +
                FormatWhole(double(r.skipped - static_cast<qint64>(r.problems.size()))) +
                QStringLiteral(" 件");
    return text;
}

}  // namespace ie
