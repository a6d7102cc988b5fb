#pragma once

#include <QtGlobal>

class QWidget;

namespace ie {

class UiServices;
struct ModGlobal;

enum class SaveOutcome {
    Cancelled,  // the user answered No; nothing changed
    Saved,      // the row is written and committed; the caller resets the worksheet and record
};

// The save button's action without the window: asks whether to save (new or update mode by
// NewBukken), writes the current property into 物件情報 in one transaction, the photo included,
// and closes the user connection again. An update whose row no longer exists offers to save the
// property as a new one; one whose row another copy of the program has saved since it was loaded
// asks whether to overwrite it, save as a new property or cancel. Without confirm the first
// question is skipped (the user has already chosen to save); the questions about the row itself
// are still asked. After Saved, savedId (when given) holds the ID of the row written. A failure
// (the database cannot be opened or written) throws AppError, its context saying that nothing was
// saved; the table, the record and the mode are then as they were.
SaveOutcome SaveBukken(ModGlobal& g, UiServices& ui, QWidget* parent, bool confirm = true,
                       qint32* savedId = nullptr);

}  // namespace ie
