#include "base/System.h"
#include "commandline/CommandLine.h"
#include "commandline/ConvertCommand.h"
#include "commandline/ExtractCommand.h"
#include "gui/MainWindow.h"
#include "gui/MessageBox.h"
#include "gui/QtTranslations.h"
#include "run/InstanceLock.h"
#include "run/Messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>

namespace {

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

int usageError(const QString& error) {
    print(stderr, QStringLiteral("kestrune: ") + error + QStringLiteral("\nTry 'kestrune --help'.\n"));
    return 2;
}

int runWindow(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestrune/kestrune.png")));
    installQtTranslations(QLocale::system(), &app);
    const CommandLine::Request request = CommandLine::parse(QCoreApplication::arguments().mid(1));
    if (request.mode == CommandLine::Mode::UsageError)
        return usageError(request.error);

    const QString programDir = CommandLine::programDir(request.dataDir);
    if (!QFileInfo(programDir).isDir() && !QDir().mkpath(programDir))
        return usageError(QStringLiteral("cannot create the program folder ") +
                          QDir::toNativeSeparators(programDir));

    // A second instance on the same folder says so and ends. A folder the lock cannot be made
    // in still opens the window; the settings and output writes there report their own failures.
    InstanceLock lock(programDir);
    if (!lock.tryAcquire() && lock.heldByAnother()) {
        const QString message = Messages::kAnotherInstance + QDir::toNativeSeparators(programDir);
        print(stderr, message + QStringLiteral("\nkestrune: the lock file is ") +
                          QDir::toNativeSeparators(lock.path()) + u'\n');
        MessageBox::warning(nullptr, message);
        return 1;
    }

    MainWindow window(programDir);
    if (!window.runStartup())
        return 0;
    window.showAtSavedPlacement();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[]) {
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
            return usageError(QStringLiteral("not a valid file name or text in this locale: ") + argument);
        arguments.append(argument);
    }

    const CommandLine::Request request = CommandLine::parse(arguments, false);
    switch (request.mode) {
    case CommandLine::Mode::Help: {
        QCoreApplication app(argc, argv);
        const QString folderLine = request.dataDir.isEmpty()
                                       ? QStringLiteral("\nProgram folder in use (without --data-dir): ")
                                       : QStringLiteral("\nProgram folder in use: ");
        print(stdout, CommandLine::helpText() + folderLine +
                          QDir::toNativeSeparators(CommandLine::programDir(request.dataDir)) + u'\n');
        return 0;
    }
    case CommandLine::Mode::Version:
        print(stdout, CommandLine::versionText() + u'\n');
        return 0;
    case CommandLine::Mode::UsageError:
        return usageError(request.error);
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
