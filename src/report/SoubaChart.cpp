#include "report/SoubaChart.h"

#include "common/Formats.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace ie {

namespace {

constexpr double kTwipsPerPoint = 20;

QFont ReportFont(double points) {
    QFont font(ChohyoFontFamily());
    font.setPixelSize(static_cast<int>(points * kTwipsPerPoint));
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// A round step for an axis of span: 1, 2 or 5 times a power of ten, about five to the span.
double NiceStep(double span) {
    if (span <= 0)
        return 1;
    const double raw = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        if (raw <= m * power)
            return m * power;
    }
    return 10 * power;
}

QString ManYen(double yen) {
    return FormatWhole(yen / 10000) + QStringLiteral("万円");
}

}  // namespace

QColor SoubaTradeColor() {
    return QColor(62, 112, 184);
}

QColor SoubaAskingColor() {
    return QColor(224, 132, 52);
}

QColor SoubaEstimateColor() {
    return QColor(46, 150, 80);
}

void DrawSoubaChart(QPainter& painter, const QRectF& rect, const SoubaContent& c) {
    painter.save();
    const QFont font = ReportFont(8);
    painter.setFont(font);
    const QFontMetricsF fm(font, painter.device());
    const QRectF plot = rect.adjusted(1500, 200, -300, -700);
    painter.setPen(QPen(QColor(0, 0, 0), 10));
    painter.drawRect(plot);

    double xMin = 0;
    double xMax = 1;
    double yMax = 1;
    for (const SoubaPoint& p : c.points) {
        xMax = std::max(xMax, p.x);
        yMax = std::max(yMax, p.yen);
    }
    if (c.subjectX)
        xMax = std::max(xMax, *c.subjectX);
    yMax = std::max({yMax, c.asking, c.estimate});
    const double xStep = NiceStep(xMax - xMin);
    const double yStep = NiceStep(yMax);
    xMax = std::ceil(xMax / xStep) * xStep;
    yMax = std::ceil(yMax / yStep) * yStep;
    const auto px = [&](double x) { return plot.left() + (x - xMin) / (xMax - xMin) * plot.width(); };
    const auto py = [&](double y) { return plot.bottom() - y / yMax * plot.height(); };

    // Grid and scales.
    painter.setPen(QPen(QColor(200, 200, 200), 6));
    for (double y = yStep; y <= yMax + yStep / 2; y += yStep)
        painter.drawLine(QPointF(plot.left(), py(y)), QPointF(plot.right(), py(y)));
    painter.setPen(QColor(0, 0, 0));
    for (double y = 0; y <= yMax + yStep / 2; y += yStep) {
        const QString t = ManYen(y);
        painter.drawText(QPointF(plot.left() - 100 - fm.horizontalAdvance(t), py(y) + fm.ascent() / 2),
                         t);
    }
    for (double x = xMin; x <= xMax + xStep / 2; x += xStep) {
        const QString t = FormatWhole(x);
        painter.drawText(QPointF(px(x) - fm.horizontalAdvance(t) / 2, plot.bottom() + 60 + fm.ascent()),
                         t);
    }
    painter.drawText(QPointF(plot.center().x() - fm.horizontalAdvance(c.xTitle) / 2,
                             plot.bottom() + 400 + fm.ascent()),
                     c.xTitle);
    painter.drawText(QPointF(rect.left(), rect.top() + fm.ascent()),
                     QStringLiteral("取引価格（総額）"));

    // The trades: filled when counted, hollow when left out.
    constexpr double r = 45;
    for (const SoubaPoint& p : c.points) {
        const QPointF at(px(p.x), py(p.yen));
        painter.setPen(QPen(SoubaTradeColor(), 8));
        painter.setBrush(p.counted ? QBrush(SoubaTradeColor()) : QBrush(Qt::NoBrush));
        painter.drawEllipse(at, r, r);
    }
    // The property's asking price and estimate: a line across, and a mark at its own x.
    const auto mark = [&](double yen, const QColor& colour, const QString& label) {
        if (yen <= 0)
            return;
        painter.setPen(QPen(colour, 14, Qt::DashLine));
        painter.drawLine(QPointF(plot.left(), py(yen)), QPointF(plot.right(), py(yen)));
        if (c.subjectX) {
            const QPointF at(px(*c.subjectX), py(yen));
            QPainterPath diamond;
            diamond.moveTo(at + QPointF(0, -90));
            diamond.lineTo(at + QPointF(90, 0));
            diamond.lineTo(at + QPointF(0, 90));
            diamond.lineTo(at + QPointF(-90, 0));
            diamond.closeSubpath();
            painter.fillPath(diamond, colour);
        }
        painter.setPen(colour);
        painter.drawText(QPointF(plot.right() - fm.horizontalAdvance(label) - 60, py(yen) - 60),
                         label);
    };
    mark(c.asking, SoubaAskingColor(), QStringLiteral("販売価格 ") + ManYen(c.asking));
    mark(c.estimate, SoubaEstimateColor(), QStringLiteral("評価額 ") + ManYen(c.estimate));
    painter.restore();
}

void PrintSouba(QPainter& painter, const ChohyoTarget& target, const SoubaContent& c) {
    painter.save();
    const QTransform toDevice = QTransform::fromTranslate(target.device.left(), target.device.top())
                                    .scale(target.device.width() / target.twips.width(),
                                           target.device.height() / target.twips.height());
    painter.setWorldTransform(toDevice, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QColor(0, 0, 0));
    const double w = target.twips.width();
    const double h = target.twips.height();
    constexpr double margin = 720;

    const QFont title = ReportFont(16);
    painter.setFont(title);
    const QFontMetricsF tm(title, painter.device());
    painter.drawText(QPointF(margin, margin + tm.ascent()), QStringLiteral("相場比較"));
    const QFont small = ReportFont(10);
    painter.setFont(small);
    const QFontMetricsF sm(small, painter.device());
    const QString date = QStringLiteral("出力日：") + FormatDate(c.today);
    painter.drawText(QPointF(w - margin - sm.horizontalAdvance(date), margin + 120 + sm.ascent()),
                     date);
    double y = margin + 480;
    painter.drawText(QPointF(margin, y + sm.ascent()), c.subtitle);
    y += 320;
    const double textWidth = w - 2 * margin;
    for (const QString& line : c.lines) {
        const QRectF box(margin, y, textWidth, 2000);
        const QRectF used = painter.boundingRect(box, Qt::TextWordWrap, line);
        painter.drawText(box, Qt::TextWordWrap, line);
        y += used.height() + 40;
    }
    // The foot: what the comparison cannot see, and the credit.
    const QFont foot = ReportFont(9);
    painter.setFont(foot);
    const QRectF limitsBox(margin, 0, textWidth, 2000);
    const double limitsHeight =
        painter.boundingRect(limitsBox, Qt::TextWordWrap, c.limits).height();
    const QFontMetricsF fm(foot, painter.device());
    const double creditTop = h - margin - fm.height();
    const double limitsTop = creditTop - 80 - limitsHeight;
    painter.drawText(QRectF(margin, limitsTop, textWidth, limitsHeight + 40), Qt::TextWordWrap,
                     c.limits);
    painter.drawText(QPointF(margin, creditTop + fm.ascent()), c.credit);

    DrawSoubaChart(painter, QRectF(margin, y + 120, textWidth, limitsTop - y - 240), c);
    painter.restore();
}

}  // namespace ie
