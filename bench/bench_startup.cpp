// Start-up of the whole program (--no-splash --quit-after-show) against a bare Qt Widgets window
// that also quits once shown, in the same run: once with an empty user database and once with
// 100,000 saved properties. Prints the medians and their ratio (target: at most 1.5).
//
// With --before, an earlier build of the program is measured in the same rounds (bare window,
// earlier program, this program, in turn), so that a change to the start-up is judged on one
// machine in one state; its medians and ratio are printed beside this program's.
//
// Usage: bench_startup [runs] [--before /path/to/earlier/ienedancho] [--smoke]
//        (QT_QPA_PLATFORM=offscreen is set for every program; each program is copied beside its
//        own copies of the reference database and the user database, a portable folder)
#include "BenchSupport.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using ie::bench::Exec;
using ie::bench::Median;

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
// A program folder with the program and the reference database.
bool CopyProgram(const QString& program, const QString& folder) {
    const QString bin = QStringLiteral(IE_BIN_DIR);
    if (!QFile::copy(program, folder + QStringLiteral("/ienedancho")) ||
        !QFile::copy(bin + QStringLiteral("/Morinaxis_s.mdb"),
                     folder + QStringLiteral("/Morinaxis_s.mdb"))) {
        std::fprintf(stderr, "cannot copy %s and the reference database into %s\n",
                     qPrintable(program), qPrintable(folder));
        return false;
    }
    QFile::setPermissions(folder + QStringLiteral("/ienedancho"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

// A user database of the current version with n rows, so that no run measures an upgrade.
bool MakeUserDatabase(const QString& usrDb, int rows) {
    if (!ie::bench::MakeUserDatabase(usrDb))
        return false;
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(usrDb).constData(), &db) != SQLITE_OK)
        return false;
    bool ok = Exec(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    ok = ok && sqlite3_prepare_v2(db,
                                  "INSERT INTO 物件情報 (物件ID, 国税路線価, 敷地面積, 敷地評価額, "
                                  "家屋評価額, 住所, 販売会社名, 家屋建築年月日, 画地補正率) "
                                  "VALUES (?,?,?,?,?,?,?,?,1.0)",
                                  -1, &st, nullptr) == SQLITE_OK;
    if (!ok)
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    for (int i = 1; ok && i <= rows; ++i) {
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_int64(st, 2, (100000LL + i) * 10000);
        sqlite3_bind_double(st, 3, 100.0 + i % 300);
        sqlite3_bind_int64(st, 4, (18750000LL + i) * 10000);
        sqlite3_bind_int64(st, 5, (11000000LL + i) * 10000);
        const QByteArray addr = QStringLiteral("東京都千代田区丸の内%1丁目").arg(i).toUtf8();
        sqlite3_bind_text(st, 6, addr.constData(), addr.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 7, "いえねだん不動産", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 8, "2015-04-01", -1, SQLITE_STATIC);
        if (sqlite3_step(st) != SQLITE_DONE) {
            std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
            ok = false;
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && Exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

// One program measured: its folder and its times.
struct Measured {
    QString program;
    std::vector<double> ms;
};

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = ie::bench::TakeSmokeFlag(argc, argv);
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString before;
    const qsizetype at = args.indexOf(QStringLiteral("--before"));
    if (at >= 0) {
        if (at + 1 >= args.size()) {
            std::fprintf(stderr, "--before needs the path of an earlier ienedancho\n");
            return 1;
        }
        before = QFileInfo(args[at + 1]).absoluteFilePath();
        if (!QFileInfo(before).isExecutable()) {
            std::fprintf(stderr, "%s is not a program\n", qPrintable(before));
            return 1;
        }
        args.remove(at, 2);
    }
    const int runs = smoke ? 1 : !args.isEmpty() ? std::max(3, args[0].toInt()) : 15;
    const QString bare = QStringLiteral(IE_BENCH_DIR "/bare_window");
    const QString ours = QStringLiteral(IE_BIN_DIR "/ienedancho");
    std::printf("start-up benchmark: %d runs each, medians in ms (offscreen)%s\n", runs,
                before.isEmpty() ? "" : qPrintable(QStringLiteral("; earlier program ") + before));
    const QStringList programArgs = {QStringLiteral("--no-splash"),
                                     QStringLiteral("--quit-after-show")};
    bool allOk = true;
    for (int rows : {0, smoke ? 100 : 100000}) {
        QTemporaryDir dir;
        const QString usrDb = dir.filePath(QStringLiteral("Morinaxis_u.mdb"));
        if (!dir.isValid() || !MakeUserDatabase(usrDb, rows)) {
            std::fprintf(stderr, "could not prepare the user database\n");
            return 1;
        }
        // This program, and the earlier one when given, each in a folder of its own with a copy
        // of the same user database.
        std::vector<Measured> programs;
        for (const QString& program : {ours, before}) {
            if (program.isEmpty())
                continue;
            const QString folder = dir.filePath(QString::number(programs.size()));
            if (!QDir().mkpath(folder) || !CopyProgram(program, folder) ||
                !QFile::copy(usrDb, folder + QStringLiteral("/Morinaxis_u.mdb"))) {
                std::fprintf(stderr, "could not prepare the program folder %s\n",
                             qPrintable(folder));
                return 1;
            }
            QFile::setPermissions(folder + QStringLiteral("/Morinaxis_u.mdb"),
                                  QFile::ReadOwner | QFile::WriteOwner);
            programs.push_back({folder + QStringLiteral("/ienedancho"), {}});
        }
        // The first start writes the settings file; one round warms the caches.
        RunOnce(bare, {});
        for (const Measured& m : programs)
            RunOnce(m.program, programArgs);
        std::vector<double> base;
        for (int i = 0; i < runs; ++i) {
            base.push_back(RunOnce(bare, {}));
            // The two programs swap places every round, so that neither always runs right after
            // the bare window.
            if (i % 2 == 0) {
                for (auto it = programs.rbegin(); it != programs.rend(); ++it)
                    it->ms.push_back(RunOnce(it->program, programArgs));
            } else {
                for (Measured& m : programs)
                    m.ms.push_back(RunOnce(m.program, programArgs));
            }
        }
        const double mb = Median(base);
        const double mo = Median(programs.front().ms);
        const double ratio = mo / mb;
        allOk = allOk && ratio <= 1.5;
        std::printf(
            "%7d saved properties: ienedancho %.1f ms, bare window %.1f ms, ratio %.2f (target <= "
            "1.5)\n",
            rows, mo, mb, ratio);
        if (programs.size() > 1) {
            const double me = Median(programs.back().ms);
            std::printf(
                "%7d saved properties: earlier ienedancho %.1f ms, ratio %.2f; this one / earlier "
                "%.2f\n",
                rows, me, me / mb, mo / me);
        }
    }
    // A smoke run only shows that every program starts and ends well.
    return smoke || allOk ? 0 : 2;
}
