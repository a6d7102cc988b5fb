// The scratch file (ModTempFile), its claim and the removal of left-overs, the single-instance
// lock, across processes too, and the socket a second start knocks at.
//
// This binary doubles as the other process of the lock tests: with IE_TST_LOCK_MODE set it takes
// the lock in IE_TST_LOCK_DIR, prints "locked" or "busy", and in mode "hold" keeps the lock until
// its standard input closes or it is killed. Mode "scratch" claims a scratch file in that folder,
// prints its path and holds the claim the same way.
#include "platform/FileLock.h"
#include "platform/InstanceServer.h"
#include "platform/ScratchFile.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

using namespace ie;

namespace {

const char* const kModeVar = "IE_TST_LOCK_MODE";
const char* const kDirVar = "IE_TST_LOCK_DIR";

int RunLockChild(const QByteArray& mode, const QString& folder) {
    if (mode == "scratch") {
        // A running copy's scratch file: claimed, printed, held until stdin closes.
        QString path;
        const auto claim = CreateClaimedTempFile(folder, QStringLiteral("~my"), path);
        std::printf("%s\n", claim ? qPrintable(path) : "none");
        std::fflush(stdout);
        std::string line;
        while (std::getline(std::cin, line)) {
        }
        return 0;
    }
    SingleInstance instance(folder);
    const bool locked = instance.tryAcquire();
    std::printf("%s\n", locked ? "locked" : "busy");
    std::fflush(stdout);
    if (locked && mode == "hold") {
        std::string line;
        while (std::getline(std::cin, line)) {
        }
    }
    return 0;
}

bool WriteFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("photo") == 5;
}

// Starts this binary as the other process and returns its first line of output.
QString StartChild(QProcess& child, const QString& mode, const QString& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kModeVar), mode);
    env.insert(QString::fromLatin1(kDirVar), folder);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    if (!child.waitForStarted(10000)) {
        return QStringLiteral("<not started>");
    }
    while (!child.canReadLine()) {
        if (!child.waitForReadyRead(10000)) {
            return QStringLiteral("<no answer>");
        }
    }
    return QString::fromLatin1(child.readLine()).trimmed();
}

// Connects to the socket at path and writes bytes as they are; the connection stays open until
// the returned descriptor is closed. -1 when no one listens.
int SendRaw(const QString& path, const QByteArray& bytes) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(addr.sun_path, native.constData(), static_cast<size_t>(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

class TstPlatformFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tempFileInTemporaryFolder();
    void tempFileInGivenFolder();
    void tempFileWithoutFolder();
    void tempFileInUnwritableFolder();
    void lockTwiceInOneProcess();
    void lockHeldByAnotherProcess();
    void lockOfAKilledProcessIsTakenOver();
    void lockSharedWithQLockFile();
    void instanceServerTakesWholeRequestsOnly();
    void scratchFilesAreOwnerOnly();
    void staleScratchFilesRemoved();
};

void TstPlatformFiles::tempFileInTemporaryFolder() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    QString first = QStringLiteral("unchanged");
    QVERIFY(ModTempFile(QString(), QStringLiteral("~my"), first, temp.path()));
    const QRegularExpression pattern(QStringLiteral("^~my[0-9A-F]{1,4}\\.tmp$"));
    const QFileInfo info(first);
    QVERIFY2(pattern.match(info.fileName()).hasMatch(), qPrintable(first));
    QCOMPARE(info.absolutePath(), QDir(temp.path()).absolutePath());
    QVERIFY(info.isFile());
    QCOMPARE(info.size(), qint64(0));
    QVERIFY(!info.fileName().startsWith(QStringLiteral("~my0")));  // no leading zeros

    // A second call makes another file; the first one stays.
    QString second;
    QVERIFY(ModTempFile(QString(), QStringLiteral("~my"), second, temp.path()));
    QVERIFY(second != first);
    QVERIFY(QFileInfo(second).isFile());
    QVERIFY(QFileInfo(first).isFile());
    QCOMPARE(QDir(temp.path()).entryList(QDir::Files).size(), 2);
}

