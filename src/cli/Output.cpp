#include "cli/Output.h"

#include "platform/WriteFailure.h"

#include <unistd.h>
#include <cerrno>

namespace ie::cli {

namespace {

constexpr qsizetype kFlushBytes = 64 * 1024;

bool IsStandardOutput(const QString& path) {
    return path.isEmpty() || path == QStringLiteral("-");
}

}  // namespace

Output::Output(const QString& path) : path_(path) {}

Output::~Output() = default;

bool Output::open() {
    if (IsStandardOutput(path_))
        return true;
    file_ = std::make_unique<CheckedSaveFile>(path_);
    if (!file_->open()) {
        error_ = file_->error();
        return false;
    }
    return true;
}

void Output::write(const QByteArray& bytes) {
    if (failed())
        return;
    buffer_ += bytes;
    if (buffer_.size() >= kFlushBytes)
        flush();
}

bool Output::flush() {
    if (failed())
        return false;
    if (file_) {
        if (!buffer_.isEmpty() && !file_->write(buffer_))
            error_ = file_->error();
        buffer_.truncate(0);  // keeps its room for the next piece
        return !failed();
    }
    const char* data = buffer_.constData();
    qsizetype left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error_ = WriteFailedText(QStringLiteral("標準出力"), WriteCauseOfErrno(errno));
            break;
        }
        data += n;
        left -= n;
    }
    buffer_.truncate(0);
    return !failed();
}

bool Output::finish() {
    if (!flush())
        return false;
    if (file_ && !file_->commit()) {
        error_ = file_->error();
        return false;
    }
    return true;
}

QString Output::error() const {
    QString text = error_;
    text.replace(u'\r', u' ');
    return text;
}

QByteArray JsonString(const QString& text) {
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned char>(c));
                    out += esc;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

}  // namespace ie::cli
