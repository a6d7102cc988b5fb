// The settings file: bytes on disk when writing, what reading returns, and bad files.
#include "common/Cp932.h"
#include "platform/IniFile.h"
#include "support/Permissions.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace ie;

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray("<unreadable>");
    }
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray Sjis(const QString& s) {
    return cp932::Encode(s);
}

}  // namespace

class TstPlatformIni : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void newFileIsExactlyTwoLines();
    void replacesOnlyTheKeyLine();
    void addsKeyToExistingSection();
    void addsSectionToExistingFile();
    void keepsLfOnlyLines();
    void readMatchesWithoutCaseAndTrims();
    void readGivesEmptyWhenMissing_data();
    void readGivesEmptyWhenMissing();
    void readCutsAt254Bytes();
    void garbageFileNeverCrashes();
    void unrepresentableIsRefused();
    void valueReadBackChangedIsRefused();
    void failedWriteIsReported();
    void readOnlyFolderIsReported();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
};

void TstPlatformIni::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    path_ = dir_->filePath(QStringLiteral("Morinaxis.ini"));
}

void TstPlatformIni::newFileIsExactlyTwoLines() {
    const QString folder = QStringLiteral("/home/user/いえねだん帳");
    QString error;
    QCOMPARE(ModWriteIniFile(path_, folder, &error), ini::WriteResult::Ok);
    QCOMPARE(ReadBytes(path_), QByteArray("[DB_PATH]\r\nDB_PATH1=/home/user/") +
                                   QByteArray::fromHex("82a282a682cb82be82f192a0") +
                                   QByteArray("\r\n"));
    QCOMPARE(ModReadIniFile(path_), folder);
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("Morinaxis.ini")});
}

void TstPlatformIni::replacesOnlyTheKeyLine() {
    const QByteArray before = QByteArray(
                                  "; settings of the program\r\n"
                                  "[Other]\r\n"
                                  "key = value \r\n"
                                  "DB_PATH1=/not/this/one\r\n"
                                  "\r\n"
                                  "[db_path]\r\n"
                                  "; folder below\r\n"
                                  "  Db_Path1  =  /old/folder  \r\n"
                                  "DB_PATH2=") +
                              Sjis(QStringLiteral("漢字")) +
                              QByteArray(
                                  "\r\n"
                                  "[Last]\r\n"
                                  "z=1");  // no line end at the end of the file
    WriteBytes(path_, before);
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/old/folder"));

    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/new/フォルダ")), ini::WriteResult::Ok);
    QByteArray expected = before;
    expected.replace("  Db_Path1  =  /old/folder  \r\n",
                     QByteArray("Db_Path1=/new/") + Sjis(QStringLiteral("フォルダ")) + "\r\n");
    QCOMPARE(ReadBytes(path_), expected);
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/new/フォルダ"));
    QCOMPARE(ini::ReadString(path_, QStringLiteral("Other"), QStringLiteral("DB_PATH1")),
             QStringLiteral("/not/this/one"));
    QCOMPARE(ini::ReadString(path_, QStringLiteral("LAST"), QStringLiteral("Z")),
             QStringLiteral("1"));
}

void TstPlatformIni::addsKeyToExistingSection() {
    WriteBytes(path_, "[DB_PATH]\r\nOTHER=1\r\n\r\n[X]\r\na=1\r\n");
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/f")), ini::WriteResult::Ok);
    QCOMPARE(ReadBytes(path_),
             QByteArray("[DB_PATH]\r\nOTHER=1\r\nDB_PATH1=/f\r\n\r\n[X]\r\na=1\r\n"));

    // A section that is the last one and has no line end.
    WriteBytes(path_, "[DB_PATH]");
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/g")), ini::WriteResult::Ok);
    QCOMPARE(ReadBytes(path_), QByteArray("[DB_PATH]\r\nDB_PATH1=/g\r\n"));
}

