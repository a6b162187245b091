// Emits records with long descriptions into each assistant format and flushes them, for 20,000
// and 80,000 records, each case in a process of its own so that its peak memory is its own.
// Usage: bench_rowwriter [--description-length N]

#include "formats/OutputFormats.h"
#include "formats/RowWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <cstdio>

namespace {

struct CaseResult {
    double emitSeconds = 0;
    double flushSeconds = 0;
    long peakKiB = 0;
};

ItemRecord benchRecord(int index, int descriptionLength) {
    ItemRecord r;
    r.title = QStringLiteral("宝贝 %1 &amp; 配件").arg(index);
    r.category = QStringLiteral("50012345");
    r.shopCategory = QStringLiteral("0");
    r.condition = QStringLiteral("5");
    r.saleType = QStringLiteral("b");
    r.price = QStringLiteral("128.000000");
    r.increment = QStringLiteral("00.000000");
    r.quantity = QStringLiteral("10");
    r.duration = QStringLiteral("7");
    r.freightPayer = QStringLiteral("1");
    r.postFee = r.emsFee = r.expressFee = QStringLiteral("10.000000");
    r.paymentMethod = r.invoice = r.putInStore = r.shopWindow = QStringLiteral("0");
    r.alipay = r.warranty = r.autoRepost = QStringLiteral("1");
    r.startTime = QStringLiteral("1980-01-01 00:00:00");
    QString description = QStringLiteral("<p>");
    const QString phrase = QStringLiteral("好鞋，轻便透气 size 42 ");
    while (description.size() < descriptionLength)
        description += phrase;
    r.description = description.left(descriptionLength) + QStringLiteral("</p>");
    r.picture = QStringLiteral("http://img.example/%1.jpg").arg(index);
    r.groupPrice = r.groupMinCount = r.postageTemplateId = r.memberDiscount = QStringLiteral("0");
    return r;
}

int runCase(FileFormat format, int count, int descriptionLength) {
    QTemporaryDir dir;
    RowWriter writer;
    writer.setTarget({format, Platform::PaiPai, dir.filePath(QStringLiteral("bench.csv"))});

    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= count; ++i) {
        writer.appendRecord(benchRecord(i, descriptionLength), i);
    }
    const double emitSeconds = timer.nsecsElapsed() / 1e9;
    timer.restart();
    const Status status = writer.flush();
    const double flushSeconds = timer.nsecsElapsed() / 1e9;
    if (!status) {
        std::fprintf(stderr, "flush failed: %s\n", qPrintable(status.message()));
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%f %f %ld\n", emitSeconds, flushSeconds, usage.ru_maxrss);
    return 0;
}

bool runChild(const QString& program, FileFormat format, int count, int descriptionLength,
              CaseResult* result) {
    QProcess child;
    child.start(program, {QStringLiteral("--case"), OutputFormats::describe(format).word,
                          QString::number(count), QString::number(descriptionLength)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s", child.readAllStandardError().constData());
        return false;
    }
    QTextStream in(child.readAllStandardOutput());
    in >> result->emitSeconds >> result->flushSeconds >> result->peakKiB;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == u"--case")
        return runCase(OutputFormats::fromWord(args[2]).value_or(FileFormat::EbayAssistant), args[3].toInt(),
                       args[4].toInt());

    int descriptionLength = 600;
    const qsizetype lengthArg = args.indexOf(QStringLiteral("--description-length"));
    if (lengthArg > 0 && lengthArg + 1 < args.size())
        descriptionLength = args[lengthArg + 1].toInt();

    const struct {
        FileFormat format;
        const char* name;
    } formats[] = {{FileFormat::TaobaoAssistant, "Taobao Assistant"},
                   {FileFormat::PaiPaiAssistant, "PaiPai Assistant"},
                   {FileFormat::EbayAssistant, "eBay Assistant"},
                   {FileFormat::TaobaoAssistant5, "current Taobao"}};
    const int counts[] = {20000, 80000};

    std::printf("description length %d characters\n", descriptionLength);
    std::printf("%-18s %8s %14s %14s %12s %12s\n", "format", "records", "emit rec/s", "emit+flush/s",
                "peak MiB", "KiB/record");
    for (const auto& format : formats) {
        CaseResult results[2];
        for (int i = 0; i < 2; ++i) {
            if (!runChild(app.applicationFilePath(), format.format, counts[i], descriptionLength,
                          &results[i]))
                return 1;
            const CaseResult& r = results[i];
            std::printf("%-18s %8d %14.0f %14.0f %12.1f %12.2f\n", format.name, counts[i],
                        counts[i] / r.emitSeconds, counts[i] / (r.emitSeconds + r.flushSeconds),
                        r.peakKiB / 1024.0, double(r.peakKiB) / counts[i]);
        }
        const double timeRatio = (results[1].emitSeconds + results[1].flushSeconds) /
                                 (results[0].emitSeconds + results[0].flushSeconds);
        const double memoryRatio = double(results[1].peakKiB) / double(results[0].peakKiB);
        std::printf("%-18s 4x records: %.2fx time, %.2fx peak memory\n", format.name, timeRatio, memoryRatio);
    }
    return 0;
}
