#include "WindowModule.h"
#include "base/System.h"
#include "commandline/CommandLine.h"
#include "commandline/ConvertCommand.h"
#include "commandline/ExtractCommand.h"
#include "commandline/PrintLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

namespace {

// The window's module, beside the executable (the build tree, Windows) or in the installed
// program's library folder. Only a window needs it: every command runs without it.
int runWindow(int argc, char* argv[]) {
    const QString executableFolder = System::executableFolder();
    QStringList candidates{executableFolder + QStringLiteral("/" KESTRUNE_WINDOW_MODULE)};
    const QString installed = QDir::cleanPath(
        executableFolder + QStringLiteral("/" KESTRUNE_INSTALLED_MODULE_FOLDER "/" KESTRUNE_WINDOW_MODULE));
    if (!candidates.contains(installed))
        candidates.append(installed);
    for (const QString& path : std::as_const(candidates)) {
        if (!QFileInfo::exists(path))
            continue;
        QLibrary module(path);
        const auto entry = reinterpret_cast<WindowModule::Entry>(module.resolve(WindowModule::kEntryName));
        if (entry)
            return entry(&argc, argv);
        // Without the module no window can show it: the message goes to the console.
        printLine(stderr, QStringLiteral("kestrune: 无法加载窗口模块：") + QDir::toNativeSeparators(path) +
                              u'（' + module.errorString() + u'）');
        return 1;
    }
    QStringList shown;
    for (const QString& path : std::as_const(candidates))
        shown.append(QDir::toNativeSeparators(path));
    printLine(stderr, QStringLiteral("kestrune: 找不到窗口模块：") + shown.join(QStringLiteral("、")));
    return 1;
}

int run(int argc, char* argv[]) {
    // Only a command line can have been typed in a console; a double-click gives no arguments.
    if (argc > 1)
        System::attachConsole();
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        const QString argument = QFile::decodeName(raw);
        // A name that is not valid text in the locale (a folder named in another encoding) would
        // come back as another name, and the files would go to a folder the user never named.
        if (QFile::encodeName(argument) != raw)
            return printUsageError(QStringLiteral("not a valid file name or text in this locale: ") +
                                   argument);
        arguments.append(argument);
    }

    const CommandLine::Request request = CommandLine::parse(arguments, false);
    switch (request.mode) {
    case CommandLine::Mode::Help: {
        QCoreApplication app(argc, argv);
        const QString folderLine = request.dataDir.isEmpty()
                                       ? QStringLiteral("\nProgram folder in use (without --data-dir): ")
                                       : QStringLiteral("\nProgram folder in use: ");
        printLine(stdout, CommandLine::helpText() + folderLine +
                              QDir::toNativeSeparators(CommandLine::programDir(request.dataDir)));
        return 0;
    }
    case CommandLine::Mode::Version:
        printLine(stdout, CommandLine::versionText());
        return 0;
    case CommandLine::Mode::UsageError:
        return printUsageError(request.error);
    case CommandLine::Mode::Extract: {
        QCoreApplication app(argc, argv);
        return runExtractCommand(request.commandArguments, request.dataDir);
    }
    case CommandLine::Mode::Convert: {
        QCoreApplication app(argc, argv);
        return runConvertCommand(request.commandArguments);
    }
    case CommandLine::Mode::Window:
        break;
    }
    return runWindow(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
    // Everything of the run (the application object, the window's module) is gone by now.
    System::endProcess(run(argc, argv));
}
