#include "app/CommandLine.h"

#include "app/PlatformConstants.h"

#include <QCoreApplication>
#include <QDir>

namespace CommandLine {

Request parse(const QStringList& arguments, bool strictWindowArguments) {
    Request request;
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        request.mode = Mode::Help;
        return request;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        request.mode = Mode::Version;
        return request;
    }

    int i = 0;
    while (i < arguments.size()) {
        const QString& arg = arguments.at(i);
        if (arg == u"--data-dir") {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QStringLiteral("--"))) {
                request.mode = Mode::UsageError;
                request.error = QStringLiteral("--data-dir needs a folder");
                return request;
            }
            request.dataDir = arguments.at(i + 1);
            i += 2;
        } else if (arg.startsWith(QStringLiteral("--data-dir="))) {
            request.dataDir = arg.mid(11);
            ++i;
        } else if (arg == u"extract" || arg == u"convert") {
            request.mode = arg == u"extract" ? Mode::Extract : Mode::Convert;
            request.commandArguments = arguments.mid(i + 1);
            return request;
        } else if (!strictWindowArguments && arg.startsWith(u'-') && !arg.startsWith(QStringLiteral("--"))) {
            // A Qt option such as "-platform offscreen"; QApplication takes it and its value.
            i += 2;
        } else {
            request.mode = Mode::UsageError;
            request.error = QStringLiteral("unknown argument: ") + arg;
            return request;
        }
    }
    return request;
}

QString versionText() {
    return PlatformConstants::kWindowCaption;
}

QString helpText() {
    return QStringLiteral(
        "Kestrune V20090307: shop items into Taobao, PaiPai and eBay assistant files.\n"
        "\n"
        "Usage:\n"
        "  kestrune [--data-dir DIR]\n"
        "      Open the window.\n"
        "  kestrune extract --platform taobao|paipai|ebay --format taobao|paipai|ebay\n"
        "                   [--data-dir DIR] [--agree] URL\n"
        "      Extract the shop at URL, as the window's extract button would: the platform the\n"
        "      shop is on, and the assistant whose file format to write.\n"
        "  kestrune extract --resume [--data-dir DIR] [--agree]\n"
        "      Continue the unfinished extraction recorded in Kestrune.ini, with its address,\n"
        "      platform and format, from the item it had reached.\n"
        "  kestrune convert --from X --to Y [--agree] SOURCE SAVE\n"
        "      Convert an exported assistant file into another assistant's format.\n"
        "  kestrune --help | --version\n"
        "\n"
        "Program folder:\n"
        "  Kestrune.ini (the resume point), the output files NAME.csv and the picture folders\n"
        "  live in the program's folder: the executable's folder, or DIR given with --data-dir.\n"
        "  Only one instance (window or command line) may use a folder at a time; a second one\n"
        "  says so on standard error and exits with status 1.\n"
        "\n"
        "Extraction on the command line:\n"
        "  The usage notice must be accepted: it is asked on the terminal, or accepted in\n"
        "  advance with --agree. Without a terminal and without --agree the program refuses.\n"
        "  Progress and message texts go to standard error, one line each. At the end the\n"
        "  output file's path and the number of items written go to standard output.\n"
        "  Ctrl-C (SIGINT) acts as the stop button: the run stops and its output is written.\n"
        "\n"
        "Exit status:\n"
        "  0  the run ended, complete or stopped\n"
        "  1  the run ended with a failure message (address rejected, no items, unknown page\n"
        "     layout, nothing to resume, output not written), the notice was refused, or\n"
        "     another instance uses the folder\n"
        "  2  usage error\n");
}

QString programDir(const QString& dataDir) {
    if (!dataDir.isEmpty())
        return QDir(dataDir).absolutePath();
    return QCoreApplication::applicationDirPath();
}

} // namespace CommandLine
