#include "app/FrmMain.h"
#include "cli/CommandLine.h"
#include "common/JapaneseCalendar.h"
#include "platform/ConsoleUiServices.h"
#include "platform/QtUiServices.h"
#include "platform/SingleInstance.h"
#include "state/ModGlobal.h"
#include "state/Session.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTimer>
#include <QTranslator>

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <utility>

namespace {

bool HasArgument(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

// --check: the start-up without a window (files, mode, databases and their upgrade), what it would
// tell on standard error, the number of saved properties on standard output; 0 when the program
// could start, 1 when not.
int CheckWithoutWindow(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ienedancho"));
    ie::ConsoleUiServices ui;
    const QString runtime = ui.tempFolder();
    if (runtime.isEmpty()) {
        ui.message(
            nullptr,
            QStringLiteral("一時ファイルを置くフォルダ（XDG_RUNTIME_DIR）を用意できません。"),
            ie::MsgIcon::Critical);
        return 1;
    }
    ie::SingleInstance instance(runtime);
    if (!instance.tryAcquire()) {
        ui.message(nullptr, ie::AppTitle() + QStringLiteral("はすでに起動されています。"),
                   ie::MsgIcon::Information);
        return 1;
    }
    ie::ModGlobal g;
    g.ProgramFolder = QCoreApplication::applicationDirPath();
    try {
        ie::StartSession(g, ui.today(), [&ui](const QString& notice) {
            ui.message(nullptr, notice, ie::MsgIcon::Exclamation);
        });
    } catch (const ie::StartupError& e) {
        for (const QString& text : e.messages())
            ui.message(nullptr, text, ie::MsgIcon::Critical);
        return 1;
    }
    const QByteArray line = QStringLiteral("%1件\n").arg(g.Bukken.UsrRecCount).toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A run that shows no window needs no display and builds no QApplication.
    if (HasArgument(argc, argv, "--check")) {
        return CheckWithoutWindow(argc, argv);
    }
    if (ie::cli::IsCommandLine(argc, argv)) {
        return ie::cli::RunCommandLine(argc, argv);
    }

    // Two set-ups that the window's first text and first date field would wait for, started on
    // other cores while the application and the window are built: fontconfig's configuration
    // (read from many small files) and ICU's locale and calendar data for the Japanese calendar.
    // Both are made once per process, safely from any thread. Waited for at the end of main at
    // the latest.
    const std::future<void> fontSetUp = std::async(std::launch::async, [] { FcInit(); });
    const std::future<void> calendarData =
        std::async(std::launch::async, [] { static_cast<void>(ie::jcal::EraOfYear(2000)); });
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ienedancho"));
    // Lets the desktop match the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(IE_APP_ID));
    // The title is deliberately not made the application's display name: on X11 Qt would append
    // it to every caption ("環境設定 — いえねだん帳"). Message boxes carry it as their caption.

    // --no-splash and --quit-after-show exist for tests and benchmarks only.
    const QStringList args = QApplication::arguments();
    ie::FrmMain::Options options;
    options.showSplash = !args.contains(QStringLiteral("--no-splash"));
    const bool quitAfterShow = args.contains(QStringLiteral("--quit-after-show"));

    // Qt's own dialogs (file choosers, print dialog) in Japanese, like the rest of the program.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }
    ie::InstallFontSubstitutions();
    // Every window's text is Japanese: with the windows' font as the application's, Qt opens that
    // one font instead of a Latin default that every kanji would fall back from.
    QApplication::setFont(ie::WindowFont());

    ie::QtUiServices ui;
    ie::ModGlobal g;
    g.ProgramFolder = QApplication::applicationDirPath();
    // The lock first; then the files and databases are checked on another core while the window
    // is built.
    ie::FrmMain::EarlyStartPtr early = ie::FrmMain::beginStartUp(g, ui, options);
    if (!early)
        return 0;
    ie::FrmMain w(g, ui, options);
    if (!w.startUp(std::move(early))) {
        return 0;
    }
    w.show();
    if (quitAfterShow) {
        // Closing (not just quitting) runs the same exit path as the close box.
        QTimer::singleShot(0, &w, &QWidget::close);
    }
    return app.exec();
}
