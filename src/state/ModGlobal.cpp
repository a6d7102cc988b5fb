#include "state/ModGlobal.h"

#include "platform/UiServices.h"

#include <QDir>

namespace ie {

QString ConnectionString(const QString& path) {
    return QStringLiteral("Provider = Microsoft.jet.OLEDB.3.51;Data Source=") + path;
}

namespace {

bool OpenConnection(db::Connection& con, const QString& path, const QString& which, UiServices& ui,
                    QWidget* parent) {
    try {
        con.setConnectionString(ConnectionString(path));
        con.open();
        return true;
    } catch (const AppError& e) {
        con.close();
        ui.message(parent,
                   QString::number(e.number()) + QLatin1Char('\r') + e.description() +
                       QLatin1Char('\r') + which + QDir::toNativeSeparators(path) +
                       QStringLiteral("への接続失敗"),
                   MsgIcon::Critical);
        return false;
    }
}

}  // namespace

bool ModSysDbOpen(ModGlobal& g, UiServices& ui, QWidget* parent) {
    g.SysDbCon.setImmutable(g.SysDbImmutable);
    return OpenConnection(g.SysDbCon, g.SysDbPath, QStringLiteral("システムデータベース"), ui,
                          parent);
}

bool ModUsrDbOpen(ModGlobal& g, UiServices& ui, QWidget* parent) {
    g.UsrDbCon.setReadOnly(g.UsrDbReadOnly);
    return OpenConnection(g.UsrDbCon, g.UsrDbPath, QStringLiteral("ユーザーデータベース"), ui,
                          parent);
}

void ModSysDbClose(ModGlobal& g) {
    g.SysDbCon.close();
}

void ModUsrDbClose(ModGlobal& g) {
    g.UsrDbCon.close();
}

}  // namespace ie
