#pragma once

#include "app/FrmMain.h"
#include "state/ModGlobal.h"
#include "support/ScriptedUi.h"

#include <QDate>

#include <memory>

namespace ie::test {

class TestFolder;

// The name of the local socket a program on this test folder listens on.
QString InstanceName(const TestFolder& folder);

// The real main window on a test folder of its own, with scripted UI services and a fixed today.
struct RunningProgram {
    ScriptedUi ui;
    ModGlobal g;
    std::unique_ptr<FrmMain> w;

    explicit RunningProgram(const TestFolder& folder, QDate today = QDate(2026, 12, 7));
    // Runs start-up, shows the window and waits until it is on screen.
    bool start();
};

}  // namespace ie::test
