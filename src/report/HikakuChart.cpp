#include "report/HikakuChart.h"

#include "common/Formats.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

namespace ie {

namespace {

constexpr int kMargin = 720;
constexpr int kTwipsPerPoint = 20;
constexpr int kLabelWidth = 4000;
constexpr int kRatioWidth = 1300;
constexpr int kAmountWidth = 1600;  // room for "999,999,999 円" after the longest bar
constexpr int kRowHeight = 600;
constexpr int kBarHeight = 200;
constexpr int kApartRowHeight = 360;
constexpr int kApartLabelWidth = 6000;
constexpr int kHeadingHeight = 1260;  // title, order and legend, column titles

HikakuItem Text(int x, int y, int width, const QString& text, int pointSize) {
    HikakuItem item;
    item.rect = QRect(x, y, width, pointSize * kTwipsPerPoint);
    item.text = text;
    item.pointSize = pointSize;
    return item;
}

HikakuItem RightText(int right, int y, int width, const QString& text, int pointSize) {
    HikakuItem item = Text(right - width, y, width, text, pointSize);
    item.rightAligned = true;
    return item;
}

class Builder {
public:
    Builder(const HikakuContent& content, QSize pageTwips)
        : content_(content), page_(pageTwips), right_(pageTwips.width() - kMargin) {}

    std::vector<HikakuPage> build() {
        newPage();
        layOutBars();
        layOutNotes();
        layOutApart();
        finish();
        return std::move(pages_);
    }

private:
    bool paged() const { return page_.height() > 0; }

    void newPage() {
        if (!pages_.empty())
            pages_.back().height = y_;
        pages_.emplace_back();
        y_ = kMargin;
        add(Text(kMargin, y_, 6000, QStringLiteral("物件比較"), 16));
        add(RightText(right_, y_ + 120, 4000,
                      QStringLiteral("出力日：") + FormatDate(content_.today), 10));
        y_ += 480;
        if (content_.bars.empty()) {
            // Nothing to chart: no order, legend or column titles above the plain message.
            y_ = kMargin + kHeadingHeight;
            return;
        }
        add(Text(kMargin, y_, 7000, content_.orderText, 10));
        // The legend: a swatch of each bar's colour before its name.
        int x = right_ - 7400;
        for (const auto& [kind, name] :
             {std::pair{HikakuItem::Kind::AskingBar, QStringLiteral("販売価格（合計販売価格）")},
              std::pair{HikakuItem::Kind::EstimateBar, QStringLiteral("評価額（合計価格）")}}) {
            HikakuItem swatch;
            swatch.kind = kind;
            swatch.rect = QRect(x, y_ + 30, 300, 160);
            add(swatch);
            add(Text(x + 400, y_, 3200, name, 10));
            x += 4000;
        }
        y_ += 420;
        add(Text(kMargin, y_, kLabelWidth, QStringLiteral("住所"), 10));
        add(RightText(right_, y_, kRatioWidth, QStringLiteral("販売計算比"), 10));
        y_ = kMargin + kHeadingHeight;
    }

    // Starts a new page when height more twips do not fit on this one.
    void room(int height) {
        if (paged() && y_ + height > page_.height() - kMargin)
            newPage();
    }

    void add(HikakuItem item) { pages_.back().items.push_back(std::move(item)); }

    void layOutBars() {
        if (content_.bars.empty()) {
            room(kRowHeight);
            add(Text(kMargin, y_, right_ - kMargin, HikakuEmptyText(), 11));
            y_ += kRowHeight;
            return;
        }
        double largest = 0;
        for (const HikakuBar& b : content_.bars)
            largest = std::max({largest, b.asking, b.estimate});
        const int barLeft = kMargin + kLabelWidth + 120;
        const int barRoom = std::max(600, right_ - kRatioWidth - kAmountWidth - barLeft);
        const auto length = [&](double value) {
            // At least a sliver, so that a small total still shows its bar.
            return std::max(15, static_cast<int>(std::lround(value / largest * barRoom)));
        };
        for (size_t i = 0; i < content_.bars.size(); ++i) {
            const HikakuBar& b = content_.bars[i];
            room(kRowHeight);
            HikakuItem label = Text(kMargin, y_ + 170, kLabelWidth, b.label, 10);
            label.elide = true;
            label.tip = b.label;
            add(label);
            int top = y_ + 60;
            for (const auto& [kind, value, tip] :
                 {std::tuple{HikakuItem::Kind::AskingBar, b.asking, b.askingTip},
                  std::tuple{HikakuItem::Kind::EstimateBar, b.estimate, b.estimateTip}}) {
                HikakuItem bar;
                bar.kind = kind;
                bar.rect = QRect(barLeft, top, length(value), kBarHeight);
                bar.row = static_cast<int>(i);
                bar.tip = tip;
                add(bar);
                const bool marked =
                    kind == HikakuItem::Kind::EstimateBar && !b.estimateNotes.isEmpty();
                HikakuItem amount = Text(bar.rect.right() + 90, top + 20, kAmountWidth,
                                         FormatWhole(value) + QStringLiteral(" 円") +
                                             (marked ? QStringLiteral(" ※") : QString()),
                                         8);
                if (marked)
                    amount.tip = QStringLiteral("※") + b.estimateNotes.join(QStringLiteral("\n※"));
                add(amount);
                top += kBarHeight + 40;
            }
            add(RightText(right_, y_ + 170, kRatioWidth, b.ratioText, 10));
            y_ += kRowHeight;
        }
    }

