#pragma once

#include "platform/SafeWrite.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace ie::cli {

// Where a command's results go: standard output, or a file written whole or not at all
// (CheckedSaveFile). Writes are gathered and handed on in large pieces; the first failure is kept
// and every later write is dropped.
class Output {
public:
    // path empty or "-": standard output.
    explicit Output(const QString& path);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool open();
    void write(const QByteArray& bytes);
    // Hands on what is gathered (a result is never left half written when the command stops).
    bool flush();
    // Flushes and, for a file, puts it in place; false when a write failed.
    bool finish();
    bool failed() const { return !error_.isEmpty(); }
    // "ファイルに書き込めません。" CR path CR cause, on one line for the terminal.
    QString error() const;

private:
    QString path_;
    std::unique_ptr<CheckedSaveFile> file_;
    QByteArray buffer_;
    QString error_;
};

// A JSON string literal of text, in UTF-8.
QByteArray JsonString(const QString& text);

}  // namespace ie::cli
