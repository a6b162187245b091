// Writes a 50 MB output buffer the ways a flush does and prints each time next to a plain 50 MB
// file write, so the ratio shows whether appending or encoding costs more than a small multiple.
// Usage: bench_textfile [folder]   (default: a temporary folder, removed afterwards)

#include "text/TextFileIo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr qsizetype kBytes = 50 * 1024 * 1024;

// Rows like those of an assistant file: Chinese captions and values, TABs, numbers, CR LF.
QString outputBuffer(qsizetype utf16Units) {
    const QString row = QStringLiteral("\"韩版修身连衣裙 春装新款\"\t16\t1\t黑龙江\t哈尔滨\t1\t128.000000\t"
                                       "5.000000\t10.000000\t\"<p>纯棉面料，舒适透气&nbsp;包邮</p>\"\r\n");
    QString buffer;
    buffer.reserve(utf16Units + row.size());
    while (buffer.size() < utf16Units)
        buffer += row;
    buffer.truncate(utf16Units);
    return buffer;
}

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

void report(const char* what, double time, double baseline, qint64 fileBytes) {
    std::printf("%-52s %8.3f s  %6.2fx  (file %lld MB)\n", what, time, time / baseline,
                static_cast<long long>(fileBytes / (1024 * 1024)));
}

bool check(const Status& status) {
    if (!status)
        std::fprintf(stderr, "%s\n", qPrintable(status.message()));
    return status.ok();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    QDir dir(folder);
    if (!dir.exists() && !dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot use %s\n", qPrintable(folder));
        return 1;
    }

    const QString buffer = outputBuffer(kBytes / 2);
    QElapsedTimer timer;

    const QString rawPath = dir.filePath(QStringLiteral("raw.bin"));
    const QByteArray rawBytes(kBytes, 'x');
    timer.start();
    {
        QFile raw(rawPath);
        if (!raw.open(QIODevice::WriteOnly) || raw.write(rawBytes) != rawBytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(rawPath));
            return 1;
        }
    }
    const double baseline = seconds(timer);
    std::printf("%-52s %8.3f s  %6.2fx  (file 50 MB)\n", "plain QFile write of 50 MB", baseline, 1.0);

    const QString unicodePath = dir.filePath(QStringLiteral("Taobao_bench.csv"));
    QFile::remove(unicodePath);
    timer.restart();
    if (!check(appendToTextFile(unicodePath, buffer, QStringLiteral("unicode"))))
        return 1;
    report("unicode flush of 50 MB into a new file", seconds(timer), baseline, QFile(unicodePath).size());

    timer.restart();
    if (!check(appendToTextFile(unicodePath, buffer, QStringLiteral("unicode"))))
        return 1;
    report("unicode flush of 50 MB after 50 MB already there", seconds(timer), baseline,
           QFile(unicodePath).size());

    const QString gbkPath = dir.filePath(QStringLiteral("Paipai_bench.csv"));
    timer.restart();
    if (!check(replaceFileContent(gbkPath, encodeGbk(buffer + u"\r\n"))))
        return 1;
    report("GBK replace of a 25M-character buffer", seconds(timer), baseline, QFile(gbkPath).size());

    timer.restart();
    if (!check(appendToTextFile(gbkPath, buffer, QStringLiteral("gbk"))))
        return 1;
    report("GBK append of the same buffer (old file read back)", seconds(timer), baseline,
           QFile(gbkPath).size());

    timer.restart();
    QString text;
    if (!check(readTextFile(unicodePath, QStringLiteral("unicode"), &text)))
        return 1;
    report("unicode read of the 100 MB file", seconds(timer), baseline, QFile(unicodePath).size());

    QFile::remove(rawPath);
    QFile::remove(unicodePath);
    QFile::remove(gbkPath);
    return 0;
}