void TstPlatformIni::addsSectionToExistingFile() {
    WriteBytes(path_, "[X]\r\na=1");
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/f")), ini::WriteResult::Ok);
    QCOMPARE(ReadBytes(path_), QByteArray("[X]\r\na=1\r\n[DB_PATH]\r\nDB_PATH1=/f\r\n"));

    // An empty file is like a new one.
    WriteBytes(path_, "");
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/e")), ini::WriteResult::Ok);
    QCOMPARE(ReadBytes(path_), QByteArray("[DB_PATH]\r\nDB_PATH1=/e\r\n"));
}

void TstPlatformIni::keepsLfOnlyLines() {
    WriteBytes(path_, "[DB_PATH]\nDB_PATH1=/a\n# other\n");
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/a"));
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/b")), ini::WriteResult::Ok);
    QCOMPARE(ReadBytes(path_), QByteArray("[DB_PATH]\nDB_PATH1=/b\n# other\n"));
}

void TstPlatformIni::readMatchesWithoutCaseAndTrims() {
    WriteBytes(path_, "\t[ db_path ]\r\n\tdb_path1 = \t /srv/data  \t\r\n");
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/srv/data"));
    // Inner spaces are kept.
    WriteBytes(path_,
               "[DB_PATH]\r\nDB_PATH1=  /my data/" + Sjis(QStringLiteral("物件")) + "  \r\n");
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/my data/物件"));
    // A value in quotes is read without them.
    WriteBytes(path_, "[DB_PATH]\r\nDB_PATH1=\"/quoted \"\r\n");
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/quoted "));
    // Only ASCII letters fold: a full-width name is another name.
    WriteBytes(path_, QByteArray("[DB_PATH]\r\n") + Sjis(QStringLiteral("ＤＢ_PATH1")) + "=/x\r\n");
    QCOMPARE(ModReadIniFile(path_), QString());
    // The first of two matching sections and keys counts.
    WriteBytes(
        path_,
        "[DB_PATH]\r\nDB_PATH1=/first\r\ndb_path1=/second\r\n[DB_PATH]\r\nDB_PATH1=/third\r\n");
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/first"));
}

void TstPlatformIni::readGivesEmptyWhenMissing_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("no section") << QByteArray("[OTHER]\r\nDB_PATH1=/x\r\n");
    QTest::newRow("no key") << QByteArray("[DB_PATH]\r\nDB_PATH2=/x\r\n");
    QTest::newRow("empty value") << QByteArray("[DB_PATH]\r\nDB_PATH1=\r\n");
    QTest::newRow("spaces only") << QByteArray("[DB_PATH]\r\nDB_PATH1=    \r\n");
    QTest::newRow("no equals sign") << QByteArray("[DB_PATH]\r\nDB_PATH1\r\n");
    QTest::newRow("commented out") << QByteArray("[DB_PATH]\r\n;DB_PATH1=/x\r\n");
    QTest::newRow("key before any section") << QByteArray("DB_PATH1=/x\r\n[DB_PATH]\r\n");
    QTest::newRow("header without bracket") << QByteArray("[DB_PATH\r\nDB_PATH1=/x\r\n");
    QTest::newRow("empty file") << QByteArray();
    // A damaged value names no folder: read as none, so the missing-database messages follow.
    QTest::newRow("NUL inside") << QByteArray("[DB_PATH]\r\nDB_PATH1=/x\0/y\r\n", 27);
}

void TstPlatformIni::readGivesEmptyWhenMissing() {
    QFETCH(QByteArray, content);
    WriteBytes(path_, content);
    QCOMPARE(ModReadIniFile(path_), QString());
    QCOMPARE(ModReadIniFile(dir_->filePath(QStringLiteral("missing.ini"))), QString());
    QCOMPARE(ModReadIniFile(dir_->path()), QString());  // a folder, not a file
    // A FIFO or a device under the name: read as nothing at once, never waited on.
    const QString fifo = dir_->filePath(QStringLiteral("fifo.ini"));
    const QString zero = dir_->filePath(QStringLiteral("zero.ini"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 || QFile::exists(fifo));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero) || QFile::exists(zero));
    QCOMPARE(ModReadIniFile(fifo), QString());
    QCOMPARE(ModReadIniFile(zero), QString());
}