void TstPlatformFiles::tempFileInGivenFolder() {
    QTemporaryDir temp;
    QTemporaryDir other;
    QString path;
    // The folder argument wins over the temporary folder; only three prefix characters are used.
    QVERIFY(ModTempFile(other.path(), QStringLiteral("abcdef"), path, temp.path()));
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(other.path()).absolutePath());
    QVERIFY(QRegularExpression(QStringLiteral("^abc[0-9A-F]{1,4}\\.tmp$"))
                .match(QFileInfo(path).fileName())
                .hasMatch());
    QVERIFY(QDir(temp.path()).entryList(QDir::Files).isEmpty());
}

void TstPlatformFiles::tempFileWithoutFolder() {
    QTemporaryDir temp;
    QString path = QStringLiteral("keep");
    QVERIFY(!ModTempFile(QString(), QStringLiteral("~my"), path, QString()));
    QCOMPARE(path, QStringLiteral("keep"));
    const QString missing = temp.filePath(QStringLiteral("no/such/folder"));
    QVERIFY(!ModTempFile(QString(), QStringLiteral("~my"), path, missing));
    QCOMPARE(path, QStringLiteral("keep"));
    QVERIFY(!ModTempFile(missing, QStringLiteral("~my"), path, temp.path()));
    QCOMPARE(path, QStringLiteral("keep"));
    QVERIFY(QDir(temp.path()).entryList(QDir::Files).isEmpty());
}

void TstPlatformFiles::tempFileInUnwritableFolder() {
    // /proc takes no new files, not even from root; the call must give up, not loop 65535 times.
    QString path = QStringLiteral("keep");
    QVERIFY(!ModTempFile(QStringLiteral("/proc"), QStringLiteral("~my"), path, QString()));
    QCOMPARE(path, QStringLiteral("keep"));
}

void TstPlatformFiles::lockTwiceInOneProcess() {
    QTemporaryDir temp;
    auto first = std::make_unique<SingleInstance>(temp.path());
    QVERIFY(first->tryAcquire());
    QVERIFY(first->tryAcquire());  // asking again keeps it
    {
        SingleInstance second(temp.path());
        QVERIFY(!second.tryAcquire());
    }
    // Another name is another lock.
    SingleInstance otherName(temp.path(), QStringLiteral("other"));
    QVERIFY(otherName.tryAcquire());
    first.reset();  // released at the end of the run
    SingleInstance third(temp.path());
    QVERIFY(third.tryAcquire());
}

void TstPlatformFiles::lockHeldByAnotherProcess() {
    QTemporaryDir temp;
    QProcess holder;
    QCOMPARE(StartChild(holder, QStringLiteral("hold"), temp.path()), QStringLiteral("locked"));

    SingleInstance here(temp.path());
    QVERIFY(!here.tryAcquire());
    // A live holder keeps its lock however old the lock file is.
    const QString lockPath = QDir(temp.path()).filePath(QStringLiteral("ienedancho.lock"));
    QVERIFY(QFileInfo::exists(lockPath));
    {
        QFile lockFile(lockPath);
        QVERIFY(lockFile.open(QIODevice::ReadWrite));
        QVERIFY(lockFile.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                     QFileDevice::FileModificationTime));
    }
    QVERIFY(!here.tryAcquire());

    // This process holds nothing, so a third one is refused as well.
    QProcess third;
    QCOMPARE(StartChild(third, QStringLiteral("try"), temp.path()), QStringLiteral("busy"));
    QVERIFY(third.waitForFinished(10000));

    // The holder ends normally: the lock is free.
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QVERIFY(here.tryAcquire());

    // Now this process holds it and a child is refused.
    QProcess late;
    QCOMPARE(StartChild(late, QStringLiteral("try"), temp.path()), QStringLiteral("busy"));
    QVERIFY(late.waitForFinished(10000));
}

