#pragma once

#include <QStandardPaths>
#include <QString>

#include <functional>

class QImage;
class QWidget;

namespace ie {

class UiServices;

// A folder a chooser remembers in the settings file (an option of its own per kind of file), so
// that it opens there next time, at the next start too.
struct RememberedFolder {
    QString iniPath;  // the settings file; empty remembers nothing
    QString key;      // the option holding the folder ("PDF_FOLDER")
    // Where the chooser opens before anything was remembered (the user's Documents folder).
    QStandardPaths::StandardLocation firstPlace = QStandardPaths::DocumentsLocation;
    QString what;  // how the failure to remember names it ("写真のフォルダ")

    // The folder last remembered while it still exists, else firstPlace's folder, else home.
    QString folder() const;
    // Keeps folder for next time. Writes only when it changed; a settings file that cannot be
    // written is said once, with the icon of a warning, and the save itself goes on.
    void remember(UiServices& ui, QWidget* parent, const QString& folder) const;
};

// A kind of file the program saves besides the CSV: its chooser's filter, the extension a name
// typed without one gets, and the option that remembers its last folder.
struct SaveFileKind {
    QString filter;  // "PDFファイル (*.pdf)"
    QString suffix;  // "pdf"
    QString folderKey;
};
const SaveFileKind& PdfFileKind();
const SaveFileKind& PngFileKind();

// Names the program's own file at a path ("ユーザーデータベース"), or empty for any other file.
using OwnFileCheck = std::function<QString(const QString& path)>;

// Asks where to save a file of the kind, proposing name in the folder that kind was last saved to
// (Documents before that), and remembers the folder chosen. A name without an extension gets the
// kind's; one of the program's own files (ownFile) is refused with a message; an existing file is
// replaced only when the user says so. Empty when the user gave up or the file was refused.
QString ChooseSaveFile(UiServices& ui, QWidget* parent, const QString& iniPath,
                       const SaveFileKind& kind, const QString& name,
                       const OwnFileCheck& ownFile = {});

// Writes image to path as a PNG picture, whole or not at all (on a failure any earlier file stays
// as it was), then notes the saved file or shows why it could not be saved.
void SavePngFile(UiServices& ui, QWidget* parent, const QImage& image, const QString& path);

// The short note after a file was written, naming it.
void NoteFileSaved(UiServices& ui, QWidget* parent, const QString& path);

// A piece of a proposed file name made from free text (an address): characters that file systems
// refuse or that make trouble in a name (/ \ : * ? " < > |, control characters) become "_", runs of
// white space one "_", and the result is cut to maxChars characters (never inside a surrogate
// pair) without a "_" or "." at either end.
QString FileNamePart(const QString& text, int maxChars = 40);

}  // namespace ie
