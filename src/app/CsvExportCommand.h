#pragma once

class QWidget;

namespace ie {

class UiServices;
struct ModGlobal;

// The export menu command: asks for the file and its format (pre-filled with CsvFile), adds
// ".csv" to a bare name, refuses the program's own files, asks before overwriting, opens the user
// database, writes, and tells how many properties went to which file in which format, or what
// failed.
void RunCsvExport(ModGlobal& g, UiServices& ui, QWidget* parent);

}  // namespace ie
