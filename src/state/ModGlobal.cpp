#include "state/ModGlobal.h"

#include "platform/UiServices.h"

#include <QDir>

namespace ie {

QString ConnectionString(const QString& path) {
    return QStringLiteral("Provider = Microsoft.jet.OLEDB.3.51;Data Source=") + path;
}

namespace {

void OpenConnection(db::Connection& con, const QString& path) {
    try {
        con.setConnectionString(ConnectionString(path));
        con.open();
    } catch (const AppError&) {
        con.close();
        throw;
    }
}

bool OpenShown(ModGlobal& g, bool user, UiServices& ui, QWidget* parent) {
    try {
        user ? OpenUsrDb(g) : OpenSysDb(g);
        return true;
    } catch (const AppError& e) {
        ui.message(parent,
                   user
                       ? ConnectFailureText(e, QStringLiteral("ユーザーデータベース"), g.UsrDbPath)
                       : ConnectFailureText(e, QStringLiteral("システムデータベース"), g.SysDbPath),
                   MsgIcon::Critical);
        return false;
    }
}

}  // namespace

QString ConnectFailureText(const AppError& e, const QString& which, const QString& path) {
    return QString::number(e.number()) + QLatin1Char('\r') + e.description() + QLatin1Char('\r') +
           which + QDir::toNativeSeparators(path) + QStringLiteral("への接続失敗");
}

void OpenSysDb(ModGlobal& g) {
    g.SysDbCon.setImmutable(g.SysDbImmutable);
    OpenConnection(g.SysDbCon, g.SysDbPath);
}

void OpenUsrDb(ModGlobal& g) {
    g.UsrDbCon.setReadOnly(g.UsrDbReadOnly);
    OpenConnection(g.UsrDbCon, g.UsrDbPath);
}

bool ModSysDbOpen(ModGlobal& g, UiServices& ui, QWidget* parent) {
    return OpenShown(g, false, ui, parent);
}

bool ModUsrDbOpen(ModGlobal& g, UiServices& ui, QWidget* parent) {
    return OpenShown(g, true, ui, parent);
}

void ModSysDbClose(ModGlobal& g) {
    g.SysDbCon.close();
}

void ModUsrDbClose(ModGlobal& g) {
    g.UsrDbCon.close();
}

}  // namespace ie
