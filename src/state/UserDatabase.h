#pragma once

#include <QDate>
#include <QString>

#include <functional>
#include <vector>

namespace ie {

namespace db {
class Connection;
}

// The layout of the user database (Morinaxis_u.mdb) and its versions.
//
// A file carries its layout version in PRAGMA user_version. Version 1 is the layout of
// data/user.sql; a file without a version (user_version 0) is a version-1 file. Every later
// version is reached by one step. A new file is made from the version-1 schema plus every step,
// so that a new file and an upgraded one have the same layout.

// One step of the layout: from version - 1 to version. apply runs in a transaction of its own (the
// upgrade sets the version in the same one) on a read-write connection and throws AppError on
// failure. present, when given, tells whether a file already holds what the step makes, so that a
// file is upgraded by what it holds and a step is never applied twice.
struct UserDbStep {
    int version = 0;
    std::function<void(db::Connection&)> apply;
    std::function<bool(db::Connection&)> present = nullptr;
};

// The program's steps in landing order.
const std::vector<UserDbStep>& UserDbSteps();
// The version this program reads and writes: the last step's.
int UserDbVersion();

// The version of the file at path, 0 read as 1. Opens the file read-only; throws AppError.
int ReadUserDbVersion(const QString& path);

// Makes a new, empty user database at path: data/user.sql, then every step, then the version.
// The file is built under a temporary name beside it and renamed into place, so that an
// interrupted build leaves no half database; an existing file is never replaced (AppError).
void CreateUserDatabase(const QString& path);
void CreateUserDatabase(const QString& path, const std::vector<UserDbStep>& steps);

// Copies a file to a new file of that name, never replacing one. The copy is flushed to disk.
// A failure removes what was written and throws AppError naming the file and the cause (a full
// disk in the words of every other failed write).
void CopyToNewFile(const QString& from, const QString& to);

// The backup name of an upgrade made on today: "<path>.bak-yyyymmdd", or the first of
// "<path>.bak-yyyymmdd-2", "-3", ... that does not exist yet.
QString UserDbBackupPath(const QString& path, const QDate& today);

// What start-up found and did, for the window to act on and show.
struct UserDbCheck {
    enum class State {
        Current,   // this program's version: nothing done
        Upgraded,  // backed up to backupPath, then upgraded
        ReadOnly,  // to be opened read-only; message says why
        // Not readable as a user database (not a database at all, no 物件情報 table): left as
        // it is for the ordinary open to report.
        Unchecked,
    };
    State state = State::Current;
    int version = 0;  // the file's version as found (0 when unread)
    QString message;  // for ReadOnly: the text to show
    QString backupPath;
};

// The text shown for a file of a later version.
QString NewerUserDbMessage();

// The seams of an upgrade: the steps and the backup copy (tests inject failing ones).
struct UserDbUpgrade {
    std::vector<UserDbStep> steps = UserDbSteps();
    std::function<void(const QString& from, const QString& to)> copy = CopyToNewFile;
};

// Brings the user database at path to the program's version before its first use, judged afresh
// at every start from the file itself: its version (read without touching a journal, so that a
// later version's file is never rolled back or written) and, once any journal of this program's
// own has been rolled back, the columns it holds. An older file is copied to its backup name (a
// whole copy or nothing under that name; the leftovers of a copy cut off earlier are removed),
// then every missing step runs in a transaction of its own. An upgrade cut off anywhere is thus
// finished by the next start. When the backup or the first step fails, the file is left byte for
// byte as it was (the backup just made is removed); a later step's failure leaves the steps
// before it, and the backup. Either way the file is to be opened read-only. A file of a later
// version, a damaged file and one that cannot be written are not touched and are to be opened
// read-only as well. Never shows anything: the message comes back in the result.
UserDbCheck PrepareUserDatabase(const QString& path, const QDate& today,
                                const UserDbUpgrade& how = {});

}  // namespace ie
