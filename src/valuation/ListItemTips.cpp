#include "valuation/ListItemTips.h"

#include <QListWidget>
#include <QStyle>

namespace ie {

void ShowCutItemsInTooltips(QListWidget* list) {
    const QStyle* style = list->style();
    // The room for an item's text: the list less its frame, a vertical scroll bar (counted even
    // when the list is short enough to have none) and the item's text margins.
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    const int room = list->width() - 2 * list->frameWidth() -
                     style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list) - 2 * textMargin;
    const QFontMetrics metrics = list->fontMetrics();
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        if (metrics.horizontalAdvance(item->text()) > room)
            item->setToolTip(item->text());
    }
}

}  // namespace ie
