// Converts a generated 20,000-item current-layout Taobao Assistant file (UTF-16 with a mark, HTML
// descriptions of several KB over many lines) to PaiPai with `kestrune convert`, its format left to
// be recognised, against `iconv -f UTF-16LE -t GBK` on the same file. Both run as child processes,
// so time and peak memory (maxrss) are their own.
// Usage: bench_taobao5 [folder] [items]   (default: a temporary folder, 20000 items)

#include "BenchSupport.h"

#include "formats/Taobao5Layout.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Several KB of HTML over many lines, with quoted attributes and TABs as the assistant exports it.
QString description(int item) {
    const int paragraphs = 40 + int(nextRandom() % 100);
    QString html = QStringLiteral("<div style=\"font-size:14px\">\n");
    for (int p = 0; p < paragraphs; ++p) {
        html += QStringLiteral("\t<p align=\"center\"><span>") + kPhrases.at(nextRandom() % kPhrases.size()) +
                QStringLiteral("</span></p>\r\n");
        if (p % 10 == 0)
            html += QStringLiteral("<img src=\"http://img0%1.taobaocdn.com/imgextra/i%2/T1xx.jpg\">\n")
                        .arg(p % 9)
                        .arg(item);
    }
    return html + QStringLiteral("</div>");
}

QString quoted(QString text) {
    return u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

bool writeSource(const QString& path, int items) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QStringEncoder encoder(QStringConverter::Utf16LE);
    if (file.write("\xFF\xFE", 2) != 2 || file.write(encoder.encode(Taobao5Layout::headerText())) < 0)
        return false;
    for (int item = 1; item <= items; ++item) {
        QStringList row;
        for (int i = 0; i < Taobao5Layout::kFieldCount; ++i) {
            const auto field = static_cast<Taobao5Field>(i);
            QString value;
            switch (field) {
            case Taobao5Field::Title:
                value = QStringLiteral("%1 %2号").arg(kPhrases.at(item % kPhrases.size())).arg(item);
                break;
            case Taobao5Field::Cid:
                value = QString::number(50010850 + item % 7);
                break;
            case Taobao5Field::Price:
                value = QStringLiteral("%1.00").arg(10 + item % 300);
                break;
            case Taobao5Field::Num:
                value = QString::number(1 + item % 50);
                break;
            case Taobao5Field::PostFee:
                value = item % 3 == 0 ? QStringLiteral("2.97297e-39") : QStringLiteral("10.00");
                break;
            case Taobao5Field::Description:
                value = description(item);
                break;
            case Taobao5Field::Picture:
                value = QStringLiteral("%1:1:0:|http://img01.taobaocdn.com/bao/uploaded/i%2/T1abc.jpg;")
                            .arg(item, 32, 16, QLatin1Char('0'))
                            .arg(item);
                break;
            case Taobao5Field::LocationState:
                value = QStringLiteral("浙江");
                break;
            default:
                value = Taobao5Layout::isText(field) ? QString() : QStringLiteral("1");
                break;
            }
            row.append(Taobao5Layout::isText(field) ? quoted(value) : value);
        }
        if (file.write(encoder.encode(row.join(u'\t') + u'\n')) < 0)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const BenchArguments arguments(argc, argv, temporary);
    if (!arguments.ok)
        return 1;
    const QDir dir(arguments.folder);
    const int items = arguments.items;
    const QString source = dir.filePath(QStringLiteral("taobao5_source.csv"));
    if (!writeSource(source, items)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(source));
        return 1;
    }
    const double sourceMb = double(QFile(source).size()) / (1024.0 * 1024.0);
    std::printf("source: %d items, %.1f MB of UTF-16 text\n\n", items, sourceMb);

    // -c: the byte-order mark has no GBK form; iconv would stop at it.
    const Measure iconv = runChild({QStringLiteral("iconv"), QStringLiteral("-c"), QStringLiteral("-f"),
                                    QStringLiteral("UTF-16LE"), QStringLiteral("-t"), QStringLiteral("GBK"),
                                    source, QStringLiteral("-o"), dir.filePath(QStringLiteral("iconv.txt"))},
                                   3);
    printRow("iconv UTF-16LE -> GBK", iconv, sourceMb);
    const Measure ours = runChild({kestruneBinary(), QStringLiteral("convert"), QStringLiteral("--to"),
                                   QStringLiteral("paipai"), QStringLiteral("--agree"), source,
                                   dir.filePath(QStringLiteral("paipai.csv"))},
                                  3);
    printRow("current Taobao -> PaiPai (GBK)", ours, sourceMb);
    if (!iconv.ok || !ours.ok)
        return 1;

    const double toIconv = ours.seconds / iconv.seconds;
    const double memory = ours.peakMb / sourceMb;
    std::printf("\ntime %.2fx iconv (target <= 2: %s), peak %.2fx source (target < 3: %s)\n", toIconv,
                toIconv <= 2 ? "met" : "MISSED", memory, memory < 3 ? "met" : "MISSED");
    return 0;
}