void TstPlatformFiles::lockOfAKilledProcessIsTakenOver() {
    QTemporaryDir temp;
    QProcess holder;
    QCOMPARE(StartChild(holder, QStringLiteral("hold"), temp.path()), QStringLiteral("locked"));
    SingleInstance here(temp.path());
    QVERIFY(!here.tryAcquire());

    holder.kill();  // SIGKILL: no clean-up runs in the holder
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(holder.exitStatus(), QProcess::CrashExit);
    QVERIFY(QFileInfo::exists(QDir(temp.path()).filePath(QStringLiteral("ienedancho.lock"))));

    QVERIFY(here.tryAcquire());
    QProcess late;
    QCOMPARE(StartChild(late, QStringLiteral("try"), temp.path()), QStringLiteral("busy"));
    QVERIFY(late.waitForFinished(10000));
}

void TstPlatformFiles::lockSharedWithQLockFile() {
    // Earlier versions took the same lock files with QLockFile: each must see the other's hold.
    QTemporaryDir temp;
    const QString path = QDir(temp.path()).filePath(QStringLiteral("ienedancho.lock"));
    {
        QLockFile earlier(path);
        earlier.setStaleLockTime(0);
        QVERIFY(earlier.tryLock(0));
        FileLock lock(path);
        QCOMPARE(lock.tryLock(), FileLock::Result::Busy);
    }
    FileLock lock(path);
    QCOMPARE(lock.tryLock(), FileLock::Result::Taken);
    QCOMPARE(lock.tryLock(), FileLock::Result::Taken);  // asking again keeps it
    QLockFile earlier(path);
    earlier.setStaleLockTime(0);
    QVERIFY(!earlier.tryLock(0));
    QCOMPARE(earlier.error(), QLockFile::LockFailedError);
    // Let go, the file is gone and the lock free for either.
    lock.unlock();
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(earlier.tryLock(0));
    earlier.unlock();
    // A folder that takes no file is no other holder.
    FileLock nowhere(QStringLiteral("/proc/ienedancho.lock"));
    QCOMPARE(nowhere.tryLock(), FileLock::Result::Failed);
}

void TstPlatformFiles::instanceServerTakesWholeRequestsOnly() {
    QTemporaryDir temp;
    const QString path = InstanceServer::pathIn(temp.path());
    // A killed copy's socket is in the way; the copy that holds the lock replaces it.
    QVERIFY(WriteFile(path));
    QVERIFY(!InstanceServer::askToRaise(path));
    auto server = std::make_unique<InstanceServer>(path);
    QSignalSpy raised(server.get(), &InstanceServer::raiseRequested);
    QVERIFY(server->listen());
    QVERIFY(server->listen());  // already listening
    QCOMPARE(QFileInfo(path).permissions() &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
             QFileDevice::Permissions());

    QVERIFY(InstanceServer::askToRaise(path));
    QTRY_COMPARE(raised.size(), 1);
    // A request that arrives in pieces counts once it is whole; other lines count for nothing.
    const int pieces = SendRaw(path, "hello\nrai");
    QVERIFY(pieces >= 0);
    QTest::qWait(50);
    QCOMPARE(raised.size(), 1);
    QVERIFY(::write(pieces, "se\nraise", 8) == 8);
    QTRY_COMPARE(raised.size(), 2);
    ::close(pieces);  // the unfinished "raise" goes with the connection
    // A line longer than any request ends its connection unheard.
    const int flood = SendRaw(path, QByteArray(4096, 'x') + "\nraise\n");
    QVERIFY(flood >= 0);
    QVERIFY(InstanceServer::askToRaise(path));
    QTRY_COMPARE(raised.size(), 3);
    QTest::qWait(50);
    QCOMPARE(raised.size(), 3);
    ::close(flood);

    server.reset();
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!InstanceServer::askToRaise(path));
}

