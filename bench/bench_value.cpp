// `ienedancho value` on 100,000 generated properties (JSON lines in, CSV out), as a whole process,
// against a plain parse of the same file with Qt's JSON reader (QJsonDocument, one line at a time,
// nothing else) in a process of its own, in the same run. Prints the ratio of the median wall
// times (target: at most 3) and the command's peak memory for 10,000 and for 100,000 rows (target:
// within 10 % of each other, since the input is read as a stream).
//
// Usage: bench_value [rows] [--smoke]   (the program re-runs itself with --parse for the plain
// parse; --smoke: 200 rows, one run, no judgement)
#include "BenchSupport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

using ie::bench::Median;
using ie::bench::Spawn;
using Run = ie::bench::SpawnRun;

namespace {

// The plain parse: every line through QJsonDocument, the objects counted.
int Parse(const char* path) {
    QFile f(QString::fromLocal8Bit(path));
    if (!f.open(QIODevice::ReadOnly))
        return 1;
    long objects = 0;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        if (QJsonDocument::fromJson(line).isObject())
            ++objects;
    }
    std::printf("%ld\n", objects);
    return 0;
}

// Properties as a script would hand them over: land and house, some land only, some house only,
// all five structures, asking prices on most.
bool Generate(const QString& path, int rows) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray chunk;
    for (int i = 1; i <= rows; ++i) {
        char line[512];
        const int kind = i % 10;
        const int rosenka = 80000 + (i % 400) * 1000;
        const double area = 90.0 + (i % 500) * 0.37;
        const int built = 1975 + i % 50;
        int n = 0;
        if (kind == 0) {
            n = std::snprintf(line, sizeof line,
                              "{\"id\":\"P%d\",\"valuation_date\":\"2026-06-01\","
                              "\"road_price_year\":\"2025\",\"rosenka\":%d,\"land_area\":%.2f,"
                              "\"change_rate\":%.1f}\n",
                              i, rosenka, area, (i % 7 - 3) * 0.5);
        } else if (kind == 1) {
            n = std::snprintf(line, sizeof line,
                              "{\"id\":\"P%d\",\"valuation_date\":\"2026-06-01\","
                              "\"structure\":%d,\"floor_area_m2\":%.2f,\"built\":\"%d-%02d-01\"}\n",
                              i, 1 + i % 5, 60.0 + (i % 90) * 0.5, built, 1 + i % 12);
        } else {
            n = std::snprintf(line, sizeof line,
                              "{\"id\":\"P%d\",\"valuation_date\":\"2026-06-01\","
                              "\"road_price_year\":\"2025\",\"rosenka\":%d,\"land_area\":%.2f,"
                              "\"change_rate\":%.1f,\"lot_factor\":%.2f,\"structure\":%d,"
                              "\"floor_area_tsubo\":%.2f,\"built\":\"%d-%02d-15\","
                              "\"asking_total\":%d}\n",
                              i, rosenka, area, (i % 7 - 3) * 0.5, 0.8 + (i % 20) * 0.01, 1 + i % 5,
                              20.0 + (i % 40) * 0.5, built, 1 + i % 12,
                              20000000 + (i % 300) * 100000);
        }
        chunk.append(line, n);
        if (chunk.size() > (1 << 20)) {
            if (f.write(chunk) != chunk.size())
                return false;
            chunk.clear();
        }
    }
    return f.write(chunk) == chunk.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--parse") == 0)
        return Parse(argv[2]);

    const bool smoke = ie::bench::TakeSmokeFlag(argc, argv);
    const int rows = smoke ? 200 : argc > 1 ? std::atoi(argv[1]) : 100000;
    const int smallRows = rows / 10;
    const int kRuns = smoke ? 1 : 5;

    // A portable program folder of the run's own: the program beside copies of both databases.
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString bin = QStringLiteral(IE_BIN_DIR);
    for (const char* name : {"ienedancho", "Morinaxis_s.mdb", "Morinaxis_u.mdb"}) {
        if (!QFile::copy(bin + u'/' + QLatin1String(name), dir.filePath(QLatin1String(name)))) {
            std::fprintf(stderr, "cannot copy %s from %s\n", name, qPrintable(bin));
            return 1;
        }
    }
    QFile::setPermissions(dir.filePath(QStringLiteral("Morinaxis_u.mdb")),
                          QFile::ReadOwner | QFile::WriteOwner);
    const std::string program = dir.filePath(QStringLiteral("ienedancho")).toStdString();
    const std::string self =
        QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath().toStdString();
    const QString big = dir.filePath(QStringLiteral("big.jsonl"));
    const QString small = dir.filePath(QStringLiteral("small.jsonl"));
    if (!Generate(big, rows) || !Generate(small, smallRows)) {
        std::fprintf(stderr, "cannot write the input\n");
        return 1;
    }
    const std::string out = dir.filePath(QStringLiteral("out.csv")).toStdString();
    const std::string smallOut = dir.filePath(QStringLiteral("small.csv")).toStdString();
    const std::string stdoutPath = dir.filePath(QStringLiteral("stdout.txt")).toStdString();
    const auto value = [&](const QString& input, const std::string& output) {
        return Spawn({program, "value", input.toStdString(), "--format", "csv", "--output", output},
                     stdoutPath);
    };

    std::vector<double> valueT, parseT;
    long bigRss = 0, smallRss = 0;
    for (int i = 0; i <= kRuns; ++i) {  // the first round warms the caches and is not counted
        const Run v = value(big, out);
        const Run p = Spawn({self, "--parse", big.toStdString()}, stdoutPath);
        const Run s = value(small, smallOut);
        if (!v.ok || !p.ok || !s.ok) {
            std::fprintf(stderr, "a run failed (value %d, parse %d, value small %d)\n", v.ok, p.ok,
                         s.ok);
            return 1;
        }
        if (i == 0)
            continue;
        valueT.push_back(v.seconds);
        parseT.push_back(p.seconds);
        bigRss = std::max(bigRss, v.maxRssKb);
        smallRss = std::max(smallRss, s.maxRssKb);
    }
    QFile result(QString::fromStdString(out));
    qint64 lines = 0;
    if (result.open(QIODevice::ReadOnly)) {
        while (!result.atEnd()) {
            result.readLine();
            ++lines;
        }
    }

    const double mValue = Median(valueT), mParse = Median(parseT);
    const double ratio = mValue / mParse;
    const double memRatio = double(bigRss) / double(smallRss);
    std::printf("rows                      %d (%lld bytes of JSON lines)\n", rows,
                static_cast<long long>(QFileInfo(big).size()));
    std::printf("ienedancho value          median %.3f s wall over %d runs, %lld result lines\n",
                mValue, kRuns, static_cast<long long>(lines - 1));
    std::printf("QJsonDocument parse       median %.3f s wall over %d runs\n", mParse, kRuns);
    std::printf("time ratio                %.2f (target <= 3) %s\n", ratio,
                ratio <= 3.0 ? "ok" : "OVER");
    std::printf(
        "peak memory               %ld kB for %d rows, %ld kB for %d rows: %.3f "
        "(target within 10 %%) %s\n",
        smallRss, smallRows, bigRss, rows, memRatio,
        memRatio <= 1.10 && memRatio >= 0.90 ? "ok" : "OVER");
    if (lines - 1 != rows) {
        std::fprintf(stderr, "ienedancho value gave %lld result lines for %d rows\n",
                     static_cast<long long>(lines - 1), rows);
        return 1;
    }
    return smoke || (ratio <= 3.0 && memRatio <= 1.10) ? 0 : 2;
}
