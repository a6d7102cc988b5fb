// Start-up of the whole program (--no-splash --quit-after-show) against a bare Qt Widgets window
// that also quits once shown, in the same run: once with an empty user database and once with
// 100,000 saved properties. Prints the medians and their ratio (target: at most 1.5).
//
// Usage: bench_startup [runs]   (QT_QPA_PLATFORM=offscreen is set for both programs)
#include "BenchSupport.h"
#include "common/AppError.h"
#include "state/UserDatabase.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using ie::bench::Exec;
using ie::bench::Median;
using ie::bench::StatusKb;
double RunOnce(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "run failed: %s %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
        std::exit(1);
    }
    return t.nsecsElapsed() / 1e6;
}
// A program folder with the program, the reference database and a user database of n rows.
bool Prepare(const QString& folder, int rows) {
    const QString bin = QStringLiteral(IE_BIN_DIR);
    if (!QFile::copy(bin + QStringLiteral("/ienedancho"), folder + QStringLiteral("/ienedancho")) ||
        !QFile::copy(bin + QStringLiteral("/Morinaxis_s.mdb"),
                     folder + QStringLiteral("/Morinaxis_s.mdb"))) {
        return false;
    }
    QFile::setPermissions(folder + QStringLiteral("/ienedancho"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // A file of the current version, so that no run measures an upgrade.
    const QString usrDb = folder + QStringLiteral("/Morinaxis_u.mdb");
    try {
        ie::CreateUserDatabase(usrDb);
    } catch (const ie::AppError&) {
        return false;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(usrDb).constData(), &db) != SQLITE_OK)
        return false;
    Exec(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT INTO 物件情報 (物件ID, 国税路線価, 敷地面積, 敷地評価額, 家屋評価額, "
        "住所, 販売会社名, 家屋建築年月日, 画地補正率) VALUES (?,?,?,?,?,?,?,?,1.0)",
        -1, &st, nullptr);
    for (int i = 1; i <= rows; ++i) {
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_int64(st, 2, (100000LL + i) * 10000);
        sqlite3_bind_double(st, 3, 100.0 + i % 300);
        sqlite3_bind_int64(st, 4, (18750000LL + i) * 10000);
        sqlite3_bind_int64(st, 5, (11000000LL + i) * 10000);
        const QByteArray addr = QStringLiteral("東京都千代田区丸の内%1丁目").arg(i).toUtf8();
        sqlite3_bind_text(st, 6, addr.constData(), addr.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 7, "いえねだん不動産", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 8, "2015-04-01", -1, SQLITE_STATIC);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    Exec(db, "COMMIT");
    sqlite3_close(db);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
    const QString bare = QStringLiteral(IE_BENCH_DIR "/bare_window");
    std::printf("start-up benchmark: %d runs each, medians in ms (offscreen)\n", runs);
    bool allOk = true;
    for (int rows : {0, 100000}) {
        QTemporaryDir dir;
        if (!Prepare(dir.path(), rows)) {
            std::fprintf(stderr, "could not prepare the program folder\n");
            return 1;
        }
        const QString program = dir.path() + QStringLiteral("/ienedancho");
        const QStringList args = {QStringLiteral("--no-splash"),
                                  QStringLiteral("--quit-after-show")};
        RunOnce(program, args);  // first start writes the settings file; warm the caches
        RunOnce(bare, {});
        std::vector<double> ours, base;
        for (int i = 0; i < runs; ++i) {
            ours.push_back(RunOnce(program, args));
            base.push_back(RunOnce(bare, {}));
        }
        const double mo = Median(ours), mb = Median(base);
        const double ratio = mo / mb;
        allOk = allOk && ratio <= 1.5;
        std::printf(
            "%7d saved properties: ienedancho %.1f ms, bare window %.1f ms, ratio %.2f (target <= "
            "1.5)\n",
            rows, mo, mb, ratio);
    }
    return allOk ? 0 : 2;
}
