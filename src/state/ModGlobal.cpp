#include "state/ModGlobal.h"

#include "platform/Database.h"
#include "platform/SafeWrite.h"
#include "platform/UiServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <utility>

namespace ie {

using namespace Qt::StringLiterals;

QString ConnectionString(const QString& path) {
    return QStringLiteral("Provider = Microsoft.jet.OLEDB.3.51;Data Source=") + path;
}

namespace {

void OpenConnection(db::Connection& con, const QString& path, const QString& which,
                    const QStringList& markTables) {
    try {
        con.setConnectionString(ConnectionString(path));
        con.open();
        // Another program's database opens as well; say so in words rather than let the first
        // statement fail with SQLite's "no such table".
        if (!db::HasAnyTable(con, markTables)) {
            throw AppError(kNotOurDatabase,
                           QStringLiteral("いえねだん帳のデータベースではありません。") +
                               QLatin1Char('\r') + which + QDir::toNativeSeparators(path));
        }
    } catch (const AppError&) {
        con.close();
        throw;
    }
}

}  // namespace

AppError ConnectFailure(const AppError& e, const QString& which, const QString& path) {
    if (e.number() == kNotOurDatabase) {
        return AppError(errors::kPlainMessage, e.description());
    }
    return e.withContext(which + QDir::toNativeSeparators(path) + QStringLiteral("への接続失敗"));
}

QString ConnectFailureText(const AppError& e, const QString& which, const QString& path) {
    return ConnectFailure(e, which, path).messageText();
}

void OpenSysDb(ModGlobal& g) {
    g.SysDbCon.setImmutable(g.SysDbImmutable);
    OpenConnection(g.SysDbCon, g.SysDbPath, QStringLiteral("システムデータベース"),
                   // Tables every reference database has had, whatever its age.
                   {QStringLiteral("家屋構造別坪単価"), QStringLiteral("家屋経年減点補正率"),
                    QStringLiteral("側１路線補正率")});
}

void OpenUsrDb(ModGlobal& g, std::function<void(qint64)> waiting) {
    g.UsrDbCon.setReadOnly(g.UsrDbReadOnly);
    db::Connection::BusyWait wait;
    wait.busyLimitMs = g.UsrDbBusyLimitMs;
    wait.waiting = std::move(waiting);
    g.UsrDbCon.setBusyWait(std::move(wait));
    OpenConnection(g.UsrDbCon, g.UsrDbPath, QStringLiteral("ユーザーデータベース"),
                   {QStringLiteral("物件情報")});
}

bool ModSysDbOpen(ModGlobal& g, std::optional<AppError>* failure) {
    try {
        OpenSysDb(g);
        return true;
    } catch (const AppError& e) {
        if (failure)
            *failure = ConnectFailure(e, QStringLiteral("システムデータベース"), g.SysDbPath);
        return false;
    }
}

QString BusyNoteText() {
    return QStringLiteral("ほかのいえねだん帳が保存中です…");
}

bool ModUsrDbOpen(ModGlobal& g, UiServices& ui, QWidget* parent, std::optional<AppError>* failure) {
    // Another copy saving a large photo may hold the file for a while: wait, say so after a
    // moment, keep the window painted, and give up only after the connection's limit.
    auto waiting = [&ui, parent, lastNote = qint64(-1)](qint64 elapsed) mutable {
        // A note goes after a few seconds by itself, so a long wait shows it again.
        if (lastNote < 0 || elapsed < lastNote || elapsed - lastNote >= 3500) {
            ui.note(parent, BusyNoteText());
            lastNote = elapsed;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    try {
        OpenUsrDb(g, std::move(waiting));
        return true;
    } catch (const AppError& e) {
        if (failure)
            *failure = ConnectFailure(e, QStringLiteral("ユーザーデータベース"), g.UsrDbPath);
        return false;
    }
}

void ModSysDbClose(ModGlobal& g) {
    g.SysDbCon.close();
}

void ModUsrDbClose(ModGlobal& g) {
    g.UsrDbCon.close();
}

QString OwnFileAt(const ModGlobal& g, const QString& path) {
    const std::pair<const QString&, QString> own[] = {
        {g.UsrDbPath, u"ユーザーデータベース"_s},        {g.SysDbPath, u"システムデータベース"_s},
        {g.TradesDbPath, u"取引事例データベース"_s},     {g.IniFilePath, u"設定ファイル"_s},
        {g.Bukken.PicTempFile, u"写真の一時ファイル"_s},
    };
    for (const auto& [file, name] : own) {
        if (!file.isEmpty() && IsSameFile(path, file))
            return name;
    }
    return {};
}

}  // namespace ie
