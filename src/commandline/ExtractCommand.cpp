#include "commandline/ExtractCommand.h"

#include "base/MarketplaceCodes.h"
#include "base/System.h"
#include "commandline/CommandLine.h"
#include "commandline/ConsoleOutput.h"
#include "commandline/PrintLine.h"
#include "formats/OutputFormats.h"
#include "formats/OutputJournal.h"
#include "run/AppPaths.h"
#include "run/CollectCommand.h"
#include "run/InstanceLock.h"
#include "run/Messages.h"
#include "run/RunEngine.h"
#include "run/RunState.h"
#include "run/SettingsStore.h"
#include "run/ShopAddress.h"
#include "run/StartupSequence.h"
#include "run/WrittenItemSet.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

// How often the main thread looks for a Ctrl-C to pass on.
constexpr int kInterruptPollMs = 50;

struct ExtractOptions {
    std::optional<Platform> platform;
    std::optional<FileFormat> format;
    QString dataDir;
    bool agree = false;
    bool resume = false;
    QString url;
    bool hasUrl = false;
    QString logFile;
};

int usageError(const QString& text) {
    printLine(stderr, QStringLiteral("kestrune extract: ") + text);
    printLine(stderr, QStringLiteral("Try 'kestrune --help'."));
    return 2;
}

// Empty when the arguments make sense, else what is wrong.
QString parseOptions(const QStringList& arguments, ExtractOptions* options) {
    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments.at(i);
        QString value;
        bool hasInlineValue = false;
        if (arg.startsWith(QStringLiteral("--")) && arg.contains(u'=')) {
            value = arg.section(u'=', 1);
            arg = arg.section(u'=', 0, 0);
            hasInlineValue = true;
        }
        const auto takeValue = [&](QString* out) {
            if (hasInlineValue) {
                *out = value;
                return true;
            }
            // An option where a value belongs means the value was left out.
            if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QStringLiteral("--")))
                return false;
            *out = arguments.at(++i);
            return true;
        };

        if (arg == u"--platform" || arg == u"--format") {
            QString name;
            const QString words =
                arg == u"--platform"
                    ? QStringLiteral("taobao, paipai or ebay")
                    : QStringLiteral("taobao, taobao5, paipai, ebay, shopify or woocommerce");
            if (!takeValue(&name))
                return arg + QStringLiteral(" needs ") + words;
            bool known = false;
            if (arg == u"--platform")
                known = (options->platform = MarketplaceCodes::platformFromWord(name)).has_value();
            else
                known = (options->format = OutputFormats::fromWord(name)).has_value();
            if (!known)
                return arg + QStringLiteral(" must be ") + words + QStringLiteral(", not '") + name + u'\'';
        } else if (arg == u"--data-dir") {
            if (!takeValue(&options->dataDir) || options->dataDir.isEmpty())
                return QStringLiteral("--data-dir needs a folder");
        } else if (arg == u"--log") {
            if (!takeValue(&options->logFile) || options->logFile.isEmpty())
                return QStringLiteral("--log needs a file");
        } else if (arg == u"--agree" && !hasInlineValue) {
            options->agree = true;
        } else if (arg == u"--resume" && !hasInlineValue) {
            options->resume = true;
        } else if (arg == u"--") {
            if (i + 1 < arguments.size() && !options->hasUrl) {
                options->url = arguments.at(++i);
                options->hasUrl = true;
            }
            if (i + 1 < arguments.size())
                return QStringLiteral("only one address may be given");
        } else if (arg.startsWith(QStringLiteral("--"))) {
            return QStringLiteral("unknown option ") + arg;
        } else if (options->hasUrl) {
            return QStringLiteral("only one address may be given");
        } else {
            options->url = arguments.at(i);
            options->hasUrl = true;
        }
    }

    if (options->resume) {
        if (options->platform || options->format || options->hasUrl)
            return QStringLiteral("--resume takes its address, platform and format from Kestrune.ini");
        return {};
    }
    if (!options->platform)
        return QStringLiteral("--platform is required");
    if (!options->format)
        return QStringLiteral("--format is required");
    if (!options->hasUrl)
        return QStringLiteral("the shop address is missing");
    return {};
}

