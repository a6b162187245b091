#pragma once

// Runs a benchmark's program as a child process, so its time and peak memory are its own.

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

struct Measure {
    bool ok = false;
    double seconds = 0;
    double peakMb = 0;
};

// Runs the program with stdout sent to /dev/null; the best of `runs` times, the largest peak.
inline Measure runChild(const QStringList& command, int runs) {
    Measure best;
    for (int run = 0; run < runs; ++run) {
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
        const double peak = double(usage.ru_maxrss) / 1024.0;
        if (!best.ok || seconds < best.seconds)
            best.seconds = seconds;
        best.peakMb = qMax(best.peakMb, peak);
        best.ok = true;
    }
    return best;
}
