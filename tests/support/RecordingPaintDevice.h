#pragma once

#include <QColor>
#include <QFont>
#include <QPaintDevice>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class QPaintEngine;

namespace ie::test {

// A paint device that draws nothing and records what is painted on it, in device coordinates:
// the texts (with the point of their baseline, as QPainter::drawText got it), the pictures with the
// rectangle they were stretched into, and the rectangle outlines. The painter hands a text over in
// runs of one script each ("出力日：" and "2026/12/07"); texts() joins consecutive runs on the
// same baseline back into the text that was drawn. Lets report tests check
// positions and texts instead of pixels.
class RecordingPaintDevice : public QPaintDevice {
public:
    struct Text {
        QPointF baseline;
        QString text;
        QFont font;
    };
    struct Picture {
        QRectF rect;
        QSize size;
        bool lossless = false;  // LosslessImageRendering was on when it was drawn
    };

    RecordingPaintDevice(QSize size, int dpi);
    ~RecordingPaintDevice() override;

    QPaintEngine* paintEngine() const override;

    std::vector<Text> fragments;  // the runs as the painter handed them over
    std::vector<Picture> pictures;
    std::vector<QRectF> frames;
    // The brush each frame was drawn with: its colour, or an invalid QColor when not filled.
    std::vector<QColor> frameFills;

    // The drawn texts in order: runs on the same baseline joined, at the first run's point.
    std::vector<Text> texts() const;
    QStringList textList() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    int dpi_;
    std::unique_ptr<QPaintEngine> engine_;
};

}  // namespace ie::test
