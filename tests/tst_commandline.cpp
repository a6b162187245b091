#include "commandline/ConsoleOutput.h"
#include "commandline/ExtractCommand.h"
#include "formats/ItemRecord.h"
#include "formats/OutputBatch.h"
#include "formats/OutputJournal.h"
#include "formats/RowWriter.h"
#include "run/InstanceLock.h"
#include "run/Messages.h"
#include "run/RunState.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "run/ShopWalkHost.h"
#include "run/WindowInterface.h"
#include "support/ExtractionTestSupport.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"
#include "support/TestPaths.h"
#include "support/TestSystem.h"
#include "support/WebTestSupport.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <stdexcept>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the real program with stdin not a terminal. Unless a proxy is given, any crawl goes to
// one that refuses, so nothing ever leaves the machine.
QProcess* startKestrune(const QStringList& arguments,
                        const QString& proxy = QStringLiteral("http://127.0.0.1:9")) {
    auto* process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("http_proxy"), proxy);
    env.remove(QStringLiteral("no_proxy"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(env);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(kestruneBinary(), arguments);
    return process;
}

Outcome finish(QProcess* process) {
    if (!process->waitForFinished(60000)) {
        process->kill();
        process->waitForFinished();
    }
    const Outcome outcome{process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                          QString::fromUtf8(process->readAllStandardOutput()),
                          QString::fromUtf8(process->readAllStandardError())};
    delete process;
    return outcome;
}

Outcome runKestrune(const QStringList& arguments) {
    return finish(startKestrune(arguments));
}

// Arguments written as one line; none of them holds a space.
QStringList words(const char* line) {
    return QString::fromUtf8(line).split(u' ');
}

// The options of an extract run that needs nothing else, after the command's name.
QStringList extractOptions(const char* platform, const char* format, const char* address) {
    return {QStringLiteral("--agree"),  QStringLiteral("--platform"), QString::fromUtf8(platform),
            QStringLiteral("--format"), QString::fromUtf8(format),    QString::fromUtf8(address)};
}

QString settingsPath(const QTemporaryDir& dir) {
    return QDir(dir.path()).filePath(QStringLiteral("Kestrune.ini"));
}

// One item through the real row writer, as an item parser hands it over.
void emitItem(ShopWalkHost& ctx, int number) {
    ItemRecord record;
    record.title = QStringLiteral("item %1").arg(number);
    handItem(ctx, parsedTestItem(record), number);
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void helpAndVersion_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected");

        const QStringList helpTexts =
            words("extract --platform --format --resume --agree --data-dir --log convert --from --to SIGINT")
            << QStringLiteral("Exit status");
        QTest::newRow("help") << words("--help") << helpTexts;
        QTest::newRow("help after a command") << words("extract --help") << words("--resume");
        QTest::newRow("version") << words("--version") << words("V20090307");
        // A build folder is writable and outside the install prefix: the program keeps its files there.
        QTest::newRow("help names the folder in use")
            << words("--help")
            << QStringList{
                   QStringLiteral("Program folder in use (without --data-dir): ") +
                   QDir::toNativeSeparators(QFileInfo(QStringLiteral(KESTRUNE_BINARY)).absolutePath()) +
                   u'\n'};
        // Written as the system writes paths (on Windows a drive letter and backslashes).
        const QString given = QDir::toNativeSeparators(
            QFileInfo(QStringLiteral("/tmp/kestrune-help-folder")).absoluteFilePath());
        QTest::newRow("help names the folder given")
            << words("--data-dir /tmp/kestrune-help-folder --help")
            << QStringList{QStringLiteral("Program folder in use: ") + given + u'\n'};
        QTest::newRow("help names the folder given after the command")
            << words("extract --help --data-dir=/tmp/kestrune-help-folder")
            << QStringList{QStringLiteral("Program folder in use: ") + given + u'\n'};
    }

    void helpAndVersion() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        const Outcome outcome = runKestrune(arguments);
        QCOMPARE(outcome.exitCode, 0);
        for (const QString& text : expected)
            QVERIFY2(outcome.out.contains(text), qPrintable(text));
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown command") << words("crawl");
        QTest::newRow("no platform") << words("extract --format taobao http://shop1.taobao.com");
        QTest::newRow("no format") << words("extract --platform taobao http://shop1.taobao.com");
        QTest::newRow("no address") << words("extract --platform taobao --format taobao");
        QTest::newRow("bad platform")
            << words("extract --platform amazon --format taobao http://shop1.taobao.com");
        QTest::newRow("bad format") << words(
            "extract --platform taobao --format taobao6 http://shop1.taobao.com");
        QTest::newRow("current Taobao layout as a platform")
            << words("extract --platform taobao5 --format taobao5 http://shop1.taobao.com");
        QTest::newRow("platform without value")
            << words("extract --format taobao http://shop1.taobao.com --platform");
        QTest::newRow("two addresses") << words(
            "extract --platform taobao --format taobao http://shop1.taobao.com http://shop1.taobao.com");
        QTest::newRow("unknown option")
            << words("extract --fast --platform taobao --format taobao http://shop1.taobao.com");
        QTest::newRow("resume with an address") << words("extract --resume http://shop1.taobao.com");
        QTest::newRow("log without file")
            << words("extract --platform taobao --format taobao http://shop1.taobao.com --log");
        QTest::newRow("data dir without folder")
            << words("extract --platform taobao --format taobao http://shop1.taobao.com --data-dir");
        // An empty folder must not fall back to the executable's folder.
        QTest::newRow("empty data dir before the command")
            << words("--data-dir= extract --platform taobao --format taobao http://shop1.taobao.com");
    }

    void usageErrors() {
        QFETCH(QStringList, arguments);
        const Outcome outcome = runKestrune(arguments << QStringLiteral("--agree"));
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY(outcome.err.contains(QStringLiteral("--help")));
    }

    // Each address message is covered with the window; here the command line's way of ending on
    // one, and on a notice that was not accepted. No output file is named and nothing is recorded:
    // a run's breakpoint keys are written only once its shop page has come.
    void refusedRuns_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("settingsWritten");
        QTest::newRow("notice not accepted")
            << extractOptions("paipai", "taobao", "http://shop.paipai.com/1").mid(1)
            << "kestrune: the usage notice must be accepted; run on a terminal or pass --agree" << false;
        QTest::newRow("empty address")
            << extractOptions("taobao", "ebay", "") << Messages::kAddressEmpty << false;
        QTest::newRow("address of another platform")
            << extractOptions("ebay", "ebay", "http://shop.paipai.com/1")
            << Messages::kPaiPaiAddressChosenWrongly << false;
        // The address is accepted with its space; the proxy of these tests refuses every request.
        QTest::newRow("proxy refuses")
            << extractOptions("ebay", "ebay", " http://stores.ebay.com.cn/x")
            << Messages::networkFailed(QStringLiteral("http://stores.ebay.com.cn/x"),
                                       QStringLiteral("Connection refused"))
            << false;
    }

    void refusedRuns() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, line);
        QFETCH(bool, settingsWritten);
        QTemporaryDir dir;
        const Outcome outcome = runKestrune(
            QStringList{QStringLiteral("extract"), QStringLiteral("--data-dir"), dir.path()} + arguments);
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.err.split(u'\n').contains(line), qPrintable(outcome.err));
        QVERIFY(!outcome.out.contains(QStringLiteral("output file")));
        QCOMPARE(QFile::exists(settingsPath(dir)), settingsWritten);
    }

    // A breakpoint of PaiPai shop 77 at item 4, to be written in the PaiPai Assistant format.
    // Loaded: the address, platform and format restored, so the run asks for the PaiPai shop (the
    // proxy of these tests refuses it, and the breakpoint stays as it was); otherwise the run ends
    // with the given text on standard error.
    void resume_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("breakPoint");
        QTest::addColumn<int>("rows"); // item rows of the file (-1: none), which has no written-item list
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("error");

        const QString shop = QStringLiteral("http://shop.paipai.com/77");
        QTest::newRow("nothing recorded") << shop << false << -1 << false << "no unfinished extraction";
        QTest::newRow("output file missing")
            << shop << true << -1 << false << Messages::kBreakPointFileMissing;
        QTest::newRow("address lost") << "-" << true << 0 << false << Messages::kResumeAddressLost;
        QTest::newRow("restored") << shop << true << 0 << true << "";
        // Nobody at a terminal to agree to starting again: refused, saying how to.
        QTest::newRow("rows the list does not name")
            << shop << true << 2 << false << QStringLiteral("instead of --resume");
    }

    void resume() {
        QFETCH(QString, url);
        QFETCH(bool, breakPoint);
        QFETCH(int, rows);
        QFETCH(bool, loaded);
        QFETCH(QString, error);
        QTemporaryDir dir;
        if (breakPoint) {
            SettingsStore settings(settingsPath(dir));
            QVERIFY(writeBreakPointKeys(settings,
                                        {QStringLiteral("1"), QStringLiteral("PaiPai_77.csv"), url,
                                         QStringLiteral("4"), QStringLiteral("0"), QStringLiteral("2")}));
        }
        const QString output = QDir(dir.path()).filePath(QStringLiteral("PaiPai_77.csv"));
        if (rows > 0) {
            QStringList titles;
            for (int i = 0; i < rows; ++i)
                titles << QString::number(i);
            QVERIFY(writeOutputBatch(output, FileFormat::PaiPaiAssistant,
                                     testOutput(titles, FileFormat::PaiPaiAssistant), false)
                        .ok());
        } else if (rows == 0) {
            putFileBytes(output, "");
        }
        const Outcome outcome =
            runKestrune({QStringLiteral("--data-dir"), dir.path(), QStringLiteral("extract"),
                         QStringLiteral("--resume"), QStringLiteral("--agree")});
        if (loaded) {
            QVERIFY2(outcome.err.contains(QStringLiteral("）：") + url), qPrintable(outcome.err));
            SettingsStore settings(settingsPath(dir));
            QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum),
                     QStringLiteral("4"));
            QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointOption),
                     QStringLiteral("2"));
            // The folder is free again once the program has ended.
            QVERIFY(!QFile::exists(InstanceLock::lockFilePath(dir.path())));
        } else {
            QCOMPARE(outcome.exitCode, 1);
            QVERIFY2(outcome.err.contains(error), qPrintable(outcome.err));
        }
    }

    void consoleQuestions_data() {
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<bool>("answer");
        QTest::newRow("no terminal answers no") << false << QByteArray("y\n") << false;
        QTest::newRow("yes") << true << QByteArray("y\n") << true;
        QTest::newRow("yes in capitals") << true << QByteArray("YES\n") << true;
        QTest::newRow("chinese yes") << true << QByteArray("是\n") << true;
        QTest::newRow("empty line is no") << true << QByteArray("\n") << false;
        QTest::newRow("asks again after nonsense") << true << QByteArray("maybe\ny\n") << true;
        QTest::newRow("end of input is no") << true << QByteArray() << false;
    }

    void consoleQuestions() {
        QFETCH(bool, interactive);
        QFETCH(QByteArray, typed);
        QFETCH(bool, answer);
        std::FILE* in = std::tmpfile();
        std::FILE* err = std::tmpfile();
        std::fwrite(typed.constData(), 1, static_cast<size_t>(typed.size()), in);
        std::rewind(in);
        ConsoleOutput window(interactive, err, in);
        QCOMPARE(window.askYesNo(QStringLiteral("是否继续？")), answer);
        std::fclose(in);
        std::fclose(err);
    }

    void consoleTextsOneLineEach() {
        std::FILE* err = std::tmpfile();
        ConsoleOutput window(false, err, stdin);
        window.setStatusText(QStringLiteral("正在采集\r\n第1页"));
        window.showMessage(QStringLiteral("淘宝店铺地址不对"));
        window.setStatusText(QStringLiteral("a\nb"));
        std::rewind(err);
        QByteArray written(4096, '\0');
        written.resize(static_cast<qsizetype>(std::fread(written.data(), 1, 4096, err)));
        std::fclose(err);
        QCOMPARE(QString::fromUtf8(written), QStringLiteral("正在采集 第1页\n淘宝店铺地址不对\na b\n"));
        QCOMPARE(window.messageCount(), 1);
    }

    // The extract command in this process, with crawlers that behave as the real ones may.
    void runOutcome_data() {
        QTest::addColumn<int>("items");
        QTest::addColumn<bool>("message");
        QTest::addColumn<bool>("throws");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("complete") << 2 << false << false << 0;
        QTest::newRow("zero items message") << 0 << true << false << 1;
        // A walk that had to tell the user something did not do all its work.
        QTest::newRow("message after items") << 1 << true << false << 1;
        QTest::newRow("crawler failure") << 1 << false << true << 1;
    }

    void runOutcome() {
        QFETCH(int, items);
        QFETCH(bool, message);
        QFETCH(bool, throws);
        QFETCH(int, exitCode);

        QTemporaryDir dir;
        auto crawl = [&](ShopWalkHost& ctx) {
            for (int i = 1; i <= items; ++i)
                emitItem(ctx, i);
            if (message)
                ctx.showMessage(QStringLiteral("no items"));
            if (throws)
                throw std::runtime_error("broken page");
            return WalkEnd{};
        };
        const int status = runExtractCommand(extractOptions("paipai", "ebay", "http://shop.paipai.com/1"),
                                             dir.path(), {crawl, crawl, crawl});
        QCOMPARE(status, exitCode);
        QCOMPARE(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("PaiPai_1_eBay.csv"))), items > 0);
    }

    // Ctrl-C while the fourth item of a fixture shop downloads: the download is abandoned, the
    // three finished items are written, and the breakpoint stays open at the third, so a resume
    // fetches the fourth again.
    void interruptStopsAndWritesTheOutput() {
        SKIP_WITHOUT(Interrupt);
        FixtureWebServer server(fixturePath(QStringLiteral("web")));
        QVERIFY(server.start());
        const QString fourth = QStringLiteral("http://item.taobao.com/item.htm?id=1004");
        server.setSlowBody(fourth, 10, 100);
        QTemporaryDir dir;
        QProcess* process =
            startKestrune(QStringList{QStringLiteral("extract"), QStringLiteral("--data-dir"), dir.path()} +
                              extractOptions("taobao", "paipai", "http://shop11112222.taobao.com/"),
                          server.proxyUrl());
        QTRY_VERIFY_WITH_TIMEOUT(server.requestedAddresses().contains(fourth), 30000);
        QVERIFY(TestSystem::interrupt(*process));
        const Outcome outcome = finish(process);

        QCOMPARE(outcome.exitCode, 0);
        QVERIFY2(outcome.out.contains(QStringLiteral("已写入3个宝贝")), qPrintable(outcome.out));
        const QString output = QDir(dir.path()).filePath(QStringLiteral("Taobao_11112222_PaiPai.csv"));
        QVERIFY(QFile::exists(output));
        QVERIFY(!QFile::exists(OutputJournal::pathFor(output)));
        SettingsStore settings(settingsPath(dir));
        QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPoint), QStringLiteral("1"));
        QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum),
                 QStringLiteral("3"));
        const QString written = decodeGbk(fileBytes(output));
        QVERIFY(written.contains(QStringLiteral("\r\n")));
        QVERIFY(!written.contains(QStringLiteral("MX500"))); // the fourth item's title
        // The fifth item was never asked for.
        QVERIFY(
            !server.requestedAddresses().contains(QStringLiteral("http://item.taobao.com/item.htm?id=1006")));
    }

    void secondInstance_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("window");
        QTest::newRow("command line") << QStringList{QStringLiteral("extract")} +
                                             extractOptions("taobao", "taobao", "http://shop1.taobao.com")
                                      << false;
        QTest::newRow("window") << QStringList() << true;
        // A Qt option without a value must not swallow the option after it.
        QTest::newRow("window after a Qt option") << QStringList{QStringLiteral("-reverse")} << true;
    }

    // The second instance says which folder is taken and ends with 1; the window shows it in a
    // message box (left open here: the test reads the same words on standard error).
    void secondInstance() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, window);
        QTemporaryDir dir;
        InstanceLock held(dir.path());
        QVERIFY(held.tryAcquire());
        QProcess* process = startKestrune(arguments << QStringLiteral("--data-dir") << dir.path());
        const QString message =
            QStringLiteral("另一个Kestrune正在使用此文件夹：") + QDir::toNativeSeparators(dir.path());
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += process->readAllStandardError(), err.contains(message.toUtf8())),
                                 30000);
        if (window) {
            QCOMPARE(process->state(), QProcess::Running);
            process->kill();
        }
        const Outcome outcome = finish(process);
        if (!window)
            QCOMPARE(outcome.exitCode, 1);
        // The lock file is named too, so a person can see which one holds the folder.
        QVERIFY(QString(QString::fromUtf8(err) + outcome.err)
                    .contains(QDir::toNativeSeparators(InstanceLock::lockFilePath(dir.path()))));
        QVERIFY(!QFile::exists(settingsPath(dir)));
    }

    void argumentsThatAreNoText_data() {
        QTest::addColumn<QString>("arguments"); // after the program; $1 is a name in bytes that are not UTF-8
        QTest::newRow("--data-dir") << QStringLiteral("--data-dir \"$1\" extract --agree --platform taobao "
                                                      "--format taobao http://shop1.taobao.com");
        QTest::newRow("--data-dir=") << QStringLiteral("--data-dir=\"$1\" extract --agree --platform taobao "
                                                       "--format taobao http://shop1.taobao.com");
        QTest::newRow("convert paths")
            << QStringLiteral("convert --agree --from paipai --to ebay \"$1/a.csv\" "
                              "\"$1/b.csv\"");
    }

    // A folder name in another encoding must not be read as another name: nothing may be
    // written anywhere but where the user pointed.
    void argumentsThatAreNoText() {
        QFETCH(QString, arguments);
        SKIP_WITHOUT(ArgumentBytes);
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("inside"))));
        // The shell makes the bytes: QProcess would pass only valid text.
        QProcess process;
        process.setWorkingDirectory(dir.filePath(QStringLiteral("inside")));
        TestSystem::startThroughShell(
            process,
            QStringLiteral("exec \"$0\" ") +
                arguments.replace(QStringLiteral("$1"),
                                  QStringLiteral("$(printf '%1/\\377\\376')").arg(dir.path())),
            kestruneBinary());
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY2(process.readAllStandardError().contains("not a valid file name"), "no usage error");
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("inside")});
        QCOMPARE(
            QDir(dir.filePath(QStringLiteral("inside"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList());
    }

    void lockFileWithoutOwner_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty, as a power cut leaves it") << QByteArray("");
        QTest::newRow("garbled") << QByteArray("\x01\xFFnot a lock\n\n\n");
        QTest::newRow("written on another host") << QByteArray("1\nkestrune\nanother-host.example\n");
        QTest::newRow("a process of this host that died")
            << QByteArray("2147483646\nkestrune\n") + QSysInfo::machineHostName().toUtf8() + '\n';
    }

    // Only a live process locks a folder; a file left behind by anything else never does.
    void lockFileWithoutOwner() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        putFileBytes(InstanceLock::lockFilePath(dir.path()), content);
        const Outcome outcome = runKestrune(QStringList{QStringLiteral("extract")} +
                                            extractOptions("taobao", "taobao", "http://shop1.taobao.com") +
                                            QStringList{QStringLiteral("--data-dir"), dir.path()});
        QVERIFY2(!outcome.err.contains(QStringLiteral("另一个Kestrune正在使用此文件夹")),
                 qPrintable(outcome.err));
        // It went on to ask for the shop (which the proxy of these tests refuses).
        QVERIFY2(outcome.err.contains(QStringLiteral("网络或代理连接失败")), qPrintable(outcome.err));
    }

    void windowModuleUnusable_data() {
        QTest::addColumn<QByteArray>("module"); // the file put where the module belongs; null: none
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("kestrune: 找不到窗口模块：");
        QTest::newRow("not a library")
            << QByteArray("not a library\n") << QStringLiteral("kestrune: 无法加载窗口模块：");
    }

    // A copy of the program without a usable window module says so on the console and ends with
    // 1 instead of opening a window; its commands need no module and still run.
    void windowModuleUnusable() {
        QFETCH(QByteArray, module);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        const QString program = bin + u'/' + QFileInfo(kestruneBinary()).fileName();
        QVERIFY(QFile::copy(kestruneBinary(), program));
        const QString modulePath = bin + u'/' + QFileInfo(windowModule()).fileName();
        if (!module.isNull())
            putFileBytes(modulePath, module);

        auto run = [&](const QStringList& arguments) {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            process.setProcessEnvironment(env);
            process.setStandardInputFile(QProcess::nullDevice());
            process.start(program, arguments);
            if (!process.waitForFinished(60000))
                process.kill();
            process.waitForFinished();
            return Outcome{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                           QString::fromUtf8(process.readAllStandardOutput()),
                           QString::fromUtf8(process.readAllStandardError())};
        };
        const Outcome window = run({QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data"))});
        QCOMPARE(window.exitCode, 1);
        QVERIFY2(window.err.startsWith(message), qPrintable(window.err));
        QVERIFY2(window.err.contains(QDir::toNativeSeparators(modulePath)), qPrintable(window.err));
        const Outcome version = run({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(!version.out.isEmpty());
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
