#pragma once

class QListWidget;

namespace ie {

// The reference lists are as narrow as the window design makes them, so a long entry of the
// reference data ("鉄骨鉄筋コンクリート造") is cut off with "…". Each entry that does not fit gets
// its whole text as its tooltip; the others keep the list's own tooltip.
void ShowCutItemsInTooltips(QListWidget* list);

}  // namespace ie
