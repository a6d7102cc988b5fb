#include "state/UserDatabase.h"

#include "common/AppError.h"
#include "platform/Database.h"
#include "platform/WriteFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ie {

namespace {

// The version-1 schema, the file the build used to run alone.
const QString kVersion1Schema = QStringLiteral(":/userdb/user.sql");

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A path never read as a connection string of its own, whatever it contains.
QString DataSource(const QString& path) {
    return QStringLiteral("Data Source=") + path;
}

AppError ReadError(const db::DbError& e) {
    const int code = e.number();
    const QString what = code == db::kCorrupt || code == db::kNotADatabase
                             ? QStringLiteral("データベースファイルが壊れています。")
                             : QStringLiteral("データベースファイルを読めません。");
    return AppError(code, what + QStringLiteral(" (") + e.sqliteMessage() + QLatin1Char(')'));
}

// The first column of the first row of a statement (a PRAGMA), as text; empty when no row.
QString FirstValue(db::Connection& con, const QString& sql) {
    try {
        db::Statement st(con, sql);
        return st.step() ? st.value(0, db::FieldType::Text).toText() : QString();
    } catch (const db::DbError& e) {
        throw ReadError(e);
    }
}

// The user_version in a database file's header, read with plain file reads (no SQLite connection,
// so no journal is rolled back and no lock taken); 0 read as 1. nullopt when the file is no SQLite
// database or cannot be read.
std::optional<int> HeaderVersion(const QString& path) {
    // Non-blocking and checked after opening: a FIFO or a device under the name must not hang.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    unsigned char header[100];
    struct stat st {};
    const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                      ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
    ::close(fd);
    if (!read || std::memcmp(header, "SQLite format 3", 16) != 0) {
        return std::nullopt;
    }
    const quint32 version = static_cast<quint32>(header[60]) << 24 |
                            static_cast<quint32>(header[61]) << 16 |
                            static_cast<quint32>(header[62]) << 8 | header[63];
    return std::max(1, static_cast<int>(version));
}

// A file without a version is a version-1 file.
int VersionOf(db::Connection& con) {
    return std::max(1, FirstValue(con, QStringLiteral("PRAGMA user_version")).toInt());
}

// A rename is durable only once the folder that holds the name is on disk.
void SyncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int TargetVersion(const std::vector<UserDbStep>& steps) {
    return steps.empty() ? 1 : steps.back().version;
}

void ApplySteps(db::Connection& con, const std::vector<UserDbStep>& steps, int from) {
    for (const UserDbStep& step : steps) {
        if (step.version > from) {
            step.apply(con);
        }
    }
    con.execute(QStringLiteral("PRAGMA user_version = ") + QString::number(TargetVersion(steps)));
}

UserDbCheck Refused(UserDbCheck out, const QString& path, const QString& cause) {
    out.state = UserDbCheck::State::ReadOnly;
    out.message = QStringLiteral("ユーザーデータベース") + Native(path) +
                  QStringLiteral("を新しい版に更新できません。") + QLatin1Char('\r') + cause +
                  QLatin1Char('\r') +
                  QStringLiteral("読み取り専用で開きます（保存・削除はできません）。");
    return out;
}

// The names of a table's columns, read once for a step's many.
QStringList ColumnsOf(db::Connection& con, const QString& table) {
    db::Statement st(con, QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    st.bind(1, db::Value::text(table));
    QStringList names;
    while (st.step())
        names << st.value(0, db::FieldType::Text).toText();
    return names;
}

bool HasColumn(db::Connection& con, const QString& table, const QString& column) {
    db::Statement st(con,
                     QStringLiteral("SELECT count(*) FROM pragma_table_info(?) WHERE name = ?"));
    st.bind(1, db::Value::text(table));
    st.bind(2, db::Value::text(column));
    st.step();
    return st.value(0, db::FieldType::Integer).toInt64().value_or(0) > 0;
}

// A step that adds one column to 物件情報. A file that has the column already (whatever its version
// says) is not given it twice.
UserDbStep AddColumnStep(int version, const char* column, const char* declared) {
    const QString name = QString::fromUtf8(column);
    const QString type = QString::fromUtf8(declared);
    return {
        version,
        [name, type](db::Connection& con) {
            if (!HasColumn(con, QStringLiteral("物件情報"), name)) {
                con.execute(QStringLiteral("ALTER TABLE 物件情報 ADD COLUMN ") + name +
                            QLatin1Char(' ') + type);
            }
        },
        [name](db::Connection& con) { return HasColumn(con, QStringLiteral("物件情報"), name); }};
}

// A step that adds several columns to 物件情報 in its one transaction, each only when missing.
// The file has the step once it has every column.
UserDbStep AddColumnsStep(int version, std::vector<std::pair<QString, QString>> columns) {
    return {version,
            [columns](db::Connection& con) {
                for (const auto& [name, type] : columns) {
                    if (!HasColumn(con, QStringLiteral("物件情報"), name)) {
                        con.execute(QStringLiteral("ALTER TABLE 物件情報 ADD COLUMN ") + name +
                                    QLatin1Char(' ') + type);
                    }
                }
            },
            [columns](db::Connection& con) {
                const QStringList present = ColumnsOf(con, QStringLiteral("物件情報"));
                for (const auto& c : columns) {
                    if (!present.contains(c.first))
                        return false;
                }
                return true;
            }};
}

// The steps a file still needs, in order: those above its version, and any below whose work the
// file does not show (so that a file is judged by what it holds, not by its number alone).
std::vector<const UserDbStep*> MissingSteps(db::Connection& con,
                                            const std::vector<UserDbStep>& steps, int version) {
    // Ended before anything else runs on the connection.
    const db::ReadTransaction together(con);
    std::vector<const UserDbStep*> out;
    for (const UserDbStep& step : steps) {
        const bool present = step.present ? step.present(con) : step.version <= version;
        if (!present) {
            out.push_back(&step);
        }
    }
    return out;
}

// A backup in the making carries this after its dated name; only a whole copy is renamed to that.
const QString kPartialSuffix = QStringLiteral(".partial");

// Removes what a backup cut off at an earlier start left: "<file>.bak-*.partial" beside the file.
void RemoveBackupLeftovers(const QString& path) {
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    const QStringList leftovers =
        dir.entryList({info.fileName() + QStringLiteral(".bak-*") + kPartialSuffix},
                      QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : leftovers) {
        dir.remove(name);
    }
}

// Makes the dated backup of path: copied under a temporary name, flushed, then renamed, so that
// nothing under a backup's name is ever less than a whole copy. Returns the backup's path.
QString WriteBackup(const QString& path, const QDate& today,
                    const std::function<void(const QString&, const QString&)>& copy) {
    const QString backup = UserDbBackupPath(path, today);
    const QString partial = backup + kPartialSuffix;
    QFile::remove(partial);
    copy(path, partial);
    QFile file(partial);
    // rename never replaces an existing file.
    if (!file.rename(backup)) {
        const QString why = file.errorString();
        QFile::remove(partial);
        throw AppError(errors::kFileIo, QStringLiteral("控えのファイル") + Native(backup) +
                                            QStringLiteral("を作成できません。(") + why +
                                            QLatin1Char(')'));
    }
    SyncFolder(QFileInfo(backup).absolutePath());
    return backup;
}

}  // namespace

const std::vector<UserDbStep>& UserDbSteps() {
    // Numbered in landing order. A step that has landed is never renumbered or changed: files in
    // users' hands have run it as it was. A correction is a new step at the end.
    static const std::vector<UserDbStep> steps = {
        // 2: the table stays as in version 1; from here on every file carries its version.
        {2, [](db::Connection&) {}, nullptr},
        // 3: the structure chosen for the house price (構造CD of 家屋構造別坪単価; Null: none
        // chosen, valued as wood).
        AddColumnStep(3, "家屋構造CD", "INTEGER"),
        // 4: the road-price year the land price was worked out with (1 January of that year).
        AddColumnStep(4, "路線価年度", "DATE"),
        // 5: the change counter every save raises (Null, in rows saved before: 0), so that an
        // update can tell that another copy of the program saved the row since it was loaded.
        AddColumnStep(5, "更新回数", "INTEGER"),
        // 6: the highest 物件ID ever given, kept apart from the rows so that a deleted property's
        // ID is never given again (another copy may still hold it loaded). It starts at the
        // highest ID the file holds.
        {6,
         [](db::Connection& con) {
             con.execute(QStringLiteral(
                 "CREATE TABLE IF NOT EXISTS 物件ID採番 (最終物件ID INTEGER NOT NULL)"));
             con.execute(QStringLiteral(
                 "INSERT INTO 物件ID採番 SELECT ifnull(max(物件ID), 0) FROM 物件情報 "
                 "WHERE NOT EXISTS (SELECT 1 FROM 物件ID採番)"));
         },
         [](db::Connection& con) { return db::HasAnyTable(con, {QStringLiteral("物件ID採番")}); }},
        // ---- 7: the lot factor's way (Null, in rows saved before: the quick way) and the inputs
        // of the official way (財産評価基本通達), one column each, in PropertyColumns' block.
        AddColumnsStep(7, {{QStringLiteral("画地補正方式"), QStringLiteral("INTEGER")},
                           {QStringLiteral("地区区分"), QStringLiteral("INTEGER")},
                           {QStringLiteral("間口距離"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("奥行距離"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("側方1路線価"), QStringLiteral("CURRENCY")},
                           {QStringLiteral("側方1奥行"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("側方1種別"), QStringLiteral("INTEGER")},
                           {QStringLiteral("側方1接道長"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("側方2路線価"), QStringLiteral("CURRENCY")},
                           {QStringLiteral("側方2奥行"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("側方2種別"), QStringLiteral("INTEGER")},
                           {QStringLiteral("側方2接道長"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("裏面路線価"), QStringLiteral("CURRENCY")},
                           {QStringLiteral("裏面奥行"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("裏面接道長"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("想定整形地地積"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("三大都市圏"), QStringLiteral("INTEGER")},
                           {QStringLiteral("規模格差対象外"), QStringLiteral("INTEGER")},
                           {QStringLiteral("がけ地割合"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("がけ地方位"), QStringLiteral("INTEGER")},
                           {QStringLiteral("特別警戒区域割合"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("セットバック面積"), QStringLiteral("DOUBLE")},
                           {QStringLiteral("倍率地域"), QStringLiteral("INTEGER")},
                           {QStringLiteral("固定資産税評価額"), QStringLiteral("CURRENCY")},
                           {QStringLiteral("評価倍率"), QStringLiteral("DOUBLE")}}),
        // ---- end of step 7
        // ---- 所在地 (the comparison with imported trades) ----
        // 8: where the property is, as the trades name it: 都道府県, 市区町村コード and its name,
        // 地区名, 最寄駅, 徒歩分 (Null: not given).
        AddColumnsStep(8, {{QStringLiteral("都道府県"), QStringLiteral("TEXT")},
                           {QStringLiteral("市区町村コード"), QStringLiteral("INTEGER")},
                           {QStringLiteral("市区町村"), QStringLiteral("TEXT")},
                           {QStringLiteral("地区名"), QStringLiteral("TEXT")},
                           {QStringLiteral("最寄駅"), QStringLiteral("TEXT")},
                           {QStringLiteral("徒歩分"), QStringLiteral("INTEGER")}}),
        // ---- end of 所在地 ----
        // ---- the house's cost source and age count ----
        // 9: where the price per tsubo came from (Null: saved before it was kept) and how the
        // house's age was counted (Null: by calendar years, the only count before).
        AddColumnsStep(9, {{QStringLiteral("坪単価出典"), QStringLiteral("TEXT")},
                           {QStringLiteral("経過年数の数え方"), QStringLiteral("INTEGER")}}),
        // ---- end of the house's cost source and age count ----
    };
    return steps;
}

int UserDbVersion() {
    return TargetVersion(UserDbSteps());
}

int ReadUserDbVersion(const QString& path) {
    db::Connection con;
    con.setConnectionString(DataSource(path));
    con.setReadOnly(true);
    con.open();
    return VersionOf(con);
}

void CreateUserDatabase(const QString& path) {
    CreateUserDatabase(path, UserDbSteps());
}

void CreateUserDatabase(const QString& path, const std::vector<UserDbStep>& steps) {
    const auto cannotCreate = [&path](const QString& why) {
        return AppError(errors::kFileIo, Native(path) + QStringLiteral("を作成できません。(") +
                                             why + QLatin1Char(')'));
    };
    if (QFileInfo::exists(path)) {
        throw cannotCreate(QStringLiteral("同じ名前のファイルがあります。"));
    }
    QFile schemaFile(kVersion1Schema);
    if (!schemaFile.open(QIODevice::ReadOnly)) {
        throw cannotCreate(schemaFile.errorString());
    }
    const QByteArray schema = schemaFile.readAll();

    const QString building = path + QStringLiteral(".building");
    QFile::remove(building);
    // The one place that creates a database file: an ordinary open never does.
    try {
        db::Connection con;
        con.setConnectionString(DataSource(building));
        con.setCreate(true);
        con.open();
        con.execute(QString::fromUtf8(schema));
    } catch (const db::DbError& e) {
        QFile::remove(building);
        throw cannotCreate(e.sqliteMessage());
    }
    try {
        db::Connection con;
        con.setConnectionString(DataSource(building));
        con.open();
        db::Transaction tx(con);
        ApplySteps(con, steps, 1);
        tx.commit();
    } catch (const AppError&) {
        QFile::remove(building);
        throw;
    }
    // rename never replaces an existing file.
    QFile file(building);
    if (!file.rename(path)) {
        const QString why = file.errorString();
        QFile::remove(building);
        throw cannotCreate(why);
    }
}

void CopyToNewFile(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        throw AppError(errors::kFileIo, Native(from) + QStringLiteral("を読めません。(") +
                                            in.errorString() + QLatin1Char(')'));
    }
    QFile out(to);
    // Unbuffered, so that errno read after a failed write names its cause (a full disk).
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        throw AppError(errors::kFileIo, QStringLiteral("控えのファイル") + Native(to) +
                                            QStringLiteral("を作成できません。(") +
                                            out.errorString() + QLatin1Char(')'));
    }
    const auto fail = [&](const QString& why) {
        out.close();
        QFile::remove(to);
        return AppError(errors::kFileIo, QStringLiteral("控えのファイル") + Native(to) +
                                             QStringLiteral("に書き込めません。(") + why +
                                             QLatin1Char(')'));
    };
    constexpr qint64 kChunk = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty()) {
            out.close();
            QFile::remove(to);
            throw AppError(errors::kFileIo, Native(from) + QStringLiteral("を読めません。(") +
                                                in.errorString() + QLatin1Char(')'));
        }
        errno = 0;
        if (out.write(chunk) != chunk.size()) {
            throw fail(WriteCauseOf(out, errno));
        }
    }
    // A backup that is only in the page cache is no backup when the upgrade that follows is cut
    // short by a power loss.
    if (::fsync(out.handle()) != 0) {
        throw fail(WriteCauseOfErrno(errno));
    }
    out.close();
}

QString UserDbBackupPath(const QString& path, const QDate& today) {
    const QString base =
        path + QStringLiteral(".bak-") + today.toString(QStringLiteral("yyyyMMdd"));
    QString candidate = base;
    for (int n = 2;; ++n) {
        const QFileInfo info(candidate);
        if (!info.exists() && !info.isSymLink()) {
            return candidate;
        }
        candidate = base + QLatin1Char('-') + QString::number(n);
    }
}

QString NewerUserDbMessage() {
    return QStringLiteral(
        "このユーザーデータベースは新しい版のいえねだん帳で作られています。"
        "読み取り専用で開きます（保存・削除はできません）。");
}

UserDbCheck PrepareUserDatabase(const QString& path, const QDate& today, const UserDbUpgrade& how) {
    UserDbCheck out;
    const int target = TargetVersion(how.steps);
    RemoveBackupLeftovers(path);

    // The version is read from the file's header as it lies on disk, before any connection may
    // write or look at a journal: a later version's file, even one left with a hot journal after
    // a crash, is then never rolled back or written by this program.
    const std::optional<int> header = HeaderVersion(path);
    if (!header) {
        out.state = UserDbCheck::State::Unchecked;
        return out;
    }
    if (*header > target) {
        out.version = *header;
        out.state = UserDbCheck::State::ReadOnly;
        out.message = NewerUserDbMessage();
        return out;
    }

    // A file of this version or older is this program's to write. A read-write connection rolls
    // back what an interrupted upgrade or save left in a hot journal, so everything below reads
    // the file as it really is. A file that cannot be written is looked at read-only instead.
    db::Connection con;
    con.setConnectionString(DataSource(path));
    try {
        con.open();
    } catch (const AppError&) {
        con.setReadOnly(true);
        try {
            con.open();
        } catch (const AppError&) {
            out.state = UserDbCheck::State::Unchecked;
            return out;
        }
    }
    std::vector<const UserDbStep*> missing;
    try {
        out.version = VersionOf(con);
        if (out.version > target) {
            out.state = UserDbCheck::State::ReadOnly;
            out.message = NewerUserDbMessage();
            return out;
        }
        if (!db::HasAnyTable(con, {QStringLiteral("物件情報")})) {
            out.state = UserDbCheck::State::Unchecked;
            return out;
        }
        missing = MissingSteps(con, how.steps, out.version);
        if (missing.empty() && out.version == target) {
            return out;
        }
        // Reads the whole file: upgrades are rare enough to afford it.
        if (FirstValue(con, QStringLiteral("PRAGMA quick_check")) != QStringLiteral("ok")) {
            throw AppError(db::kCorrupt, QStringLiteral("データベースファイルが壊れています。"));
        }
        if (!con.isWritable()) {
            throw AppError(db::kReadOnly,
                           QStringLiteral("ファイルに書き込めません（読み取り専用です）。"));
        }
    } catch (const AppError& e) {
        return Refused(out, path, e.description());
    }

    QString backup;
    bool changed = false;
    try {
        // Copied while the connection holds no lock (no statement or transaction is open):
        // closing the copy's own handle on the file would otherwise drop SQLite's lock on it.
        // Only the single-instance lock guards the time in between, and it is per user (in the
        // user's run-time folder): it keeps this user's other copies away, --check included, but
        // not a copy another user runs on a database folder both chose in 環境設定; what that
        // copy saved meanwhile is in the file but not in the backup.
        backup = WriteBackup(path, today, how.copy);
        // One transaction a step, each setting the version it reaches: an upgrade cut off
        // anywhere leaves a file of some whole version, and the next start goes on from there.
        int version = out.version;
        for (const UserDbStep* step : missing) {
            db::Transaction tx(con);
            step->apply(con);
            version = std::max(version, step->version);
            con.execute(QStringLiteral("PRAGMA user_version = ") + QString::number(version));
            tx.commit();
            changed = true;
        }
        if (version < target) {
            db::Transaction tx(con);
            con.execute(QStringLiteral("PRAGMA user_version = ") + QString::number(target));
            tx.commit();
            changed = true;
        }
    } catch (const AppError& e) {
        con.close();
        // Untouched, the file needs no copy; once a step has landed, the copy is the only record
        // of the file as it was.
        if (!backup.isEmpty() && !changed) {
            QFile::remove(backup);
        }
        out.backupPath = changed ? backup : QString();
        return Refused(out, path, e.description());
    }
    out.state = UserDbCheck::State::Upgraded;
    out.backupPath = backup;
    return out;
}

}  // namespace ie
