#include "RecordingPaintDevice.h"

#include <QImage>
#include <QPaintEngine>
#include <QPixmap>
#include <QStringList>
#include <QTransform>

namespace ie::test {

namespace {

class RecordingEngine : public QPaintEngine {
public:
    explicit RecordingEngine(RecordingPaintDevice& device)
        : QPaintEngine(QPaintEngine::AllFeatures), device_(device) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override {
        if (state.state() & QPaintEngine::DirtyTransform)
            transform_ = state.transform();
        if (state.state() & QPaintEngine::DirtyHints)
            hints_ = state.renderHints();
        if (state.state() & QPaintEngine::DirtyBrush)
            brush_ = state.brush();
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        device_.fragments.push_back({transform_.map(p), item.text(), item.font()});
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF&,
                   Qt::ImageConversionFlags) override {
        device_.pictures.push_back({transform_.mapRect(r), image.size(), lossless()});
    }
    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF&) override {
        device_.pictures.push_back({transform_.mapRect(r), pixmap.size(), lossless()});
    }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i)
            addFrame(rects[i]);
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i)
            addFrame(QRectF(rects[i]));
    }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}

private:
    void addFrame(const QRectF& r) {
        device_.frames.push_back(transform_.mapRect(r));
        device_.frameFills.push_back(brush_.style() == Qt::NoBrush ? QColor() : brush_.color());
    }
    bool lossless() const { return hints_.testFlag(QPainter::LosslessImageRendering); }

    RecordingPaintDevice& device_;
    QTransform transform_;
    QPainter::RenderHints hints_;
    QBrush brush_;
};

}  // namespace

RecordingPaintDevice::RecordingPaintDevice(QSize size, int dpi)
    : size_(size), dpi_(dpi), engine_(std::make_unique<RecordingEngine>(*this)) {}

RecordingPaintDevice::~RecordingPaintDevice() = default;

QPaintEngine* RecordingPaintDevice::paintEngine() const {
    return engine_.get();
}

std::vector<RecordingPaintDevice::Text> RecordingPaintDevice::texts() const {
    std::vector<Text> joined;
    for (const Text& run : fragments) {
        if (!joined.empty() && joined.back().baseline.y() == run.baseline.y() &&
            joined.back().baseline.x() < run.baseline.x()) {
            joined.back().text += run.text;
        } else {
            joined.push_back(run);
        }
    }
    return joined;
}

QStringList RecordingPaintDevice::textList() const {
    QStringList list;
    for (const Text& t : texts())
        list << t.text;
    return list;
}

int RecordingPaintDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return qRound(size_.width() * 25.4 / dpi_);
        case PdmHeightMM:
            return qRound(size_.height() * 25.4 / dpi_);
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return dpi_;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
}

}  // namespace ie::test
