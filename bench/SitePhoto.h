#pragma once

// The benchmarks' test photo, "generated site photo": a scene made in code, so that no photo file
// has to be shipped. Sky, a house with a roof and windows, a road and a garden of fine texture
// with a little sensor noise, so that JPEG has the work of a real photo to do. Always the same
// pixels for the same size.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QRandomGenerator>

#include <cmath>

namespace ie::bench {

inline QImage GeneratedSitePhoto(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    const int w = size.width(), h = size.height();
    const int horizon = h * 45 / 100;
    QRandomGenerator rng(20261207);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int r, g, b;
            if (y < horizon) {  // sky, lighter towards the horizon
                const double t = double(y) / horizon;
                r = int(90 + 110 * t);
                g = int(140 + 80 * t);
                b = int(210 + 30 * t);
            } else {  // garden: leaves of a few pixels and larger patches
                const double leaves = std::sin(x * 0.9) * std::sin(y * 1.1);
                const double patches = std::sin(x * 0.013 + y * 0.007) * std::cos(y * 0.011);
                r = int(60 + 20 * leaves + 25 * patches);
                g = int(110 + 35 * leaves + 30 * patches);
                b = int(50 + 10 * leaves + 10 * patches);
            }
            const int noise = int(rng.bounded(7)) - 3;
            line[x] = qRgb(qBound(0, r + noise, 255), qBound(0, g + noise, 255),
                           qBound(0, b + noise, 255));
        }
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // The road.
    p.setBrush(QColor(105, 105, 110));
    p.drawPolygon(QPolygonF({QPointF(w * 0.35, h), QPointF(w * 0.65, h), QPointF(w * 0.52, horizon),
                             QPointF(w * 0.48, horizon)}));
    // The house: walls, roof, door and windows.
    const QRectF wall(w * 0.12, h * 0.35, w * 0.3, h * 0.3);
    p.setBrush(QColor(235, 228, 210));
    p.drawRect(wall);
    p.setBrush(QColor(120, 50, 40));
    p.drawPolygon(QPolygonF({QPointF(wall.left() - w * 0.02, wall.top()),
                             QPointF(wall.center().x(), wall.top() - h * 0.12),
                             QPointF(wall.right() + w * 0.02, wall.top())}));
    p.setBrush(QColor(70, 60, 50));
    p.drawRect(QRectF(wall.left() + wall.width() * 0.42, wall.top() + wall.height() * 0.5,
                      wall.width() * 0.16, wall.height() * 0.5));
    p.setBrush(QColor(60, 90, 120));
    for (const double fx : {0.1, 0.7}) {
        p.drawRect(QRectF(wall.left() + wall.width() * fx, wall.top() + wall.height() * 0.2,
                          wall.width() * 0.2, wall.height() * 0.25));
    }
    return img;
}

// The photo as a phone's JPEG.
inline QByteArray GeneratedSitePhotoJpeg(QSize size, int quality = 92) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    GeneratedSitePhoto(size).save(&buffer, "JPEG", quality);
    return bytes;
}

}  // namespace ie::bench
