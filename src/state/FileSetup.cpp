#include "state/FileSetup.h"

#include "common/AppError.h"
#include "common/Cp932.h"
#include "platform/FileLocations.h"
#include "platform/IniFile.h"
#include "platform/SafeWrite.h"
#include "state/ModGlobal.h"
#include "state/UserDatabase.h"

#include <QDir>
#include <QFileInfo>

namespace ie {

namespace {

QString Join(const QString& folder, const QString& name) {
    return folder + QLatin1Char('/') + name;
}

AppError CannotWrite(const QString& what, const QString& folder, const QString& why) {
    return AppError(errors::kFileIo,
                    what + QStringLiteral("のフォルダ ") + QDir::toNativeSeparators(folder) +
                        QStringLiteral(" に書き込めません。") + QLatin1Char('\r') + why +
                        QLatin1Char('\r') + QStringLiteral("プログラムを終了します。"));
}

// A settings file with no settings yet, in the settings file's own format (CP932, CR LF).
bool CreateSettingsFile(const QString& path, QString* why) {
    CheckedSaveFile file(path);
    const QByteArray content = cp932::Encode(QStringLiteral("; いえねだん帳の設定")) + "\r\n";
    if (!file.open() || !file.write(content) || !file.commit()) {
        *why = file.cause();
        return false;
    }
    return true;
}

void LocatePortable(ModGlobal& g) {
    g.IniFilePath = Join(g.ProgramFolder, IniFileName());
    if (QFileInfo::exists(g.IniFilePath)) {
        g.DbPath = FolderFromSettings(ModReadIniFile(g.IniFilePath), g.ProgramFolder);
    } else {
        g.DbPath = g.ProgramFolder;
        // A folder the settings file cannot hold undamaged is not written: the next start takes
        // the program's folder again.
        ModWriteIniFile(g.IniFilePath, FolderForSettings(g.DbPath, g.ProgramFolder));
    }
    g.SysDbPath = Join(g.DbPath, SysDbName());
    g.UsrDbPath = Join(g.DbPath, UsrDbName());
    g.TradesDbPath = Join(g.DbPath, TradesDbName());
}

void LocateInstalled(ModGlobal& g) {
    if (g.Folders.reference.isEmpty()) {
        g.Folders = UserFoldersFor(g.ProgramFolder);
    }
    const UserFolders& f = g.Folders;
    const QString settings = QStringLiteral("設定ファイル");
    QString why;
    if (!MakeUserFolder(f.config, &why)) {
        throw CannotWrite(settings, f.config, why);
    }
    g.IniFilePath = Join(f.config, IniFileName());
    if (!QFileInfo::exists(g.IniFilePath) && !CreateSettingsFile(g.IniFilePath, &why)) {
        throw CannotWrite(settings, f.config, why);
    }

    const QString installedSysDb = Join(f.reference, SysDbName());
    // Its folder is made by the first import.
    g.TradesDbPath = Join(f.data, TradesDbName());
    const QString chosen = ModReadIniFile(g.IniFilePath);
    if (!chosen.isEmpty()) {
        // The folder the user chose in 環境設定. What is missing there is reported by the file
        // check as ever; only the reference data may come from the install instead.
        g.DbPath = FolderFromSettings(chosen, g.ProgramFolder);
        g.UsrDbPath = Join(g.DbPath, UsrDbName());
        const QString own = Join(g.DbPath, SysDbName());
        g.SysDbImmutable = !QFileInfo(own).isFile();
        g.SysDbPath = g.SysDbImmutable ? installedSysDb : own;
        return;
    }

    const QString userDb = QStringLiteral("ユーザーデータベース");
    if (!MakeUserFolder(f.data, &why)) {
        throw CannotWrite(userDb, f.data, why);
    }
    g.DbPath = f.data;
    g.UsrDbPath = Join(f.data, UsrDbName());
    g.SysDbPath = installedSysDb;
    g.SysDbImmutable = true;
    // Only a missing file is made; anything under that name, database or not, is left alone for
    // the checks that follow to report.
    if (!QFileInfo::exists(g.UsrDbPath)) {
        try {
            CreateUserDatabase(g.UsrDbPath);
        } catch (const AppError& e) {
            throw CannotWrite(userDb, f.data, e.description());
        }
    }
}

}  // namespace

void LocateFiles(ModGlobal& g) {
    g.SysDbImmutable = false;
    g.Mode = DecideFileMode(g.ProgramFolder);
    if (g.Mode == FileMode::Portable) {
        LocatePortable(g);
        return;
    }
    LocateInstalled(g);
}

}  // namespace ie
