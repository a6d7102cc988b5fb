#pragma once

#include "report/ReportPrinter.h"

#include <QDate>
#include <QStringList>

#include <vector>

namespace ie {
struct ModGlobal;
struct BukkenJoho;
}  // namespace ie

namespace ie::cli {

// Whether the first argument names a command of the command line (value, list, export, report) or
// asks for its help or version: such a run shows no window.
bool IsCommandLine(int argc, char** argv);
// Runs the command line: builds its own application object (a QGuiApplication on the offscreen
// platform for the report, which draws; a QCoreApplication otherwise), starts the session as the
// window does, runs the command and returns its exit code (ExitCodes.h). Results go to standard
// output or the --output file, messages to standard error.
int RunCommandLine(int argc, char** argv);

// The record stored properties are laid over for printing, as the main window holds it after
// start-up: nothing entered, the road-price year and valuation date of today.
BukkenJoho StartRecord(const QDate& today);

// Prints the stored properties ids one after the other on printer, each as the list window's
// print does (PrintStoredRow), with the breakdown page when breakdown is set (g.SysDbCon must then
// be open). g.UsrDbCon must be open. A property that cannot be printed is passed over with its
// reason added to failures; a failure of the printer itself stops the run (returns false).
bool PrintProperties(ReportPrinter& printer, ModGlobal& g, const std::vector<qint32>& ids,
                     bool breakdown, const QDate& today, QStringList& failures);

}  // namespace ie::cli
