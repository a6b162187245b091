#pragma once

// What the benchmarks share: a child-process run that measures a program's own time and peak
// memory, its printed row, and the generated text of their source files.

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

struct Measure {
    bool ok = false;
    double seconds = 0;    // wall time
    double cpuSeconds = 0; // processor time, user and system: what other work on the machine moves least
    double peakMb = 0;
};

// Runs the program once with stdout sent to /dev/null: its time and peak memory.
inline Measure runChildOnce(const QStringList& command) {
    std::vector<QByteArray> storage;
    for (const QString& part : command)
        storage.push_back(part.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& part : storage)
        argv.push_back(part.data());
    argv.push_back(nullptr);

    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return {};
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", qPrintable(command.join(u' ')), status);
        return {};
    }
    const auto secondsOf = [](const timeval& time) {
        return double(time.tv_sec) + double(time.tv_usec) / 1e6;
    };
    return {true, seconds, secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime),
            double(usage.ru_maxrss) / 1024.0};
}

// Adds one run to the runs so far: the best wall time and the best processor time (each of its
// own run), the largest peak. A failed run fails them all.
inline void keepBest(Measure* best, const Measure& run, bool first) {
    if (!run.ok || (!first && !best->ok)) {
        *best = {};
        return;
    }
    if (first || run.seconds < best->seconds)
        best->seconds = run.seconds;
    if (first || run.cpuSeconds < best->cpuSeconds)
        best->cpuSeconds = run.cpuSeconds;
    best->peakMb = first ? run.peakMb : qMax(best->peakMb, run.peakMb);
    best->ok = true;
}

// The best of `runs` times (wall and processor), the largest peak.
inline Measure runChild(const QStringList& command, int runs) {
    Measure best;
    for (int run = 0; run < runs; ++run) {
        keepBest(&best, runChildOnce(command), run == 0);
        if (!best.ok)
            break;
    }
    return best;
}

inline void printRow(const char* what, const Measure& m, double sourceMb) {
    if (!m.ok) {
        std::printf("%-30s failed\n", what);
        return;
    }
    std::printf("%-30s %8.3f s %8.1f MB/s %8.3f s cpu %8.1f MB peak %6.2fx source\n", what, m.seconds,
                sourceMb / m.seconds, m.cpuSeconds, m.peakMb, m.peakMb / sourceMb);
}

// A fixed pseudo-random sequence keeps every run's file the same; a generator that sets the seed
// back to kFirstSeed repeats the sequence.
inline constexpr quint32 kFirstSeed = 12345;
inline quint32 g_seed = kFirstSeed;
inline quint32 nextRandom() {
    g_seed = g_seed * 1103515245u + 12345u;
    return (g_seed >> 16) & 0x7FFF;
}

inline const QStringList kPhrases{QStringLiteral("纯棉面料，舒适透气"),
                                  QStringLiteral("韩版修身连衣裙"),
                                  QStringLiteral("春装新款上市"),
                                  QStringLiteral("正品保证 假一赔十"),
                                  QStringLiteral("全国包邮，七天无理由退换"),
                                  QStringLiteral("买家好评如潮"),
                                  QStringLiteral("尺码偏小，建议拍大一码"),
                                  QStringLiteral("颜色以实物为准"),
                                  QStringLiteral("限时特价&nbsp;欢迎选购"),
                                  QStringLiteral("店主推荐，品质保证"),
                                  QStringLiteral("手工缝制 精致做工"),
                                  QStringLiteral("数量有限，售完即止")};

// "[folder] [items]": the folder for the generated files (a temporary one by default, created when
// missing) and the number of items (20000 by default).
struct BenchArguments {
    QString folder;
    int items = 20000;
    bool ok = false;

    BenchArguments(int argc, char** argv, const QTemporaryDir& temporary) {
        folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
        if (argc > 2)
            items = QString::fromLocal8Bit(argv[2]).toInt();
        ok = QDir(folder).exists() || QDir().mkpath(folder);
        if (!ok)
            std::fprintf(stderr, "cannot use %s\n", qPrintable(folder));
    }
};