// The files a run reads or writes in the program folder; a log written over one would destroy it.
QStringList ownFiles(const AppPaths& paths, const ConsoleOutput& window, const InstanceLock& lock) {
    const Platform platform = window.selectedPlatform();
    const QString baseName =
        ShopAddress::outputBaseName(platform, ShopAddress::normalize(window.addressText())) +
        ShopAddress::formatSuffix(platform, window.selectedFormat());
    const QString output = paths.outputFile(baseName, RunSetup::outputExtension());
    return {paths.settingsFile(), lock.path(), output, OutputJournal::pathFor(output),
            WrittenItemSet::pathFor(output)};
}

// The path as the system resolves it, for a file that may not exist yet.
QString resolvedPath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + u'/' + info.fileName();
}

// Why the log may not be written at path; empty when it may: only a regular file or a new name,
// and none of the program's own files.
QString ownFileProblem(const QString& path, const QStringList& own) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return QString::fromLatin1(System::kNotRegularFile);
    const QString target = resolvedPath(path);
    for (const QString& file : own) {
        if (System::isSameFile(file, path) || resolvedPath(file) == target)
            return QStringLiteral("it is one of the program's own files");
    }
    return {};
}

} // namespace

int runExtractCommand(const QStringList& arguments, const QString& dataDir) {
    return runExtractCommand(arguments, dataDir, CollectCommand::Crawlers::standard());
}

