#include "platform/SaveChooser.h"

#include "platform/IniFile.h"
#include "platform/SafeWrite.h"
#include "platform/UiServices.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

namespace ie {

namespace {

bool WritePngFile(const QImage& image, const QString& path, QString& cause) {
    CheckedSaveFile file(path);
    if (!file.open()) {
        cause = file.cause();
        return false;
    }
    if (!image.save(&file.device(), "PNG")) {
        // A failed write has its cause; otherwise the encoder failed, not the file.
        cause = file.failed() ? file.cause() : QStringLiteral("PNG画像を書き出せませんでした。");
        file.cancel();
        return false;
    }
    if (!file.commit()) {
        cause = file.cause();
        return false;
    }
    return true;
}

}  // namespace

QString RememberedFolder::folder() const {
    if (!iniPath.isEmpty()) {
        const QString last = ModReadOption(iniPath, key);
        if (!last.isEmpty() && QFileInfo(last).isDir())
            return last;
    }
    const QString first = QStandardPaths::writableLocation(firstPlace);
    if (!first.isEmpty() && QFileInfo(first).isDir())
        return first;
    return QDir::homePath();
}

void RememberedFolder::remember(UiServices& ui, QWidget* parent, const QString& folder) const {
    if (iniPath.isEmpty() || folder.isEmpty() || ModReadOption(iniPath, key) == folder)
        return;
    QString error;
    // A folder the settings file cannot spell (outside CP932) is simply not remembered.
    if (ModWriteOption(iniPath, key, folder, &error) == ini::WriteResult::Failed) {
        ui.message(parent,
                   QStringLiteral("設定ファイル %1 に書き込めないため、%2は次回には"
                                  "引き継がれません。\r")
                           .arg(QDir::toNativeSeparators(iniPath), what) +
                       error,
                   MsgIcon::Exclamation);
    }
}

const SaveFileKind& PdfFileKind() {
    static const SaveFileKind kind{QStringLiteral("PDFファイル (*.pdf)"), QStringLiteral("pdf"),
                                   QStringLiteral("PDF_FOLDER")};
    return kind;
}

const SaveFileKind& PngFileKind() {
    static const SaveFileKind kind{QStringLiteral("PNG画像 (*.png)"), QStringLiteral("png"),
                                   QStringLiteral("PNG_FOLDER")};
    return kind;
}

QString ChooseSaveFile(UiServices& ui, QWidget* parent, const QString& iniPath,
                       const SaveFileKind& kind, const QString& name, const OwnFileCheck& ownFile) {
    const RememberedFolder place{iniPath, kind.folderKey, QStandardPaths::DocumentsLocation,
                                 QStringLiteral("保存先のフォルダ")};
    QString path = ui.saveFileName(parent, kind.filter, QDir(place.folder()).filePath(name));
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + kind.suffix;
    if (const QString own = ownFile ? ownFile(path) : QString(); !own.isEmpty()) {
        ui.message(parent,
                   QStringLiteral("いえねだん帳が使用している%1には保存できません。\r%2\r"
                                  "別のファイル名を指定してください。")
                       .arg(own, QDir::toNativeSeparators(path)),
                   MsgIcon::Exclamation);
        return {};
    }
    if (QFileInfo::exists(path) &&
        ui.question(parent, QStringLiteral("同じ名前のファイルが存在します。上書きしますか"),
                    AppTitle(), Answer::Yes) == Answer::No) {
        return {};
    }
    place.remember(ui, parent, QFileInfo(path).absolutePath());
    return path;
}

void SavePngFile(UiServices& ui, QWidget* parent, const QImage& image, const QString& path) {
    QString cause;
    if (!WritePngFile(image, path, cause)) {
        ui.message(parent,
                   QStringLiteral("ファイルに保存できませんでした。\r") +
                       QDir::toNativeSeparators(path) + QLatin1Char('\r') + cause,
                   MsgIcon::Critical);
        return;
    }
    NoteFileSaved(ui, parent, path);
}

void NoteFileSaved(UiServices& ui, QWidget* parent, const QString& path) {
    ui.note(parent, QStringLiteral("%1 に保存しました。").arg(QDir::toNativeSeparators(path)));
}

QString FileNamePart(const QString& text, int maxChars) {
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString out;
    bool space = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            space = true;
            continue;
        }
        if (space && !out.isEmpty())
            out += u'_';
        space = false;
        const bool bad = c.unicode() < 0x20 || c.unicode() == 0x7F || refused.contains(c) ||
                         c.category() == QChar::Other_Control ||
                         c.category() == QChar::Other_Format;
        out += bad ? QChar(u'_') : c;
    }
    if (out.size() > maxChars) {
        qsizetype cut = maxChars;
        if (out.at(cut - 1).isHighSurrogate())
            --cut;
        out.truncate(cut);
    }
    // A name of dots alone means something else, and an end of "_" reads as a slip.
    while (!out.isEmpty() && (out.front() == u'_' || out.front() == u'.'))
        out.remove(0, 1);
    while (!out.isEmpty() && (out.back() == u'_' || out.back() == u'.'))
        out.chop(1);
    return out;
}

}  // namespace ie
