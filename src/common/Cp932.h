#pragma once

#include <QByteArray>
#include <QString>

namespace ie::cp932 {

// Converts to Windows code page 932 (Shift-JIS as Japanese Windows writes it). Characters typed on
// Linux that have a CP932 twin (〜 U+301C -> ～, − U+2212 -> －, ‖ -> ∥, ¥ -> ￥, ¢ £ ¬ ...) are
// written as the twin; a character CP932 cannot hold at all becomes '?', counted in *unmappable.
QByteArray Encode(const QString& text, int* unmappable = nullptr);
// Decodes CP932 bytes (0x8160 -> ～ U+FF5E).
QString Decode(const QByteArray& bytes);
// Width in CP932 bytes: full-width characters count two, half-width (ASCII, half-width kana) one.
int ByteWidth(const QString& text);
// True when the text survives Encode/Decode unchanged (no twin and no '?' needed): used for paths,
// which must never be written in damaged form.
bool RoundTrips(const QString& text);

}  // namespace ie::cp932
