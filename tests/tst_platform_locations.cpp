// Where the program keeps its files: the portable/installed decision, the settings value of the
// program's own folder, and the owner-only run-time folder.
#include "platform/FileLocations.h"
#include "support/Permissions.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ie;
using ie::test::WriteAll;

namespace {

int ModeBits(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

}  // namespace

class TestLocations : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void modeDecision_data();
    void modeDecision();
    void programFolderInSettings();
    void runtimeFolderIsOwnerOnly();
    void runtimeFallbackInTheUsersCache();
};

void TestLocations::modeDecision_data() {
    QTest::addColumn<bool>("ini");
    QTest::addColumn<QString>("dbs");  // which databases lie beside the program
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("portable");
    for (bool ini : {false, true}) {
        for (const char* dbs : {"none", "reference", "user", "both"}) {
            for (bool writable : {true, false}) {
                // The settings file alone decides; otherwise both databases in a writable folder.
                const bool portable = ini || (QByteArray(dbs) == "both" && writable);
                QTest::addRow("ini %d, %s, writable %d", ini, dbs, writable)
                    << ini << QString::fromLatin1(dbs) << writable << portable;
            }
        }
    }
}

void TestLocations::modeDecision() {
    QFETCH(bool, ini);
    QFETCH(QString, dbs);
    QFETCH(bool, writable);
    QFETCH(bool, portable);
    if (!writable)
        IE_REQUIRE_PERMISSIONS_BIND();
    QTemporaryDir dir;
    if (ini)
        QVERIFY(WriteAll(dir.filePath(QStringLiteral("Morinaxis.ini")), "[DB_PATH]\r\n"));
    if (dbs == QStringLiteral("reference") || dbs == QStringLiteral("both"))
        QVERIFY(WriteAll(dir.filePath(QStringLiteral("Morinaxis_s.mdb")), "x"));
    if (dbs == QStringLiteral("user") || dbs == QStringLiteral("both"))
        QVERIFY(WriteAll(dir.filePath(QStringLiteral("Morinaxis_u.mdb")), "x"));
    if (!writable)
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const FileMode mode = DecideFileMode(dir.path());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(mode, portable ? FileMode::Portable : FileMode::Installed);
}

void TestLocations::programFolderInSettings() {
    // The program's own folder is written as "." and read against the program's folder, never the
    // current one; a folder written by an older program, absolute, keeps its meaning.
    const QString prog = QStringLiteral("/opt/いえ/bin");
    QCOMPARE(FolderForSettings(prog + QStringLiteral("/"), prog), QStringLiteral("."));
    QCOMPARE(FolderFromSettings(QStringLiteral("."), prog), prog);
    QCOMPARE(FolderForSettings(QStringLiteral("/data"), prog), QStringLiteral("/data"));
    QCOMPARE(FolderFromSettings(QStringLiteral("/home/山田/データ"), prog),
             QStringLiteral("/home/山田/データ"));
}

void TestLocations::runtimeFolderIsOwnerOnly() {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkdir(base));
    QVERIFY(QFile::setPermissions(base, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base));
    const QString folder = base + QStringLiteral("/ienedancho");

    QCOMPARE(RuntimeFolder(), folder);
    QCOMPARE(ModeBits(folder), 0700);
    // Opened up by someone, it is closed again.
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    QCOMPARE(RuntimeFolder(), folder);
    QCOMPARE(ModeBits(folder), 0700);
    // A link in its place is not followed.
    QVERIFY(QDir(folder).removeRecursively());
    QVERIFY(QFile::link(dir.path(), folder));
    QString why;
    QCOMPARE(RuntimeFolder(&why), QString());
    QVERIFY(why.startsWith(folder));
}

void TestLocations::runtimeFallbackInTheUsersCache() {
    // Without XDG_RUNTIME_DIR: in the user's own cache folder, never under the shared temporary
    // folder, where another user could take the name first.
    QTemporaryDir dir;
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("cache"))));
    const QString folder = dir.filePath(QStringLiteral("cache/ienedancho-runtime"));
    QCOMPARE(RuntimeFolder(), folder);
    QCOMPARE(ModeBits(folder), 0700);
    // One that another user owns is never used, and its owner is named.
    if (::geteuid() != 0)
        QSKIP("the rest needs the superuser, to give the folder to another user");
    QVERIFY(::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0);
    QString why;
    QCOMPARE(RuntimeFolder(&why), QString());
    const passwd* owner = ::getpwuid(65534);
    QVERIFY2(
        owner && why.startsWith(folder) && why.contains(QString::fromLocal8Bit(owner->pw_name)),
        qPrintable(why));
}

QTEST_GUILESS_MAIN(TestLocations)
#include "tst_platform_locations.moc"
