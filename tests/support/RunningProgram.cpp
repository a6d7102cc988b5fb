#include "support/RunningProgram.h"

#include "support/TestFolder.h"

#include <QTest>

namespace ie::test {

QString InstanceName(const TestFolder& folder) {
    return QStringLiteral("ienedancho-test-%1").arg(qHash(folder.path()), 0, 16);
}

RunningProgram::RunningProgram(const TestFolder& folder, QDate today) {
    ui.tempDir = folder.tempPath();
    ui.todayValue = today;
    g.ProgramFolder = folder.path();
    // Should a case start in installed mode, the user's folders are the test's own, never the
    // real ones of whoever runs the tests.
    g.Folders = {folder.file(QStringLiteral("xdg/config/ienedancho")),
                 folder.file(QStringLiteral("xdg/data/ienedancho")), QStringLiteral(IE_BIN_DIR)};
    // A socket of the test folder's own, so that tests running side by side never knock at each
    // other (nor at a program the user is running).
    w = std::make_unique<FrmMain>(g, ui, FrmMain::Options{false, InstanceName(folder)});
}

bool RunningProgram::start() {
    if (!w->startUp())
        return false;
    w->show();
    return QTest::qWaitForWindowExposed(w.get());
}

}  // namespace ie::test
