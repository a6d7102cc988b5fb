#include "app/CsvExportCommand.h"

#include "platform/UiServices.h"
#include "records/CsvExport.h"
#include "state/ModGlobal.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace ie {

void RunCsvExport(ModGlobal& g, UiServices& ui, QWidget* parent) {
    const auto filterOf = [](const CsvFormat& f) { return f.name + QStringLiteral(" (*.csv)"); };
    QStringList filters;
    for (const CsvFormat& f : CsvFormats())
        filters << filterOf(f);
    QString filter = filters.front();
    const QString chosen =
        ui.saveFileName(parent, filters.join(QStringLiteral(";;")), g.Bukken.CsvFile, &filter);
    if (chosen.isEmpty())
        return;  // cancelled: the remembered name stays
    const CsvFormat* format = &CsvFormats().front();
    for (const CsvFormat& f : CsvFormats()) {
        if (filter == filterOf(f))
            format = &f;
    }
    // The overwrite question is about the file that will really be written.
    const QString path = CsvTargetPath(chosen);
    if (const QString own = OwnFileAt(g, path); !own.isEmpty()) {
        ui.message(parent,
                   QStringLiteral("いえねだん帳が使用している%1には書き出せません。\r%2\r"
                                  "別のファイル名を指定してください。")
                       .arg(own, QDir::toNativeSeparators(path)),
                   MsgIcon::Exclamation);
        return;
    }
    g.Bukken.CsvFile = path;

    const QFileInfo target(path);
    if (target.exists() && !target.isDir()) {
        if (ui.question(parent, QStringLiteral("同じ名前のファイルが存在します。上書きしますか"),
                        AppTitle(), Answer::Yes) != Answer::Yes) {
            return;
        }
    }

    UsrDbSession session(g, ui, parent);
    if (!session.ok()) {
        ui.showError(parent, session.failure());
        return;
    }
    const CsvExportResult result = ExportCsv(g.UsrDbCon, path, *format, StructureNamesFrom(g));
    session.close();

    if (!result.ok) {
        // A write failure names the file itself.
        ui.message(parent,
                   QStringLiteral("エクスポートに失敗しました。\r") +
                       (result.writeFailed ? QString() : QDir::toNativeSeparators(path) + u'\r') +
                       result.error,
                   MsgIcon::Critical);
        return;
    }
    QString done = QStringLiteral("%1件の物件を書き出しました。\rファイル：%2\r形式：%3")
                       .arg(result.rows)
                       .arg(QDir::toNativeSeparators(path), format->name);
    if (result.unmappable > 0) {
        done += QStringLiteral(
                    "\rShift-JISで表せない文字が%1文字あったため、"
                    "「?」に置き換えて書き出しました。")
                    .arg(result.unmappable);
    }
    ui.message(parent, done, result.unmappable > 0 ? MsgIcon::Exclamation : MsgIcon::Information);
}

}  // namespace ie
