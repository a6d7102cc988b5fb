#include "platform/ConsoleUiServices.h"

#include "platform/FileLocations.h"

namespace ie {

void ConsoleUiServices::print(const QString& caption, const QString& text) {
    // The message boxes' line breaks (CR) as the terminal's.
    QString line = caption + QStringLiteral(": ") + text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    line.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out_);
    std::fflush(out_);
}

void ConsoleUiServices::message(QWidget*, const QString& text, MsgIcon, const QString& caption) {
    print(caption, text);
}

Answer ConsoleUiServices::question(QWidget*, const QString& text, const QString& caption,
                                   Answer defaultButton) {
    print(caption, text);
    return defaultButton;
}

void ConsoleUiServices::note(QWidget*, const QString& text) {
    print(AppTitle(), text);
}

QString ConsoleUiServices::openFileName(QWidget*, const QString&, const QString&) {
    return {};
}

QString ConsoleUiServices::saveFileName(QWidget*, const QString&, const QString&, QString*) {
    return {};
}

int ConsoleUiServices::choose(QWidget*, const QString& text, const QString& caption,
                              const QStringList&) {
    print(caption, text);
    return 0;
}

QDate ConsoleUiServices::today() {
    return QDate::currentDate();
}

QString ConsoleUiServices::tempFolder() {
    return RuntimeFolder();
}

}  // namespace ie
