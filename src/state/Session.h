#pragma once

#include "common/AppError.h"
#include "state/UserDatabase.h"

#include <QDate>
#include <QStringList>

#include <functional>

namespace ie {

struct ModGlobal;

// A start-up that cannot go on: the texts to show, in order, each on its own; the program then
// ends. description() is all of them, one a line.
class StartupError : public AppError {
public:
    explicit StartupError(QStringList messages);
    const QStringList& messages() const { return messages_; }

private:
    QStringList messages_;
};

// Starts a session on g without any window, for the main window and a command line alike: settles
// this run's mode and files (LocateFiles), checks that both databases are there, brings the user
// database to this program's version (PrepareUserDatabase), and counts the saved properties into
// g.Bukken.UsrRecCount; both connections are closed again. A text the user should read while the
// session goes on (the user database opens read-only, and why) is handed to notice as it arises.
// Throws StartupError, naming the file and what is wrong, when the session cannot start.
// userDatabase, when given, is the user database of this session instead of the settled one (the
// command line's --database); it is checked, upgraded and opened the same way.
UserDbCheck StartSession(ModGlobal& g, const QDate& today,
                         const std::function<void(const QString&)>& notice,
                         const QString& userDatabase = QString());

}  // namespace ie