    // What the "※" beside an estimate means, once for every distinct note, so that a printed or
    // saved chart (which has no tooltips) still says it.
    void layOutNotes() {
        QStringList notes;
        for (const HikakuBar& b : content_.bars) {
            for (const QString& n : b.estimateNotes) {
                if (!notes.contains(n))
                    notes << n;
            }
        }
        if (notes.isEmpty())
            return;
        y_ += 120;
        for (const QString& n : notes) {
            room(kApartRowHeight);
            HikakuItem line = Text(kMargin, y_, right_ - kMargin, QStringLiteral("※") + n, 8);
            line.elide = true;
            line.tip = n;
            add(line);
            y_ += kApartRowHeight;
        }
    }

    void layOutApart() {
        if (content_.apart.empty())
            return;
        room(kApartRowHeight * 3);
        y_ += 240;
        add(Text(kMargin, y_, right_ - kMargin, QStringLiteral("比較できない物件"), 11));
        y_ += kApartRowHeight + 60;
        for (const HikakuApart& a : content_.apart) {
            room(kApartRowHeight);
            HikakuItem label = Text(kMargin, y_, kApartLabelWidth, a.label, 10);
            label.elide = true;
            label.tip = a.label;
            add(label);
            add(Text(kMargin + kApartLabelWidth + 200, y_,
                     right_ - kMargin - kApartLabelWidth - 200, a.reason, 10));
            y_ += kApartRowHeight;
        }
    }

    void finish() {
        pages_.back().height = y_ + kMargin;
        if (pages_.size() < 2)
            return;
        const QString count = QString::number(pages_.size());
        for (size_t p = 0; p < pages_.size(); ++p) {
            pages_[p].items.push_back(
                RightText(right_, page_.height() - kMargin + 120, 2000,
                          QString::number(p + 1) + QStringLiteral(" / ") + count, 9));
            pages_[p].height = page_.height();
        }
    }

    const HikakuContent& content_;
    QSize page_;
    int right_;
    int y_ = 0;
    std::vector<HikakuPage> pages_;
};

}  // namespace

QString HikakuEmptyText() {
    return QStringLiteral("比較できる物件がありません。");
}

QColor HikakuAskingColor() {
    return QColor(224, 132, 52);
}

QColor HikakuEstimateColor() {
    return QColor(62, 112, 184);
}

std::vector<HikakuPage> HikakuLayout(const HikakuContent& content, QSize pageTwips) {
    return Builder(content, pageTwips).build();
}

void DrawHikakuPage(QPainter& painter, const ChohyoTarget& target, const HikakuPage& page,
                    const QRect& onlyTwips) {
    painter.save();
    const QTransform toDevice = QTransform::fromTranslate(target.device.left(), target.device.top())
                                    .scale(target.device.width() / target.twips.width(),
                                           target.device.height() / target.twips.height());
    painter.setWorldTransform(toDevice, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(QColor(0, 0, 0));
    // One font and its metrics per size; a chart of many rows has only three sizes.
    std::map<int, std::pair<QFont, QFontMetricsF>> fonts;
    const auto fontOf = [&](int pointSize) -> const std::pair<QFont, QFontMetricsF>& {
        auto it = fonts.find(pointSize);
        if (it == fonts.end()) {
            // Pixel sizes under the twips transform, as the report sets its font: a point is 20.
            QFont font(ChohyoFontFamily());
            font.setPixelSize(pointSize * kTwipsPerPoint);
            font.setKerning(false);
            font.setHintingPreference(QFont::PreferNoHinting);
            it = fonts.emplace(pointSize, std::pair{font, QFontMetricsF(font, painter.device())})
                     .first;
        }
        return it->second;
    };
    for (const HikakuItem& item : page.items) {
        if (!onlyTwips.isNull() && !onlyTwips.intersects(item.rect))
            continue;
        if (item.kind != HikakuItem::Kind::Text) {
            painter.fillRect(QRectF(item.rect), item.kind == HikakuItem::Kind::AskingBar
                                                    ? HikakuAskingColor()
                                                    : HikakuEstimateColor());
            continue;
        }
        const auto& [font, metrics] = fontOf(item.pointSize);
        painter.setFont(font);
        const QString text = item.elide
                                 ? metrics.elidedText(item.text, Qt::ElideRight, item.rect.width())
                                 : item.text;
        const qreal x = item.rightAligned ? item.rect.right() + 1 - metrics.horizontalAdvance(text)
                                          : item.rect.left();
        painter.drawText(QPointF(x, item.rect.top() + metrics.ascent()), text);
    }
    painter.restore();
}

QString HikakuTipAt(const HikakuPage& page, QPoint twips) {
    for (const HikakuItem& item : page.items) {
        if (!item.tip.isEmpty() && item.rect.contains(twips))
            return item.tip;
    }
    return {};
}

}  // namespace ie
