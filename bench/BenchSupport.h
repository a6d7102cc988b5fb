#pragma once

// Small pieces every benchmark program uses: the smoke run's switch, the median of its runs, a
// figure of the process's own memory, SQL run straight on a database it prepares, and a new user
// database.
#include "common/AppError.h"
#include "platform/UiServices.h"
#include "state/UserDatabase.h"

#include <sqlite3.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace ie::bench {

// --smoke, anywhere among the arguments: the benchmark runs its whole path at its smallest sizes,
// once, and judges no figure, so that CTest sees a benchmark that no longer runs (a failure still
// ends it with a non-zero code). The switch is taken out of argv, so that the positional
// arguments keep their places.
inline bool TakeSmokeFlag(int& argc, char** argv) {
    bool smoke = false;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else
            argv[out++] = argv[i];
    }
    argv[out] = nullptr;
    argc = out;
    return smoke;
}

// A child program's run: wall time from start to end, its user + system time, its peak memory.
struct SpawnRun {
    double seconds = 0;
    double cpu = 0;
    long maxRssKb = 0;
    bool ok = false;  // started and exited with 0
};

// Starts a program with stdout going to a file (stderr kept), waits for it, and times it.
inline SpawnRun Spawn(const std::vector<std::string>& argv, const std::string& stdoutPath) {
    SpawnRun run;
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.maxRssKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// A file's whole text; empty when it cannot be read.
inline std::string ReadText(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when it cannot be read.
inline long StatusKb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            kb = std::atol(line + n + 1);
            break;
        }
    }
    std::fclose(f);
    return kb;
}

inline bool Exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", err ? err : "?");
        sqlite3_free(err);
        return false;
    }
    return true;
}

// A new, empty user database at path, made as the program makes one; false on failure.
inline bool MakeUserDatabase(const QString& path) {
    QFile::remove(path);
    try {
        CreateUserDatabase(path);
        return true;
    } catch (const AppError&) {
        return false;
    }
}

// Answers nothing and shows messages on stderr: a benchmark must not stop on a dialog.
class BenchUi : public UiServices {
public:
    void message(QWidget*, const QString& text, MsgIcon, const QString&) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    }
    using UiServices::message;
    Answer question(QWidget*, const QString&, const QString&, Answer def) override { return def; }
    int choose(QWidget*, const QString&, const QString&, const QStringList& b) override {
        return static_cast<int>(b.size()) - 1;
    }
    void note(QWidget*, const QString&) override {}
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, QString*) override { return {}; }
    QDate today() override { return QDate(2026, 12, 7); }
    QString tempFolder() override { return QDir::tempPath(); }
};

// A user database with `rows` properties with every list column filled, photoRows of them
// (spread evenly) with a photo of photoBytes random bytes.
inline bool MakeListDatabase(const QString& path, int rows, int photoRows, int photoBytes) {
    QFile::remove(path);
    if (!MakeUserDatabase(path))
        return false;
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    bool ok = Exec(db, "DELETE FROM 物件情報") && Exec(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    const char* sql =
        "INSERT INTO 物件情報 (物件ID, 国税路線価, 敷地面積, 側1路線ランク, 側2路線ランク, "
        "裏面路線ランク, 無道路地ランク, 南道路ランク, その他ランク, 間口狭小ランク, "
        "奥行長大ランク, "
        "不整形ランク, 崖地ランク, 高圧線下ランク, 年間地価変動率, 画地補正率, 敷地評価額, 坪単価, "
        "延床面積, 家屋建築年月日, 家屋評価額, 評価年月日, 住所, 販売会社名, 担当者名, 電話番号, "
        "敷地販売価格, 家屋販売価格, 合計販売価格, 備考, 現場写真) VALUES (?1, ?2, ?3, ?4, ?4, ?4, "
        "?4, ?4, ?4, ?4, ?4, ?4, ?4, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, '2026-12-07', ?12, "
        "'いろは不動産株式会社', '山田　太郎', '03-1234-5678', ?13, ?14, ?15, "
        "'南向き、駅まで徒歩10分', "
        "?16)";
    ok = ok && sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK;
    QByteArray photo(photoRows > 0 ? photoBytes : 0, Qt::Uninitialized);
    QRandomGenerator rng(42);
    rng.fillRange(reinterpret_cast<quint32*>(photo.data()), photo.size() / 4);
    const int photoStep = photoRows > 0 ? std::max(rows / photoRows, 1) : 0;
    int photos = 0;
    for (int i = 1; ok && i <= rows; ++i) {
        const qint64 rosenka = 100000 + (i % 500) * 1000;
        const double area = 100 + (i % 300) * 0.25;
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_int64(st, 2, rosenka * 10000);
        sqlite3_bind_double(st, 3, area);
        sqlite3_bind_int(st, 4, i % 5);
        sqlite3_bind_double(st, 5, -0.01 + (i % 7) * 0.005);
        sqlite3_bind_double(st, 6, 0.9);
        sqlite3_bind_int64(st, 7, static_cast<qint64>(rosenka * area * 10000 * 1.125));
        sqlite3_bind_double(st, 8, 500000);
        sqlite3_bind_double(st, 9, 30.5);
        const QByteArray built =
            QDate(1980 + i % 40, 1 + i % 12, 1 + i % 28).toString(Qt::ISODate).toUtf8();
        sqlite3_bind_text(st, 10, built.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 11, (10000000LL + i) * 10000);
        const QByteArray address =
            QStringLiteral("東京都千代田区丸の内一丁目%1番地").arg(i).toUtf8();
        sqlite3_bind_text(st, 12, address.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 13, 30000000LL * 10000);
        sqlite3_bind_int64(st, 14, 15000000LL * 10000);
        sqlite3_bind_int64(st, 15, 45000000LL * 10000);
        if (photoStep > 0 && i % photoStep == 0 && photos < photoRows) {
            ++photos;
            sqlite3_bind_blob(st, 16, photo.constData(), static_cast<int>(photo.size()),
                              SQLITE_STATIC);
        } else {
            sqlite3_bind_null(st, 16);
        }
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && Exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

}  // namespace ie::bench
