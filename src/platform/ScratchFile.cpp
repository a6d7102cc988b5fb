#include "platform/ScratchFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace ie {

bool ModTempFile(const QString& folder, const QString& prefix, QString& path,
                 const QString& tempFolder) {
    const QString dirPath = folder.isEmpty() ? tempFolder : folder;
    if (dirPath.isEmpty()) {
        return false;
    }
    const QDir dir(dirPath);
    if (!dir.exists()) {
        return false;
    }
    // Like the system call this stands in for: the first three characters of the prefix, a number
    // of one to four upper-case hex digits (never 0), ".tmp"; on a clash the next number is tried.
    const QString head = prefix.left(3);
    constexpr quint32 kNumbers = 0xFFFF;
    const quint32 start = QRandomGenerator::global()->bounded(kNumbers);
    for (quint32 i = 0; i < kNumbers; ++i) {
        const quint32 number = (start + i) % kNumbers + 1;
        const QString candidate = dir.absoluteFilePath(
            head + QString::number(number, 16).toUpper() + QStringLiteral(".tmp"));
        QFile file(candidate);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            file.close();
            path = QDir::toNativeSeparators(candidate);
            return true;
        }
        if (!QFileInfo::exists(candidate)) {
            return false;  // not a clash: the folder cannot take a new file at all
        }
    }
    return false;
}

}  // namespace ie
