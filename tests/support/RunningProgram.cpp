#include "support/RunningProgram.h"

#include "support/TestFolder.h"

#include <QTest>

namespace ie::test {

RunningProgram::RunningProgram(const TestFolder& folder, QDate today) {
    ui.tempDir = folder.tempPath();
    ui.todayValue = today;
    g.ProgramFolder = folder.path();
    // Should a case start in installed mode, the user's folders are the test's own, never the
    // real ones of whoever runs the tests.
    g.Folders = {folder.file(QStringLiteral("xdg/config/ienedancho")),
                 folder.file(QStringLiteral("xdg/data/ienedancho")), QStringLiteral(IE_BIN_DIR)};
    w = std::make_unique<FrmMain>(g, ui, FrmMain::Options{false});
}

bool RunningProgram::start() {
    if (!w->startUp())
        return false;
    w->show();
    return QTest::qWaitForWindowExposed(w.get());
}

}  // namespace ie::test
