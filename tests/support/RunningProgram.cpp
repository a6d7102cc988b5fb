#include "support/RunningProgram.h"

#include "support/TestFolder.h"

#include <QTest>

namespace ie::test {

RunningProgram::RunningProgram(const TestFolder& folder, QDate today) {
    ui.tempDir = folder.tempPath();
    ui.todayValue = today;
    g.ProgramFolder = folder.path();
    w = std::make_unique<FrmMain>(g, ui, FrmMain::Options{false});
}

bool RunningProgram::start() {
    if (!w->startUp())
        return false;
    w->show();
    return QTest::qWaitForWindowExposed(w.get());
}

}  // namespace ie::test
