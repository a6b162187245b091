#include "commandline/CommandLine.h"

#include "base/ProgramIdentity.h"
#include "run/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace CommandLine {

Request parse(const QStringList& arguments, bool strictWindowArguments) {
    Request request;
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        request.mode = Mode::Help;
        // The help names the folder in use, which --data-dir changes wherever it stands.
        for (int i = 0; i < arguments.size(); ++i) {
            const QString& arg = arguments.at(i);
            if (arg.startsWith(QStringLiteral("--data-dir=")))
                request.dataDir = arg.mid(11);
            else if (arg == u"--data-dir" && i + 1 < arguments.size() &&
                     !arguments.at(i + 1).startsWith(QStringLiteral("--")))
                request.dataDir = arguments.at(i + 1);
        }
        return request;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        request.mode = Mode::Version;
        return request;
    }

    int i = 0;
    while (i < arguments.size()) {
        const QString& arg = arguments.at(i);
        if (arg == u"--data-dir" || arg.startsWith(QStringLiteral("--data-dir="))) {
            const bool inlineValue = arg != u"--data-dir";
            const QString value = inlineValue ? arg.mid(11) : arguments.value(i + 1);
            // An empty folder would silently fall back to the executable's folder.
            if (value.isEmpty() || (!inlineValue && value.startsWith(QStringLiteral("--")))) {
                request.mode = Mode::UsageError;
                request.error = QStringLiteral("--data-dir needs a folder");
                return request;
            }
            request.dataDir = value;
            i += inlineValue ? 1 : 2;
        } else if (arg == u"extract" || arg == u"convert") {
            request.mode = arg == u"extract" ? Mode::Extract : Mode::Convert;
            request.commandArguments = arguments.mid(i + 1);
            return request;
        } else if (!strictWindowArguments && arg.startsWith(u'-') && !arg.startsWith(QStringLiteral("--"))) {
            // A Qt option such as "-platform offscreen" or "-reverse"; QApplication takes it and
            // its value, if it has one (a value is never an option or one of our commands).
            const QString next = arguments.value(i + 1);
            const bool hasValue =
                !next.isEmpty() && !next.startsWith(u'-') && next != u"extract" && next != u"convert";
            i += hasValue ? 2 : 1;
        } else {
            request.mode = Mode::UsageError;
            request.error = QStringLiteral("unknown argument: ") + arg;
            return request;
        }
    }
    return request;
}

QString versionText() {
    return ProgramIdentity::kWindowCaption;
}

QString helpText() {
    return QStringLiteral(
        "Kestrune V20090307: shop items into Taobao, PaiPai and eBay assistant files.\n"
        "\n"
        "Usage:\n"
        "  kestrune [--data-dir DIR]\n"
        "      Open the window.\n"
        "  kestrune extract --platform taobao|paipai|ebay\n"
        "                   --format taobao|taobao5|paipai|ebay|shopify|woocommerce\n"
        "                   [--data-dir DIR] [--agree] [--log FILE] [--] URL\n"
        "      Extract the shop at URL, as the window's extract button would: the platform the\n"
        "      shop is on, and the assistant whose file format to write (taobao5: today's Taobao\n"
        "      Assistant, NAME_Taobao5.csv with the pictures as .tbi files in NAME_Taobao5).\n"
        "      shopify and woocommerce write the stores' product files (NAME_Shopify.csv,\n"
        "      NAME_WooCommerce.csv) with the pictures' original addresses.\n"
        "      \"--\" ends the options, for an address that begins with a dash.\n"
        "  kestrune extract --resume [--data-dir DIR] [--agree] [--log FILE]\n"
        "      Continue the unfinished extraction recorded in Kestrune.ini, with its address,\n"
        "      platform and format, after the last item it had reached.\n"
        "  kestrune convert [--from auto|taobao|taobao5|paipai|ebay]\n"
        "                   --to taobao|taobao5|paipai|ebay|shopify|woocommerce\n"
        "                   [--image-base-url URL] [--agree] SOURCE SAVE\n"
        "      Convert the assistant file SOURCE, exported by the --from assistant, into the\n"
        "      --to assistant's format and write it to SAVE. taobao5 is the layout of today's\n"
        "      Taobao Assistant; as a source, taobao and taobao5 both read either Taobao layout.\n"
        "      --from auto (the default) tells the source's format by its content; a source\n"
        "      whose content is not the --from format, or no assistant file, is refused.\n"
        "  kestrune -h | --help | --version\n"
        "      Show this text, or the version.\n"
        "\n"
        "The options of extract take their value as the next argument or after \"=\"\n"
        "(--platform=taobao).\n"
        "\n"
        "Program folder:\n"
        "  Kestrune.ini (the resume point and the window's placement), the output files\n"
        "  NAME.csv and the picture folders live in the program's folder: DIR given with\n"
        "  --data-dir (before or after \"extract\"; it is made when missing), else the\n"
        "  executable's folder when it is writable and not an installed copy's, else the\n"
        "  user's data folder (~/.local/share/kestrune).\n"
        "  Only one instance (window or command line) may use a folder at a time; a second\n"
        "  window says so in a message box (and on standard error) and ends, a second\n"
        "  extraction says so on standard error and exits 1.\n"
        "  Rows that a run which died had already taken are written into its output file when\n"
        "  the window or an extraction next starts on the folder.\n"
        "\n"
        "Extraction and conversion on the command line:\n"
        "  The usage notice must be accepted: it is asked on the terminal, or accepted in\n"
        "  advance with --agree. Without a terminal and without --agree the program refuses.\n"
        "  Progress and message texts go to standard error, one line each. When standard\n"
        "  error is a terminal, the progress (items collected, the shop's total, a bar and\n"
        "  the time left) and the latest status share one line rewritten in place, and only\n"
        "  messages get lines of their own; when the run ends the bar stays as it ended and\n"
        "  the last status follows on a line of its own. At the end of an extraction the\n"
        "  output file's path (输出文件：), the number of items written (已写入N个宝贝) and,\n"
        "  when some item pages could not be read, their number (未能采集N个) go to standard\n"
        "  output; a conversion prints its result there.\n"
        "  --log FILE writes the run's log to FILE (UTF-8, replaced if it exists): each page\n"
        "  and picture fetched with its result, each status and message, with the time.\n"
        "  Ctrl-C (SIGINT) acts as the stop button: the run stops after the item in progress\n"
        "  and its output is written; a second Ctrl-C ends the program at once.\n"
        "\n"
        "Exit status:\n"
        "  0  the run ended, complete or stopped; the conversion was written\n"
        "  1  the run ended with a failure message (address rejected, no items, unknown page\n"
        "     layout, nothing to resume, output not written), the conversion failed, the\n"
        "     notice was refused, or another instance uses the folder\n"
        "  2  usage error\n");
}

QString programDir(const QString& dataDir) {
    return ProgramFolder::choose(ProgramFolder::facts(dataDir)).folder;
}

} // namespace CommandLine
