#pragma once

#include <QString>
#include <QTemporaryDir>

namespace ie::test {

// A program folder of the test's own: copies of the freshly built databases beside a stand-in
// program location, and a temporary folder for the scratch and lock files.
class TestFolder {
public:
    explicit TestFolder(bool withDatabases = true);

    QString path() const { return dir_.path(); }
    QString tempPath() const { return dir_.path() + QStringLiteral("/tmp"); }
    QString file(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }
    QString sysDb() const { return file(QStringLiteral("Morinaxis_s.mdb")); }
    QString usrDb() const { return file(QStringLiteral("Morinaxis_u.mdb")); }
    void copyDatabases();
    bool isValid() const { return dir_.isValid(); }

    // The built databases in the build folder.
    static QString builtSysDb();
    static QString builtUsrDb();

private:
    QTemporaryDir dir_;
};

// Reads a whole file (empty when missing).
QByteArray ReadAll(const QString& path);
// Writes a whole file; false on failure.
bool WriteAll(const QString& path, const QByteArray& bytes);
// Runs SQL straight on a database file, beside the program's own database layer; false on error.
bool ExecSql(const QString& dbPath, const QString& sql);

}  // namespace ie::test