void TstPlatformFiles::scratchFilesAreOwnerOnly() {
    QTemporaryDir temp;
    QString claimed;
    const auto claim = CreateClaimedTempFile(temp.path(), QStringLiteral("~my"), claimed);
    QVERIFY(claim);
    QCOMPARE(QFileInfo(claimed).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(QFileInfo(claimed).size(), qint64(0));
    QString none = QStringLiteral("keep");
    QVERIFY(!CreateClaimedTempFile(QString(), QStringLiteral("~my"), none));
    QVERIFY(!CreateClaimedTempFile(QStringLiteral("/proc"), QStringLiteral("~my"), none));
    QCOMPARE(none, QStringLiteral("keep"));
}

void TstPlatformFiles::staleScratchFilesRemoved() {
    QTemporaryDir temp;
    QProcess running;
    QProcess killed;
    const QString live = StartChild(running, QStringLiteral("scratch"), temp.path());
    const QString dead = StartChild(killed, QStringLiteral("scratch"), temp.path());
    QVERIFY2(QFileInfo(live).isFile() && QFileInfo(dead).isFile(), qPrintable(live + dead));
    // Runs whose scratch file is gone (taken away during the run), one killed, one still going:
    // only the dead one's lock goes.
    QProcess killedWithoutFile;
    QProcess runningWithoutFile;
    const QString deadLock = StartChild(killedWithoutFile, QStringLiteral("scratch"), temp.path()) +
                             QStringLiteral(".lock");
    const QString liveLock =
        StartChild(runningWithoutFile, QStringLiteral("scratch"), temp.path()) +
        QStringLiteral(".lock");
    QVERIFY(QFile::remove(deadLock.chopped(5)) && QFile::remove(liveLock.chopped(5)));
    for (QProcess* child : {&killed, &killedWithoutFile}) {
        child->kill();
        QVERIFY(child->waitForFinished(10000));
    }
    QVERIFY(QFile::exists(dead + QStringLiteral(".lock")) && QFile::exists(deadLock));
    // A left-over with no claim at all, and files that are not scratch files.
    const QString unclaimed = temp.filePath(QStringLiteral("~my1F.tmp"));
    QVERIFY(WriteFile(unclaimed));
    QStringList others{temp.filePath(QStringLiteral("~myXYZ.tmp")),
                       temp.filePath(QStringLiteral("~my12.tmp.bak")),
                       temp.filePath(QStringLiteral("other.tmp"))};
    for (const QString& other : others)
        QVERIFY(WriteFile(other));

    QCOMPARE(RemoveStaleScratchFiles(temp.path(), QStringLiteral("~my")), 2);
    QVERIFY(!QFile::exists(dead));
    QVERIFY(!QFile::exists(unclaimed));
    QVERIFY(QFile::exists(live));
    QVERIFY(!QFile::exists(dead + QStringLiteral(".lock")) && !QFile::exists(deadLock));
    QVERIFY(QFile::exists(live + QStringLiteral(".lock")) && QFile::exists(liveLock));
    for (const QString& other : others)
        QVERIFY(QFile::exists(other));
    runningWithoutFile.closeWriteChannel();
    QVERIFY(runningWithoutFile.waitForFinished(10000));

    // Once the running copy has ended without removing its file, the file is a left-over too.
    running.closeWriteChannel();
    QVERIFY(running.waitForFinished(10000));
    QCOMPARE(RemoveStaleScratchFiles(temp.path(), QStringLiteral("~my")), 1);
    QVERIFY(!QFile::exists(live));
    QCOMPARE(QDir(temp.path()).entryList(QDir::Files).size(), others.size());
}

int main(int argc, char** argv) {
    const QByteArray mode = qgetenv(kModeVar);
    if (!mode.isEmpty()) {
        QCoreApplication app(argc, argv);
        return RunLockChild(mode, qEnvironmentVariable(kDirVar));
    }
    QCoreApplication app(argc, argv);
    TstPlatformFiles test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_platform_files.moc"
