#include "app/ConvertCommand.h"

#include "formats/FormatConverter.h"

#include <QFileInfo>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <optional>

#include <unistd.h>

namespace {

const char kUsage[] =
    "Usage: kestrune convert --from taobao|paipai|ebay --to taobao|paipai|ebay [--agree] SOURCE SAVE\n";

// The notice every user of the program accepts before using it.
const QString kUsageNotice =
    QStringLiteral("此软件为方便淘宝、拍拍、易趣三栖卖家开店或店铺整体迁移而设计的辅助工具，"
                   "不得用于非法用途！否则出现一切后果自付！您是否愿意遵守此条约？");

void printLine(std::FILE* stream, const QString& text) {
    std::fputs((text + u'\n').toUtf8().constData(), stream);
    std::fflush(stream);
}

int usageError(const QString& problem) {
    printLine(stderr, QStringLiteral("convert: ") + problem);
    std::fputs(kUsage, stderr);
    return 2;
}

std::optional<int> formatIndex(const QString& name) {
    if (name == QStringLiteral("taobao"))
        return FormatConverter::Taobao;
    if (name == QStringLiteral("paipai"))
        return FormatConverter::PaiPai;
    if (name == QStringLiteral("ebay"))
        return FormatConverter::Ebay;
    return std::nullopt;
}

// On a terminal the user answers the notice; elsewhere only --agree accepts it.
bool noticeAccepted() {
    printLine(stderr, kUsageNotice);
    if (!::isatty(STDIN_FILENO))
        return false;
    std::fputs("[y/N] ", stderr);
    std::fflush(stderr);
    char answer[16] = {};
    if (!std::fgets(answer, sizeof answer, stdin))
        return false;
    return answer[0] == 'y' || answer[0] == 'Y';
}

QString resolved(const QString& path) {
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

} // namespace

int RunConvertCommand(const QStringList& arguments) {
    std::optional<int> source;
    std::optional<int> target;
    bool agreed = false;
    QStringList paths;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == QStringLiteral("--agree")) {
            agreed = true;
        } else if (argument == QStringLiteral("--from") || argument == QStringLiteral("--to")) {
            if (i + 1 >= arguments.size())
                return usageError(argument + QStringLiteral(" needs a format"));
            const std::optional<int> format = formatIndex(arguments.at(++i));
            if (!format)
                return usageError(QStringLiteral("unknown format ") + arguments.at(i));
            (argument == QStringLiteral("--from") ? source : target) = format;
        } else if (argument.startsWith(QStringLiteral("--"))) {
            return usageError(QStringLiteral("unknown option ") + argument);
        } else {
            paths.append(argument);
        }
    }
    if (!source || !target)
        return usageError(QStringLiteral("--from and --to are required"));
    if (*source == *target)
        return usageError(QStringLiteral("--from and --to name the same format"));
    if (paths.size() != 2)
        return usageError(QStringLiteral("SOURCE and SAVE are required"));
    if (!agreed && !noticeAccepted())
        return 1;

    FormatConverter::Request request;
    request.sourcePath = resolved(paths.at(0));
    request.savePath = resolved(paths.at(1));
    request.source = *source;
    request.target = *target;

    const FormatConverter::Result result = FormatConverter().run(request);
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
