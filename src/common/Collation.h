#pragma once

#include <QByteArray>
#include <QString>

namespace ie {

// The sort key of a text in Japanese order (ICU's "ja" collation: kana by their reading order,
// kanji by the collation's table, full- and half-width forms together). Keys compare bytewise
// (memcmp) in the order the texts sort; computing them once per row is what makes sorting a
// large list cheap. An empty key when ICU has no Japanese collation.
QByteArray JapaneseSortKey(const QString& text);

}  // namespace ie
