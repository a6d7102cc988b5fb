#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>

namespace ie {

// Window layouts are given in twips (1/1440 inch). 15 twips make one device-independent pixel at
// 96 dpi; Qt's high-DPI scaling does the rest.
constexpr int Tw(int twips) {
    return (twips + 7) / 15;
}
inline QRect TwRect(int left, int top, int width, int height) {
    return QRect(Tw(left), Tw(top), Tw(width), Tw(height));
}
inline void PlaceTw(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwRect(left, top, width, height));
}

}  // namespace ie
