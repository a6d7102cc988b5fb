#pragma once

#include "platform/Database.h"
#include "platform/FileLocations.h"
#include "state/BukkenJoho.h"

#include <QString>

#include <functional>
#include <optional>

namespace ie {

class UiServices;

// The program-wide values: paths, the two connections and the current property. One instance lives
// as long as the main window and is handed to every window.
struct ModGlobal {
    QString ProgramFolder;  // folder of the program file
    // Where the files live (set at start-up), and the per-user folders installed mode uses
    // (main() takes them from the environment; tests give their own).
    FileMode Mode = FileMode::Portable;
    UserFolders Folders;
    QString IniFilePath;
    QString DbPath;
    QString SysDbPath;
    QString UsrDbPath;
    // The imported trades: in the user's data folder, beside the user database in portable mode.
    // Never inside the user database, so that damage to one never reaches the other.
    QString TradesDbPath;
    // The reference database is the installed one, opened immutable and never written.
    bool SysDbImmutable = false;
    // Set at start-up when the user database may only be read (a later version's file, or one
    // that could not be upgraded): its connection opens read-only, saving and deleting are off.
    bool UsrDbReadOnly = false;
    // How long a statement on the user database waits for a lock another copy holds before it
    // fails as busy (a save of a large photo may hold it for many seconds).
    int UsrDbBusyLimitMs = 30000;

    db::Connection SysDbCon;
    db::Connection UsrDbCon;

    BukkenJoho Bukken;
};

// Which of the files the program holds open path is (by any spelling or link), named for the user
// ("ユーザーデータベース"), or empty: an export or a saved PDF must never write over one of them.
QString OwnFileAt(const ModGlobal& g, const QString& path);

// "Provider = Microsoft.jet.OLEDB.3.51;Data Source=" + path.
QString ConnectionString(const QString& path);

// Open a connection; throw AppError (the database layer's, unchanged) on failure, nothing left
// open. Another program's database (none of this program's tables) throws kNotOurDatabase. The
// user database's statements wait up to UsrDbBusyLimitMs for another copy's lock, calling
// waiting (when given) after 2 s of it.
void OpenSysDb(ModGlobal& g);
void OpenUsrDb(ModGlobal& g, std::function<void(qint64)> waiting = nullptr);
// The number of the failure of a database of another program (Access's "unrecognized database
// format"); its description is the whole text to show.
inline constexpr int kNotOurDatabase = 3343;
// A failed open named by what failed: "<which database><path>への接続失敗" as its context, or, for
// kNotOurDatabase, its sentence alone (it already names the file).
AppError ConnectFailure(const AppError& e, const QString& which, const QString& path);
// Its message text.
QString ConnectFailureText(const AppError& e, const QString& which, const QString& path);

// Open a connection; on failure return false with nothing left open and, when failure is given,
// the failure named by ConnectFailure. Nothing is shown: the window that asked shows it. ui is
// for the busy note only: a save waiting on another copy of the program says so and keeps the
// window painted.
bool ModSysDbOpen(ModGlobal& g, std::optional<AppError>* failure = nullptr);
// The note shown while a save waits for another copy of the program to finish its own.
QString BusyNoteText();
bool ModUsrDbOpen(ModGlobal& g, UiServices& ui, QWidget* parent,
                  std::optional<AppError>* failure = nullptr);
// Close the connection. Closing a closed connection does nothing.
void ModSysDbClose(ModGlobal& g);
void ModUsrDbClose(ModGlobal& g);

enum class Database { System, User };

// Opens one of the two connections on construction and closes it on every way out of the scope.
// A failed open is kept, not shown: a window shows failure(), logic throws it (require()).
template <Database which>
class DbSession {
public:
    DbSession(ModGlobal& g, UiServices& ui, QWidget* parent)
        : g_(g),
          ok_(which == Database::System ? ModSysDbOpen(g, &failure_)
                                        : ModUsrDbOpen(g, ui, parent, &failure_)) {}
    ~DbSession() { close(); }
    DbSession(const DbSession&) = delete;
    DbSession& operator=(const DbSession&) = delete;
    bool ok() const { return ok_; }
    // Why the open failed; only when !ok() before any close().
    const AppError& failure() const { return *failure_; }
    void require() const {
        if (!ok_ && failure_)
            throw *failure_;
    }
    void close() {
        if (ok_) {
            if (which == Database::System)
                ModSysDbClose(g_);
            else
                ModUsrDbClose(g_);
            ok_ = false;
        }
    }

private:
    ModGlobal& g_;
    std::optional<AppError> failure_;
    bool ok_;
};

// Named classes rather than aliases, so that headers can declare them ahead.
class SysDbSession : public DbSession<Database::System> {
    using DbSession::DbSession;
};
class UsrDbSession : public DbSession<Database::User> {
    using DbSession::DbSession;
};

}  // namespace ie