void TstPlatformIni::readCutsAt254Bytes() {
    const QString kanji = QStringLiteral("漢");
    // 253 ASCII bytes, then a kanji that would take bytes 254 and 255: it is left out whole.
    WriteBytes(path_,
               "[DB_PATH]\r\nDB_PATH1=" + QByteArray(253, 'a') + Sjis(kanji + u'b') + "\r\n");
    QCOMPARE(ModReadIniFile(path_), QString(253, u'a'));
    // 252 bytes and the kanji end exactly at 254.
    WriteBytes(path_,
               "[DB_PATH]\r\nDB_PATH1=" + QByteArray(252, 'a') + Sjis(kanji + u'b') + "\r\n");
    QCOMPARE(ModReadIniFile(path_), QString(252, u'a') + kanji);
    // Exactly 254 bytes stay whole; 300 are cut to 254.
    WriteBytes(path_, "[DB_PATH]\r\nDB_PATH1=" + QByteArray(254, 'x') + "\r\n");
    QCOMPARE(ModReadIniFile(path_), QString(254, u'x'));
    WriteBytes(path_, "[DB_PATH]\r\nDB_PATH1=" + QByteArray(300, 'y') + "\r\n");
    QCOMPARE(ModReadIniFile(path_), QString(254, u'y'));
    // All double-byte: 127 characters.
    WriteBytes(path_, "[DB_PATH]\r\nDB_PATH1=" + Sjis(QString(200, u'字')) + "\r\n");
    QCOMPARE(ModReadIniFile(path_), QString(127, u'字'));
    // Half-width kana count one byte each.
    WriteBytes(path_, "[DB_PATH]\r\nDB_PATH1=" + Sjis(QString(260, u'ｱ')) + "\r\n");
    QCOMPARE(ModReadIniFile(path_), QString(254, u'ｱ'));
}

void TstPlatformIni::garbageFileNeverCrashes() {
    QByteArray junk;
    QRandomGenerator rng(20260301);
    for (int i = 0; i < 200000; ++i) {
        junk.append(static_cast<char>(rng.bounded(256)));
    }
    junk.append(QByteArray(1 << 20, '\x81'));  // an overlong line of lead bytes without trail
    junk.append('\0');
    junk.append("[[]]]=\r\n=\r\n[]\r\n");
    WriteBytes(path_, junk);
    QCOMPARE(ModReadIniFile(path_), QString());
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/after/garbage")), ini::WriteResult::Ok);
    const QByteArray written = ReadBytes(path_);
    QVERIFY(written.startsWith(junk));  // the garbage itself is kept byte for byte
    QCOMPARE(written.mid(junk.size()), QByteArray("[DB_PATH]\r\nDB_PATH1=/after/garbage\r\n"));
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/after/garbage"));

    // A valid section after binary bytes is still found.
    WriteBytes(path_, QByteArray("\x00\xff\xfe\x81\r\n", 6) + "[DB_PATH]\r\nDB_PATH1=/g\r\n");
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/g"));
}

void TstPlatformIni::unrepresentableIsRefused() {
    const QByteArray before("; mine\r\n[DB_PATH]\r\nDB_PATH1=/old\r\n");
    WriteBytes(path_, before);
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/tmp/café")),
             ini::WriteResult::Unrepresentable);
    QCOMPARE(ReadBytes(path_), before);
    // A twin would be read back as the other character: refused as well.
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/tmp/a〜b")),
             ini::WriteResult::Unrepresentable);
    QCOMPARE(ReadBytes(path_), before);
    // A line break would split the line.
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/tmp/a\r\nDB_PATH1=/b")),
             ini::WriteResult::Unrepresentable);
    QCOMPARE(ReadBytes(path_), before);
    // No file is created for a refused value.
    const QString fresh = dir_->filePath(QStringLiteral("fresh.ini"));
    QCOMPARE(ModWriteIniFile(fresh, QStringLiteral("/tmp/café")),
             ini::WriteResult::Unrepresentable);
    QVERIFY(!QFile::exists(fresh));
}

