// Saving and loading a property with a 20 MB site photo, against copying the same file and syncing
// it to disk. The save is the save button's action without the window (prompt answered Yes, one
// durable transaction); the load is the list window's Read step (the row copied into the record
// and the photo written to the scratch file). Prints the medians and the ratio
// (save + load) / (copy + sync), target at most 3.
//
// Usage: bench_photo [megabytes] [repetitions] [--smoke]   (--smoke: a 1 MB photo, one repetition)
#include "BenchSupport.h"

#include "platform/Database.h"
#include "platform/UiServices.h"
#include "records/PropertySave.h"
#include "records/SaveLoad.h"
#include "state/ModGlobal.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ie;

namespace {

using ie::bench::Exec;
using ie::bench::Median;
using ie::bench::StatusKb;

class BenchUi : public UiServices {
public:
    void message(QWidget*, const QString& text, MsgIcon, const QString&) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        failed = true;
    }
    using UiServices::message;
    Answer question(QWidget*, const QString&, const QString&, Answer) override {
        return Answer::Yes;
    }
    int choose(QWidget*, const QString&, const QString&, const QStringList&) override { return 0; }
    void note(QWidget*, const QString&) override {}
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, QString*) override { return {}; }
    QDate today() override { return QDate(2026, 12, 7); }
    QString tempFolder() override { return QDir::tempPath(); }
    bool failed = false;
};
double Ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

// The baseline: the file read whole, written to a new file and synced.
double CopyAndSync(const QString& from, const QString& to) {
    QElapsedTimer t;
    t.start();
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return -1;
    }
    const QByteArray bytes = in.readAll();
    if (out.write(bytes) != bytes.size() || !out.flush() || ::fsync(out.handle()) != 0)
        return -1;
    out.close();
    return Ms(t);
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = ie::bench::TakeSmokeFlag(argc, argv);
    QCoreApplication app(argc, argv);
    const int megabytes = smoke ? 1 : argc > 1 ? std::atoi(argv[1]) : 20;
    const int reps = smoke ? 1 : argc > 2 ? std::atoi(argv[2]) : 7;

    QTemporaryDir dir;
    const QString dbPath = dir.filePath(QStringLiteral("Morinaxis_u.mdb"));
    const QString photoPath = dir.filePath(QStringLiteral("photo.jpg"));
    const QString copyPath = dir.filePath(QStringLiteral("copy.jpg"));
    if (!ie::bench::MakeUserDatabase(dbPath)) {
        std::fprintf(stderr, "cannot make a user database\n");
        return 1;
    }
    QFile(dbPath).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    {
        sqlite3* db = nullptr;
        const bool emptied =
            sqlite3_open(QFile::encodeName(dbPath).constData(), &db) == SQLITE_OK &&
            Exec(db, "DELETE FROM 物件情報");
        sqlite3_close(db);
        if (!emptied)
            return 1;
    }
    QByteArray photo(qsizetype(megabytes) * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator rng(7);
    rng.fillRange(reinterpret_cast<quint32*>(photo.data()), photo.size() / 4);
    {
        QFile f(photoPath);
        if (!f.open(QIODevice::WriteOnly) || f.write(photo) != photo.size())
            return 1;
    }

    BenchUi ui;
    ModGlobal g;
    g.UsrDbPath = dbPath;
    BukkenJoho& b = g.Bukken;
    b.PicTempFile = dir.filePath(QStringLiteral("~my1.tmp"));
    // The picker leaves the picked photo's bytes in the scratch file, which a save stores.
    if (!QFile::copy(photoPath, b.PicTempFile))
        return 1;

    std::vector<double> saves, loads, copies;
    for (int i = 0; i <= reps; ++i) {
        // A new property whose photo was just picked.
        b.NewBukken = true;
        b.PicUmu = true;
        b.PicFile = photoPath;
        b.Jusho = QStringLiteral("東京都千代田区丸の内一丁目1番地");
        b.TotiMenseki = 123.45;

        QElapsedTimer t;
        t.start();
        if (SaveBukken(g, ui, nullptr) != SaveOutcome::Saved) {
            std::fprintf(stderr, "the save failed\n");
            return 1;
        }
        const double save = Ms(t);

        t.restart();
        db::Connection con;
        con.setConnectionString(ConnectionString(dbPath));
        con.open();
        if (!LoadBukken(con, i + 1, b, ui.today())) {
            std::fprintf(stderr, "the load failed\n");
            return 1;
        }
        con.close();
        const double load = Ms(t);

        const double copy = CopyAndSync(photoPath, copyPath);
        if (ui.failed || copy < 0 || !b.PicUmu || QFileInfo(b.PicTempFile).size() != photo.size()) {
            std::fprintf(stderr, "a step failed\n");
            return 1;
        }
        if (i > 0) {  // the first round warms the caches
            saves.push_back(save);
            loads.push_back(load);
            copies.push_back(copy);
        }
    }

    const double save = Median(saves);
    const double load = Median(loads);
    const double copy = Median(copies);
    std::printf("bench_photo: one property with a %d MB photo, median of %d\n", megabytes, reps);
    std::printf("  save (new row, one durable transaction): %8.1f ms\n", save);
    std::printf("  load (row to record, scratch file rewritten): %8.1f ms\n", load);
    std::printf("  copy of the photo file + fsync:          %8.1f ms\n", copy);
    std::printf(
        "  ratio (save + load) / copy: %.2f (target <= 3); save / copy %.2f, load / copy "
        "%.2f\n",
        (save + load) / copy, save / copy, load / copy);
    return 0;
}
