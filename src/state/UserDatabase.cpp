#include "state/UserDatabase.h"

#include "common/AppError.h"
#include "platform/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

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

// A file without a version is a version-1 file.
int VersionOf(db::Connection& con) {
    return std::max(1, FirstValue(con, QStringLiteral("PRAGMA user_version")).toInt());
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

}  // namespace

const std::vector<UserDbStep>& UserDbSteps() {
    // Numbered in landing order. A step that has landed is never renumbered or changed: files in
    // users' hands have run it as it was. A correction is a new step at the end.
    static const std::vector<UserDbStep> steps = {
        // 2: the table stays as in version 1; from here on every file carries its version.
        {2, [](db::Connection&) {}},
        // 3: the structure chosen for the house price (構造CD of 家屋構造別坪単価; Null: none
        // chosen, valued as wood).
        {3,
         [](db::Connection& con) {
             con.execute(QStringLiteral("ALTER TABLE 物件情報 ADD COLUMN 家屋構造CD INTEGER"));
         }},
        // 4: the road-price year the land price was worked out with (1 January of that year).
        {4,
         [](db::Connection& con) {
             con.execute(QStringLiteral("ALTER TABLE 物件情報 ADD COLUMN 路線価年度 DATE"));
         }},
        // 5: the change counter every save raises (Null, in rows saved before: 0), so that an
        // update can tell that another copy of the program saved the row since it was loaded.
        {5,
         [](db::Connection& con) {
             con.execute(QStringLiteral("ALTER TABLE 物件情報 ADD COLUMN 更新回数 INTEGER"));
         }},
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
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        throw AppError(errors::kFileIo, QStringLiteral("控えのファイル") + Native(to) +
                                            QStringLiteral("を作成できません。(") +
                                            out.errorString() + QLatin1Char(')'));
    }
    const auto fail = [&](const QString& what, const QString& why) {
        out.close();
        QFile::remove(to);
        return AppError(errors::kFileIo, what + QLatin1Char('(') + why + QLatin1Char(')'));
    };
    const QString cannotWrite =
        QStringLiteral("控えのファイル") + Native(to) + QStringLiteral("に書き込めません。");
    constexpr qint64 kChunk = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty()) {
            throw fail(Native(from) + QStringLiteral("を読めません。"), in.errorString());
        }
        if (out.write(chunk) != chunk.size()) {
            throw fail(cannotWrite, out.errorString());
        }
    }
    // A backup that is only in the page cache is no backup when the upgrade that follows is cut
    // short by a power loss.
    if (!out.flush()) {
        throw fail(cannotWrite, out.errorString());
    }
    if (::fsync(out.handle()) != 0) {
        throw fail(cannotWrite, qt_error_string(errno));
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
    db::Connection con;
    con.setConnectionString(DataSource(path));

    // Looked at read-only first: a file this program may not change is never opened for writing.
    con.setReadOnly(true);
    try {
        con.open();
        out.version = VersionOf(con);
        if (out.version == target) {
            return out;
        }
        if (out.version > target) {
            out.state = UserDbCheck::State::ReadOnly;
            out.message = NewerUserDbMessage();
            return out;
        }
        const QString tables =
            FirstValue(con, QStringLiteral("SELECT count(*) FROM sqlite_master "
                                           "WHERE type = 'table' AND name = '物件情報'"));
        if (tables.toInt() == 0) {
            out.state = UserDbCheck::State::Unchecked;
            return out;
        }
    } catch (const AppError&) {
        out.state = UserDbCheck::State::Unchecked;
        return out;
    }
    try {
        // Reads the whole file: upgrades are rare enough to afford it.
        if (FirstValue(con, QStringLiteral("PRAGMA quick_check")) != QStringLiteral("ok")) {
            throw AppError(db::kCorrupt, QStringLiteral("データベースファイルが壊れています。"));
        }
    } catch (const AppError& e) {
        return Refused(out, path, e.description());
    }
    con.close();

    QString backup;
    bool copied = false;
    try {
        con.setReadOnly(false);
        con.open();
        if (!con.isWritable()) {
            throw AppError(db::kReadOnly,
                           QStringLiteral("ファイルに書き込めません（読み取り専用です）。"));
        }
        // Copied while this connection holds no lock: closing the copy's own handle on the file
        // would otherwise drop SQLite's lock on it. Only the single-instance lock guards the time
        // in between, and it is per user (in the user's run-time folder): it keeps this user's
        // other copies away, --check included, but not a copy another user runs on a database
        // folder both chose in 環境設定; what that copy saved meanwhile is in the file but not in
        // the backup.
        backup = UserDbBackupPath(path, today);
        how.copy(path, backup);
        copied = true;
        db::Transaction tx(con);
        ApplySteps(con, how.steps, VersionOf(con));
        tx.commit();
    } catch (const AppError& e) {
        con.close();
        // The file is as it was, so the copy just made of it is not needed.
        if (copied) {
            QFile::remove(backup);
        }
        return Refused(out, path, e.description());
    }
    out.state = UserDbCheck::State::Upgraded;
    out.backupPath = backup;
    return out;
}

}  // namespace ie
