#include "commandline/ConvertCommand.h"

#include "base/System.h"
#include "commandline/ConsoleOutput.h"
#include "commandline/PrintLine.h"
#include "formats/FormatConverter.h"
#include "formats/OutputFormats.h"

#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <optional>

namespace {

const char kUsage[] = "Usage: kestrune convert [--from auto|taobao|taobao5|paipai|ebay] "
                      "--to taobao|taobao5|paipai|ebay|shopify|woocommerce [--image-base-url URL] [--agree] "
                      "SOURCE SAVE\n";

int usageError(const QString& problem) {
    printLine(stderr, QStringLiteral("kestrune convert: ") + problem);
    std::fputs(kUsage, stderr);
    return 2;
}

QString resolved(const QString& path) {
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

} // namespace

int runConvertCommand(const QStringList& arguments) {
    std::optional<FileFormat> source; // none: decided by the file's content
    std::optional<FileFormat> target;
    bool agreed = false;
    QString imageBaseUrl;
    QStringList paths;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == QStringLiteral("--agree")) {
            agreed = true;
        } else if (argument == QStringLiteral("--image-base-url")) {
            if (i + 1 >= arguments.size())
                return usageError(argument + QStringLiteral(" needs an address"));
            imageBaseUrl = arguments.at(++i);
        } else if (argument == QStringLiteral("--from") || argument == QStringLiteral("--to")) {
            if (i + 1 >= arguments.size())
                return usageError(argument + QStringLiteral(" needs a format"));
            const QString& word = arguments.at(++i);
            const bool isFrom = argument == QStringLiteral("--from");
            if (isFrom && word == QStringLiteral("auto")) {
                source.reset();
                continue;
            }
            const std::optional<FileFormat> format = OutputFormats::fromWord(word);
            // The store files are written only.
            const bool storeFile = format == FileFormat::Shopify || format == FileFormat::WooCommerce;
            if (!format || (isFrom && storeFile))
                return usageError(QStringLiteral("unknown format ") + word);
            (isFrom ? source : target) = format;
        } else if (argument.startsWith(QStringLiteral("--"))) {
            return usageError(QStringLiteral("unknown option ") + argument);
        } else {
            paths.append(argument);
        }
    }
    if (!target)
        return usageError(QStringLiteral("--to is required"));
    if (source && *source == *target)
        return usageError(QStringLiteral("--from and --to name the same format"));
    if (paths.size() != 2)
        return usageError(QStringLiteral("SOURCE and SAVE are required"));
    if (!agreed && !ConsoleOutput(System::inputIsTerminal()).acceptUsageNotice())
        return 1;

    FormatConverter::Request request;
    request.sourcePath = resolved(paths.at(0));
    request.savePath = resolved(paths.at(1));
    request.source = source;
    request.target = *target;

    FormatConverter converter;
    converter.setImageBaseUrl(imageBaseUrl);
    const FormatConverter::Result result = converter.run(request);
    for (const QString& warning : result.warnings)
        printLine(stderr, warning);
    switch (result.outcome) {
    case FormatConverter::Outcome::Completed:
        printLine(stdout, result.message);
        return 0;
    case FormatConverter::Outcome::NothingToDo:
        return 0;
    default:
        printLine(stderr, result.message);
        return 1;
    }
}
