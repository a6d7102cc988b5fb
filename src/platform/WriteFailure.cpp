#include "platform/WriteFailure.h"

#include <QDir>
#include <QIODevice>

#include <cerrno>
#include <cstring>

namespace ie {

namespace {

QString DiskFull() {
    return QStringLiteral("ディスクの空き容量が足りません");
}
QString NotPermitted() {
    return QStringLiteral("書き込みが許可されていません");
}
QString InUse() {
    return QStringLiteral("ファイルが他のプログラムで使われています");
}

QString SystemText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

// The errors that have words of their own; a device's text is matched against their system texts.
constexpr int kNamed[] = {ENOSPC, EDQUOT, EACCES, EPERM, EROFS, EBUSY};

bool IsNamed(int err) {
    for (const int e : kNamed) {
        if (e == err) {
            return true;
        }
    }
    return false;
}

QString WithoutFullStop(QString text) {
    while (text.endsWith(u'。') || text.endsWith(u'.')) {
        text.chop(1);
    }
    return text;
}

}  // namespace

QString WriteCauseOfErrno(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT:
            return DiskFull();
        case EACCES:
        case EPERM:
        case EROFS:
            return NotPermitted();
        case EBUSY:
            return InUse();
        default:
            return WithoutFullStop(SystemText(err));
    }
}

QString WriteCauseOf(const QIODevice& device, int errnoAfter) {
    if (IsNamed(errnoAfter)) {
        return WriteCauseOfErrno(errnoAfter);
    }
    const QString text = device.errorString();
    for (const int e : kNamed) {
        if (text == SystemText(e)) {
            return WriteCauseOfErrno(e);
        }
    }
    // QIODevice's own placeholder when nothing was said.
    const bool unsaid = text.isEmpty() || text == QStringLiteral("Unknown error");
    if (unsaid && errnoAfter != 0) {
        return WriteCauseOfErrno(errnoAfter);
    }
    return WithoutFullStop(text);
}

QString WriteFailedText(const QString& path, const QString& cause) {
    return QStringLiteral("ファイルに書き込めません。\r") + QDir::toNativeSeparators(path) +
           QLatin1Char('\r') + cause + QStringLiteral("。");
}

}  // namespace ie
