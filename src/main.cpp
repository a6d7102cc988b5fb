#include "app/FrmMain.h"
#include "platform/QtUiServices.h"
#include "state/ModGlobal.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTimer>
#include <QTranslator>

int main(int argc, char** argv) {
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

    ie::QtUiServices ui;
    ie::ModGlobal g;
    g.ProgramFolder = QApplication::applicationDirPath();
    ie::FrmMain w(g, ui, options);
    if (!w.startUp()) {
        return 0;
    }
    w.show();
    if (quitAfterShow) {
        // Closing (not just quitting) runs the same exit path as the close box.
        QTimer::singleShot(0, &w, &QWidget::close);
    }
    return app.exec();
}
