// Picking a phone's photo in the memo dialog (写真読込: size check, whole-file read, decode at the
// photo area's size, scratch copy, shown), against decoding the same JPEG at full size with a
// plain QImageReader. For the generated site photo at 12, 48 and 108 MP: the median time of each
// and the peak memory of each, and the ratios pick / decode (targets: time at most 3, peak memory
// at most 1.2).
//
// Each case runs in a child process of its own (this program started again with --child), so
// that its peak memory (VmHWM, the resident high-water mark) is its own and not what an earlier
// case left behind. Every child starts the same QApplication; its resident size before the first
// run is printed too.
//
// Usage: bench_pick [repetitions] [--smoke]   (--smoke: one small photo, one repetition)
#include "BenchSupport.h"
#include "SitePhoto.h"

#include "platform/UiServices.h"
#include "records/FrmMemo.h"
#include "state/ModGlobal.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace ie;

namespace {

class PickUi : public UiServices {
public:
    QString file;
    bool failed = false;
    void message(QWidget*, const QString& text, MsgIcon, const QString&) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        failed = true;
    }
    using UiServices::message;
    Answer question(QWidget*, const QString&, const QString&, Answer d) override { return d; }
    int choose(QWidget*, const QString&, const QString&, const QStringList& b) override {
        return static_cast<int>(b.size()) - 1;
    }
    QString openFileName(QWidget*, const QString&, const QString&) override { return file; }
    void note(QWidget*, const QString&) override {}
    QString saveFileName(QWidget*, const QString&, const QString&, QString*) override { return {}; }
    QDate today() override { return QDate(2026, 12, 7); }
    QString tempFolder() override { return QDir::tempPath(); }
};

struct Figures {
    double ms = -1;
    long peakKb = -1;
    long startKb = -1;
};

// The child: runs one case reps times and prints "ms peakKb startKb".
int Child(const QString& mode, const QString& file, int reps) {
    const long startKb = bench::StatusKb("VmRSS");
    std::vector<double> times;
    if (mode == QStringLiteral("decode")) {
        QImageReader::setAllocationLimit(0);  // a plain decode of the whole photo, unlimited
        for (int i = 0; i < reps; ++i) {
            QElapsedTimer t;
            t.start();
            QImageReader reader(file);
            const QImage image = reader.read();
            times.push_back(t.nsecsElapsed() / 1e6);
            if (image.isNull())
                return 1;
        }
    } else {
        QTemporaryDir dir;
        ModGlobal g;
        g.Bukken.PicTempFile = dir.filePath(QStringLiteral("~my1.tmp"));
        QFile(g.Bukken.PicTempFile).open(QIODevice::WriteOnly);
        PickUi ui;
        ui.file = file;
        for (int i = 0; i < reps; ++i) {
            FrmMemo dlg(g, ui);
            QElapsedTimer t;
            t.start();
            dlg.CmdPicRead_Click();
            times.push_back(t.nsecsElapsed() / 1e6);
            if (ui.failed || !dlg.hasPicture())
                return 1;
        }
    }
    std::printf("%.1f %ld %ld\n", bench::Median(times), bench::StatusKb("VmHWM"), startKb);
    return 0;
}

Figures RunChild(const QString& mode, const QString& file, int reps) {
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--child"), mode, file, QString::number(reps)});
    Figures f;
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(mode), p.readAllStandardError().data());
        return f;
    }
    const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() == 3) {
        f.ms = parts[0].toDouble();
        f.peakKb = parts[1].toLong();
        f.startKb = parts[2].toLong();
    }
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = ie::bench::TakeSmokeFlag(argc, argv);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QStringLiteral("--child"))
        return Child(args[2], args[3], args[4].toInt());
    const int reps = smoke ? 1 : args.size() > 1 ? args[1].toInt() : 5;

    QTemporaryDir dir;
    std::printf(
        "bench_pick: the memo dialog's 写真読込 against a full-size QImageReader decode of the\n"
        "same JPEG (generated site photo, quality 92), median of %d, each case in a child\n"
        "process of its own\n",
        reps);
    std::printf("  %-7s %8s | %10s %10s %6s | %12s %12s %6s | %8s\n", "photo", "file", "decode ms",
                "pick ms", "ratio", "decode peak", "pick peak", "ratio", "start");
    bool ok = true;
    struct Case {
        int mp;
        QSize size;
    };
    const std::vector<Case> photos =
        smoke ? std::vector<Case>{{1, QSize(1200, 900)}}
              : std::vector<Case>{
                    {12, QSize(4000, 3000)}, {48, QSize(8064, 6048)}, {108, QSize(12000, 9000)}};
    for (const Case& photo : photos) {
        const QString file = dir.filePath(QStringLiteral("site-%1mp.jpg").arg(photo.mp));
        {
            QFile f(file);
            const QByteArray bytes = bench::GeneratedSitePhotoJpeg(photo.size);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                return 1;
        }
        const Figures decode = RunChild(QStringLiteral("decode"), file, reps);
        const Figures pick = RunChild(QStringLiteral("pick"), file, reps);
        if (decode.ms < 0 || pick.ms < 0) {
            ok = false;
            continue;
        }
        std::printf(
            "  %3d MP %7.1f MB | %10.1f %10.1f %6.2f | %9.1f MB %9.1f MB %6.2f | %5.1f MB\n",
            photo.mp, QFileInfo(file).size() / 1048576.0, decode.ms, pick.ms, pick.ms / decode.ms,
            decode.peakKb / 1024.0, pick.peakKb / 1024.0, double(pick.peakKb) / decode.peakKb,
            pick.startKb / 1024.0);
    }
    std::printf(
        "  targets: time ratio <= 3, peak memory ratio <= 1.2 (peaks include the process's "
        "start, shown last)\n");
    return ok ? 0 : 1;
}
