#include "state/Session.h"

#include "platform/RegularFile.h"

#include "state/FileSetup.h"
#include "state/ModGlobal.h"

#include <QDir>
#include <QFileInfo>

namespace ie {

StartupError::StartupError(QStringList messages)
    : AppError(errors::kFileIo, messages.join(QLatin1Char('\n'))), messages_(std::move(messages)) {}

namespace {

void CheckDatabaseFiles(const ModGlobal& g) {
    QStringList missing;
    // A look at the names only, which never waits; the database layer's open checks the file it
    // opens.
    const auto check = [&missing](const QString& path, const QString& which) {
        const QFileInfo info(path);
        if (!info.isFile()) {
            missing << (info.exists() ? which + NotRegularFileText(path)
                                      : which + QDir::toNativeSeparators(path) +
                                            QStringLiteral("　が存在しません。"));
        }
    };
    check(g.SysDbPath, QStringLiteral("システム情報データベース "));
    check(g.UsrDbPath, QStringLiteral("ユーザー情報データベース "));
    if (!missing.isEmpty()) {
        missing << QStringLiteral("致命的エラーにより、プログラムを終了します。") +
                       QLatin1Char('\r') + QStringLiteral("ご迷惑をおかけして申し訳ありません。");
        throw StartupError(missing);
    }
}

void CountSavedProperties(ModGlobal& g) {
    try {
        OpenUsrDb(g);
    } catch (const AppError& e) {
        throw StartupError(
            {ConnectFailureText(e, QStringLiteral("ユーザーデータベース"), g.UsrDbPath)});
    }
    try {
        g.Bukken.UsrRecCount = ModUsrRecCount(g.UsrDbCon);
    } catch (const AppError& e) {
        ModUsrDbClose(g);
        // A file that opens but holds no readable 物件情報 table: which file and what is wrong.
        throw StartupError(
            {e.withContext(QStringLiteral("ユーザーデータベース") +
                           QDir::toNativeSeparators(g.UsrDbPath) +
                           QStringLiteral("の物件情報を読み込めません。プログラムを終了します。"))
                 .messageText()});
    }
    ModUsrDbClose(g);
}

}  // namespace

UserDbCheck StartSession(ModGlobal& g, const QDate& today,
                         const std::function<void(const QString&)>& notice,
                         const QString& userDatabase) {
    try {
        LocateFiles(g);
    } catch (const AppError& e) {
        throw StartupError({e.description()});
    }
    if (!userDatabase.isEmpty())
        g.UsrDbPath = QFileInfo(userDatabase).absoluteFilePath();
    CheckDatabaseFiles(g);
    // The layout version is settled before anything reads the user database.
    const UserDbCheck check = PrepareUserDatabase(g.UsrDbPath, today);
    g.UsrDbReadOnly = check.state == UserDbCheck::State::ReadOnly;
    if (!check.message.isEmpty()) {
        notice(check.message);
    }
    CountSavedProperties(g);
    return check;
}

}  // namespace ie
