#include "WindowModule.h"

#include "commandline/CommandLine.h"
#include "commandline/PrintLine.h"
#include "gui/MainWindow.h"
#include "gui/MessageBox.h"
#include "gui/QtTranslations.h"
#include "run/InstanceLock.h"
#include "run/Messages.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <type_traits>

namespace {

int runWindow(int& argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestrune/kestrune.png")));
    installQtTranslations(QLocale::system(), &app);
    const CommandLine::Request request = CommandLine::parse(QCoreApplication::arguments().mid(1));
    if (request.mode == CommandLine::Mode::UsageError)
        return printUsageError(request.error);

    const QString programDir = CommandLine::programDir(request.dataDir);
    if (!QFileInfo(programDir).isDir() && !QDir().mkpath(programDir))
        return printUsageError(QStringLiteral("cannot create the program folder ") +
                               QDir::toNativeSeparators(programDir));

    // A second instance on the same folder says so and ends. A folder the lock cannot be made
    // in still opens the window; the settings and output writes there report their own failures.
    InstanceLock lock(programDir);
    if (!lock.tryAcquire() && lock.heldByAnother()) {
        const QString message = Messages::kAnotherInstance + QDir::toNativeSeparators(programDir);
        printLine(stderr, message + QStringLiteral("\nkestrune: the lock file is ") +
                              QDir::toNativeSeparators(lock.path()));
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

extern "C" Q_DECL_EXPORT int kestruneRunWindow(int* argc, char** argv) {
    return runWindow(*argc, argv);
}

// The executable finds the entry by its name only: a changed signature must not build.
static_assert(std::is_same_v<decltype(&kestruneRunWindow), WindowModule::Entry>);
