#include "platform/FileLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef IE_REFERENCE_FROM_BIN
#define IE_REFERENCE_FROM_BIN "../share/ienedancho"
#endif

namespace ie {

namespace {

const QString kAppFolder = QStringLiteral("ienedancho");

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The name of the user with this id, or the id when it has none.
QString UserName(uid_t uid) {
    const passwd* pw = ::getpwuid(uid);
    if (pw == nullptr || pw->pw_name == nullptr) {
        return QStringLiteral("UID %1").arg(uid);
    }
    return QString::fromLocal8Bit(pw->pw_name);
}

QString Clean(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

}  // namespace

QString IniFileName() {
    return QStringLiteral("Morinaxis.ini");
}

QString SysDbName() {
    return QStringLiteral("Morinaxis_s.mdb");
}

QString UsrDbName() {
    return QStringLiteral("Morinaxis_u.mdb");
}

QString TradesDbName() {
    return QStringLiteral("Torihiki_t.sqlite");
}

FileMode DecideFileMode(const QString& programFolder) {
    const QDir dir(programFolder);
    if (QFileInfo(dir.filePath(IniFileName())).isFile()) {
        return FileMode::Portable;
    }
    const bool databases = QFileInfo(dir.filePath(SysDbName())).isFile() &&
                           QFileInfo(dir.filePath(UsrDbName())).isFile();
    // Both databases beside a program that may not write there is an install that happens to
    // ship them: the user's files must go elsewhere.
    if (databases && ::access(QFile::encodeName(programFolder).constData(), W_OK) == 0) {
        return FileMode::Portable;
    }
    return FileMode::Installed;
}

UserFolders UserFoldersFor(const QString& programFolder) {
    // Without a home folder there is no user folder at all (left empty, refused when made),
    // rather than one at the root of the file system.
    const auto inside = [](QStandardPaths::StandardLocation where) {
        const QString base = QStandardPaths::writableLocation(where);
        return base.isEmpty() ? QString() : base + QLatin1Char('/') + kAppFolder;
    };
    UserFolders out;
    out.config = inside(QStandardPaths::GenericConfigLocation);
    out.data = inside(QStandardPaths::GenericDataLocation);
    out.reference =
        QDir::cleanPath(programFolder + QLatin1Char('/') + QStringLiteral(IE_REFERENCE_FROM_BIN));
    return out;
}

QString FolderForSettings(const QString& folder, const QString& programFolder) {
    if (!folder.isEmpty() && !programFolder.isEmpty() &&
        Clean(QDir::fromNativeSeparators(folder)) == Clean(programFolder)) {
        return QStringLiteral(".");
    }
    return folder;
}

QString FolderFromSettings(const QString& value, const QString& programFolder) {
    if (value.isEmpty() || QDir::isAbsolutePath(value)) {
        return value;
    }
    // Resolved against the program's folder, never the current folder: a start from another
    // folder (a menu entry, a terminal elsewhere) must find the same databases.
    return QDir::cleanPath(programFolder + QLatin1Char('/') + value);
}

bool MakeUserFolder(const QString& folder, QString* errorText) {
    auto fail = [errorText](const QString& why) {
        if (errorText != nullptr) {
            *errorText = why;
        }
        return false;
    };
    if (folder.isEmpty()) {
        return fail(QStringLiteral("フォルダが決まりません（HOME が設定されていません）。"));
    }
    const QString path = Clean(folder);
    // Each missing part is made here, owner-only: the folders hold the user's own records.
    QString walked;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(walked);
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
            return fail(SystemError(errno));
        }
    }
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        return fail(SystemError(errno));
    }
    if (!S_ISDIR(st.st_mode)) {
        return fail(SystemError(ENOTDIR));
    }
    if (::access(native.constData(), W_OK | X_OK) != 0) {
        return fail(SystemError(errno));
    }
    return true;
}

QString RuntimeFolder(QString* errorText) {
    auto fail = [errorText](const QString& why) {
        if (errorText != nullptr) {
            *errorText = why;
        }
        return QString();
    };
    // $XDG_RUNTIME_DIR is the system's folder for this user alone. Without it Qt would fall back
    // to /tmp/runtime-<name>, a name any other local user can take first; the fallback here lies
    // in the user's own cache folder instead, where no one else can make anything.
    const QString system = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat st {};
    QString folder;
    if (system.startsWith(QLatin1Char('/')) &&
        ::stat(QFile::encodeName(system).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::geteuid()) {
        folder = system + QLatin1Char('/') + kAppFolder;
    } else {
        const QString cache =
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        QString why;
        if (!MakeUserFolder(cache, &why)) {
            return fail(cache + QStringLiteral(": ") + why);
        }
        folder = Clean(cache) + QLatin1Char('/') + kAppFolder + QStringLiteral("-runtime");
    }
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return fail(folder + QStringLiteral(": ") + SystemError(errno));
    }
    // Not followed if it is a link: another user could have put one there.
    if (::lstat(native.constData(), &st) != 0) {
        return fail(folder + QStringLiteral(": ") + SystemError(errno));
    }
    if (!S_ISDIR(st.st_mode)) {
        return fail(folder + QStringLiteral(": フォルダではないため使えません。"));
    }
    if (st.st_uid != ::geteuid()) {
        return fail(folder + QStringLiteral(": 別のユーザー（%1）のフォルダのため使えません。")
                                 .arg(UserName(st.st_uid)));
    }
    if ((st.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0) {
        return fail(folder + QStringLiteral(": ") + SystemError(errno));
    }
    return folder;
}

}  // namespace ie
