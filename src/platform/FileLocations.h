#pragma once

#include <QString>

namespace ie {

// Where the program keeps its files.
//
// Portable: everything beside the program (the build tree, a folder copied by hand). Chosen when
// the program's folder holds the settings file, or holds both databases and may be written.
// Installed: the program lives read-only under a prefix; the settings file goes to the user's
// configuration folder, the user database to the user's data folder, and the reference database
// is read from the prefix's share folder.
enum class FileMode { Portable, Installed };

QString IniFileName();  // "Morinaxis.ini"
QString SysDbName();    // "Morinaxis_s.mdb"
QString UsrDbName();    // "Morinaxis_u.mdb"
// The trades imported from the open price data, a database of their own that the program can
// always make again from the downloads.
QString TradesDbName();  // "Torihiki_t.sqlite"

FileMode DecideFileMode(const QString& programFolder);

// The per-user folders of installed mode.
struct UserFolders {
    QString config;     // the settings file's: $XDG_CONFIG_HOME/ienedancho
    QString data;       // the user database's: $XDG_DATA_HOME/ienedancho
    QString reference;  // the installed reference database's: <prefix>/share/ienedancho
};

// The folders from the XDG variables (their defaults under the home folder when unset) and, for
// the reference database, the share folder that lies where the install put it relative to the
// program's folder, so that a prefix can be moved whole.
UserFolders UserFoldersFor(const QString& programFolder);

// The folder as the settings file holds it: "." for the program's own folder, so that a copy of
// the folder uses its own databases; any other folder as it is.
QString FolderForSettings(const QString& folder, const QString& programFolder);
// The folder a settings value means: a relative one (".") against the program's folder; an
// absolute one as it is; an empty one stays empty.
QString FolderFromSettings(const QString& value, const QString& programFolder);

// Makes folder and its missing parents, those it creates readable by the owner only. False with
// the reason in errorText when the folder cannot be made or is not a writable folder.
bool MakeUserFolder(const QString& folder, QString* errorText);

// The per-user folder for the program's run-time files (single-instance lock, scratch photo):
// $XDG_RUNTIME_DIR/ienedancho, or, when that variable is unset or not the user's own folder,
// ienedancho-runtime in the user's cache folder ($XDG_CACHE_HOME, else ~/.cache). Created on first
// use; always owner-only (0700), and refused when it is not the user's own folder (the reason
// then names its owner). Empty, with the reason in errorText, when no such folder can be had.
QString RuntimeFolder(QString* errorText = nullptr);

}  // namespace ie
