#include "support/TestFolder.h"

#include "common/AppError.h"
#include "state/UserDatabase.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>

namespace ie::test {

TestFolder::TestFolder(bool withDatabases) {
    QDir().mkpath(tempPath());
    if (withDatabases)
        copyDatabases();
}

QString TestFolder::builtSysDb() {
    return QStringLiteral(IE_BIN_DIR "/Morinaxis_s.mdb");
}
QString TestFolder::builtUsrDb() {
    return QStringLiteral(IE_BIN_DIR "/Morinaxis_u.mdb");
}

void TestFolder::copyDatabases() {
    QFile::remove(sysDb());
    QFile::remove(usrDb());
    QFile::copy(builtSysDb(), sysDb());
    // The user database in the build folder may hold what someone saved while trying the program;
    // tests start from an empty one of the current version, made as the build makes it.
    try {
        CreateUserDatabase(usrDb());
    } catch (const AppError& e) {
        qWarning("%s", qPrintable(e.description()));
    }
    QFile(sysDb()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QFile(usrDb()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size() && f.flush();
}

bool ExecSql(const QString& dbPath, const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(dbPath).constData(), &db);
    const bool ok =
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

}  // namespace ie::test
