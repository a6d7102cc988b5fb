#pragma once

#include <QString>

class QIODevice;

namespace ie {

// Why a file could not be written, in the user's words and without a closing "。": a full disk or
// quota, a write that is not permitted, a file another program holds; anything else in the
// system's own text.
QString WriteCauseOfErrno(int err);
// The cause of a failed write to device. errnoAfter is errno read right after the failing call:
// a file device reports a short write with no text of its own ("Unknown error"), while errno still
// names the cause.
QString WriteCauseOf(const QIODevice& device, int errnoAfter);

// "ファイルに書き込めません。" CR the path CR the cause "。"
QString WriteFailedText(const QString& path, const QString& cause);

}  // namespace ie
