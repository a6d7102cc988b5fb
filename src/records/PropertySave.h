#pragma once

#include <QtGlobal>

class QWidget;

namespace ie {

class UiServices;
struct ModGlobal;

enum class SaveOutcome {
    Cancelled,  // the user answered No; nothing changed
    Saved,      // the row is written and committed; the caller resets the worksheet and record
    Failed,     // a message has been shown; the table, the record and the mode are as they were
};

// The save button's action without the window: asks whether to save (new or update mode by
// NewBukken), writes the current property into 物件情報 in one transaction, the photo included,
// and closes the user connection again. An update whose row no longer exists offers to save the
// property as a new one; one whose row another copy of the program has saved since it was loaded
// asks whether to overwrite it, save as a new property or cancel. Without confirm the first
// question is skipped (the user has already chosen to save); the questions about the row itself
// are still asked. After Saved, savedId (when given) holds the ID of the row written.
SaveOutcome SaveBukken(ModGlobal& g, UiServices& ui, QWidget* parent, bool confirm = true,
                       qint32* savedId = nullptr);

}  // namespace ie