int runExtractCommand(const QStringList& arguments, const QString& dataDir,
                      CollectCommand::Crawlers crawlers) {
    ExtractOptions options;
    options.dataDir = dataDir;
    const QString problem = parseOptions(arguments, &options);
    if (!problem.isEmpty())
        return usageError(problem);

    const QString programDir = CommandLine::programDir(options.dataDir);
    if (!QFileInfo(programDir).isDir() && !QDir().mkpath(programDir)) {
        printLine(stderr, QStringLiteral("kestrune: cannot create the program folder ") +
                              QDir::toNativeSeparators(programDir));
        return 1;
    }

    InstanceLock lock(programDir);
    if (!lock.tryAcquire()) {
        if (lock.heldByAnother()) {
            printLine(stderr, Messages::kAnotherInstance + QDir::toNativeSeparators(programDir));
            printLine(stderr,
                      QStringLiteral("kestrune: the lock file is ") + QDir::toNativeSeparators(lock.path()));
        } else
            printLine(stderr, QStringLiteral("kestrune: cannot create the lock file ") +
                                  QDir::toNativeSeparators(lock.path()));
        return 1;
    }

    const bool terminal = System::inputIsTerminal();
    ConsoleOutput window(terminal);
    window.setTerminalColumns(System::progressLineColumns());
    // The folder's one settings store, which the run shares; start-up needs no run's services.
    const AppPaths paths(programDir);
    SettingsStore settings(paths.settingsFile());
    StartupSequence startup(window, paths, settings);

    if (!options.agree && !window.acceptUsageNotice())
        return 1;
    startup.recoverInterruptedOutput();

    if (options.resume) {
        const StartupSequence::ResumeResult result = startup.loadBreakPoint();
        if (result == StartupSequence::ResumeResult::NoBreakPoint) {
            printLine(stderr, QStringLiteral("kestrune: no unfinished extraction is recorded in ") +
                                  QDir::toNativeSeparators(paths.settingsFile()));
            return 1;
        }
        // Start-up asked whether to start the shop again, and nobody said yes.
        if (result == StartupSequence::ResumeResult::Declined)
            printLine(stderr, QStringLiteral("kestrune: nothing was resumed; to extract the shop again from "
                                             "its start, replacing its file, run extract with --platform, "
                                             "--format and the address instead of --resume"));
        if (result != StartupSequence::ResumeResult::Loaded &&
            result != StartupSequence::ResumeResult::FreshRun)
            return 1;
    } else {
        window.selectPlatform(*options.platform);
        window.selectFormat(*options.format);
        window.setAddressText(options.url);
    }

    // Every line of the run goes to the log file at once, so a run that dies leaves its log.
    QFile logFile(options.logFile);
    if (!options.logFile.isEmpty()) {
        QString problem = ownFileProblem(options.logFile, ownFiles(paths, window, lock));
        if (problem.isEmpty())
            System::openRegularFile(logFile, true, &problem);
        if (!problem.isEmpty()) {
            printLine(stderr, QStringLiteral("kestrune: cannot write the log file ") +
                                  QDir::toNativeSeparators(options.logFile) + QStringLiteral(" (") + problem +
                                  u')');
            return 1;
        }
    }

    // The run goes on the engine's thread, as in the window; this thread only shows what it
    // reports and passes Ctrl-C on as the stop button. The event loop is the context of every
    // connection below: what the run reports is shown, and logged, here.
    RunEngine engine(RunEngineOptions{programDir, std::move(crawlers), &settings, std::nullopt, {}});
    QEventLoop loop;
    QObject::connect(&engine, &RunEngine::statusChanged, &loop,
                     [&window](const QString& text) { window.setStatusText(text); });
    QObject::connect(&engine, &RunEngine::messageRaised, &loop,
                     [&window](const QString& text) { window.showMessage(text); });
    QObject::connect(&engine, &RunEngine::gridCleared, &loop, [&window] { window.clearGrid(); });
    QObject::connect(
        &engine, &RunEngine::rowAdded, &loop,
        [&window](const QString& key, const QStringList& cells) { window.addGridRow(key, cells); });
    QObject::connect(&engine, &RunEngine::runningChanged, &loop,
                     [&window](bool running) { window.setRunning(running); });
    QObject::connect(&engine, &RunEngine::progressChanged, &loop,
                     [&window](const RunProgress& progress) { window.setProgress(progress); });
    if (logFile.isOpen())
        QObject::connect(&engine, &RunEngine::logged, &loop, [&logFile](const QString& line) {
            if (!logFile.isOpen())
                return;
            const QByteArray bytes = line.toUtf8() + '\n';
            if (logFile.write(bytes) == bytes.size() && logFile.flush())
                return;
            // A full disk or a vanished medium costs the log, never the run.
            printLine(stderr, QStringLiteral("kestrune: the log file cannot be written, logging stops (") +
                                  logFile.errorString() + u')');
            logFile.close();
        });
    RunOutcome outcome;
    QObject::connect(&engine, &RunEngine::finished, &loop, [&](const RunOutcome& result) {
        outcome = result;
        loop.quit();
    });

    QTimer interruptPoll;
    QObject::connect(&interruptPoll, &QTimer::timeout, &loop, [&engine] {
        if (System::interrupted())
            engine.requestStop();
    });
    interruptPoll.start(kInterruptPollMs);
    System::startInterruptWatch();
    const int messagesBefore = window.messageCount();

    RunRequest request;
    request.platform = window.selectedPlatform();
    request.format = window.selectedFormat();
    request.address = window.addressText();
    const ResumePoint resume = startup.takeResumePoint();
    request.resumeShopUrl = resume.shopUrl;
    request.resumeItemNumber = resume.itemNumber;
    engine.start(request);
    loop.exec();
    System::stopInterruptWatch();
    window.finishProgressLine();

    const CollectCommand::RunSummary& run = outcome.summary;
    // Rows still buffered after a failed write are not in the file.
    const int items = run.outputPending ? 0 : run.counts.written;
    if (run.started) {
        printLine(stdout, QStringLiteral("输出文件：") + QDir::toNativeSeparators(outcome.outputFile));
        printLine(stdout, QStringLiteral("已写入%1个宝贝").arg(items));
        if (run.counts.dropped > 0)
            printLine(stdout, QStringLiteral("未能采集%1个").arg(run.counts.dropped));
    }
    const bool messageShown = window.messageCount() > messagesBefore;
    if (run.failed || run.crawlFailed || run.outputPending || (messageShown && outcome.rows == 0))
        return 1;
    return 0;
}