void TstPlatformIni::valueReadBackChangedIsRefused() {
    // A value the next read would hand back changed is never written: a folder longer than the
    // read returns, or with spaces or quotes around it, would name another folder next time.
    const QByteArray before("[DB_PATH]\r\nDB_PATH1=/old\r\n");
    WriteBytes(path_, before);
    QString error;
    QCOMPARE(ModWriteIniFile(path_, QLatin1Char('/') + QString(253, u'ｱ') + u'ｲ', &error),
             ini::WriteResult::Unrepresentable);
    QVERIFY(error.contains(QStringLiteral("254")));
    QCOMPARE(ReadBytes(path_), before);
    // Two-byte characters: 127 kanji are 254 bytes, one more is too many.
    QCOMPARE(ModWriteIniFile(path_, QString(128, u'漢')), ini::WriteResult::Unrepresentable);
    QCOMPARE(ReadBytes(path_), before);
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/tmp/x ")), ini::WriteResult::Unrepresentable);
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral(" /tmp/x")), ini::WriteResult::Unrepresentable);
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("'/tmp/x'")), ini::WriteResult::Unrepresentable);
    QCOMPARE(ReadBytes(path_), before);

    // Exactly 254 bytes, and spaces or a quote inside the value, are written and read back whole.
    const QString longest = QLatin1Char('/') + QString(253, u'ｱ');
    QCOMPARE(ModWriteIniFile(path_, longest), ini::WriteResult::Ok);
    QCOMPARE(ModReadIniFile(path_), longest);
    QCOMPARE(ModWriteIniFile(path_, QString(127, u'漢')), ini::WriteResult::Ok);
    QCOMPARE(ModReadIniFile(path_), QString(127, u'漢'));
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/my data/it's")), ini::WriteResult::Ok);
    QCOMPARE(ModReadIniFile(path_), QStringLiteral("/my data/it's"));
}

void TstPlatformIni::failedWriteIsReported() {
    // The folder does not exist.
    QString error;
    const QString inMissing = dir_->filePath(QStringLiteral("no/such/folder/Morinaxis.ini"));
    QCOMPARE(ModWriteIniFile(inMissing, QStringLiteral("/f"), &error), ini::WriteResult::Failed);
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(inMissing));
    // The path is a folder.
    error.clear();
    QCOMPARE(ModWriteIniFile(dir_->path(), QStringLiteral("/f"), &error), ini::WriteResult::Failed);
    QVERIFY(!error.isEmpty());
    // A folder nobody can create files in, not even root.
    error.clear();
    QCOMPARE(ModWriteIniFile(QStringLiteral("/proc/Morinaxis.ini"), QStringLiteral("/f"), &error),
             ini::WriteResult::Failed);
    QVERIFY(!error.isEmpty());
}

void TstPlatformIni::readOnlyFolderIsReported() {
    IE_REQUIRE_PERMISSIONS_BIND();
    const QByteArray before("[DB_PATH]\r\nDB_PATH1=/old\r\n");
    WriteBytes(path_, before);
    QVERIFY(QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::ExeOwner));
    QString error;
    const ini::WriteResult result = ModWriteIniFile(path_, QStringLiteral("/new"), &error);
    QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(result, ini::WriteResult::Failed);
    const QString notPermitted = QStringLiteral("ファイルに書き込めません。\r") +
                                 QDir::toNativeSeparators(path_) +
                                 QStringLiteral("\r書き込みが許可されていません。");
    QCOMPARE(error, notPermitted);
    QCOMPARE(ReadBytes(path_), before);

    // A read-only file in a writable folder is not replaced either.
    QVERIFY(QFile::setPermissions(path_, QFile::ReadOwner));
    error.clear();
    QCOMPARE(ModWriteIniFile(path_, QStringLiteral("/new"), &error), ini::WriteResult::Failed);
    QCOMPARE(error, notPermitted);
    QCOMPARE(ReadBytes(path_), before);
}

QTEST_GUILESS_MAIN(TstPlatformIni)
#include "tst_platform_ini.moc"
