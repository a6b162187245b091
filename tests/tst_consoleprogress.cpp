#include "commandline/ConsoleOutput.h"
#include "run/ProgressText.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"
#include "support/TestPaths.h"
#include "support/WebTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kShop = QStringLiteral("http://shop.paipai.com/20090301/");
const QString kFirstPicture =
    QStringLiteral("http://image.paipai.com/cgi-bin/showimg?uin=20090301&filename=20090301A0001.jpg&type=1");
constexpr int kColumns = 100;

// What the console output wrote to its error stream.
QByteArray written(std::FILE* stream) {
    std::rewind(stream);
    QByteArray bytes(1 << 16, '\0');
    bytes.resize(
        static_cast<qsizetype>(std::fread(bytes.data(), 1, static_cast<size_t>(bytes.size()), stream)));
    return bytes;
}

struct TerminalRun {
    int exitCode = -1;
    QByteArray terminal; // what the program wrote to its terminal (standard error)
    QByteArray out;      // standard output, sent to a file
};

// Runs `kestrune ARGS` with a pseudo-terminal kColumns wide as its standard input and error,
// as a person at a terminal would, and standard output to a file.
TerminalRun runOnTerminal(const QStringList& arguments, const QString& proxy, const QString& outFile) {
    TerminalRun run;
    // Everything the child needs is made before the fork: after it, only exec.
    std::vector<QByteArray> argumentBytes{kestruneBinary().toLocal8Bit()};
    for (const QString& argument : arguments)
        argumentBytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> environmentBytes{"http_proxy=" + proxy.toLocal8Bit(), "LC_ALL=C.UTF-8",
                                             "QT_QPA_PLATFORM=offscreen", "TERM=xterm"};
    std::vector<char*> envp;
    for (QByteArray& variable : environmentBytes)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    const int outFd = ::open(QFile::encodeName(outFile).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd < 0)
        return run;

    winsize size{};
    size.ws_col = kColumns;
    size.ws_row = 30;
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, &size);
    if (child == 0) {
        ::dup2(outFd, STDOUT_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(outFd);
    if (child < 0)
        return run;

    // Read until the child has closed the terminal (EIO), for at most a minute.
    char buffer[4096];
    for (int waited = 0; waited < 600;) {
        pollfd ready{master, POLLIN, 0};
        const int polled = ::poll(&ready, 1, 100);
        if (polled == 0) {
            ++waited;
            continue;
        }
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0 && errno != EINTR)
            break;
        if (got > 0)
            run.terminal.append(buffer, got);
    }
    ::close(master);
    int status = 0;
    if (::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.out = fileBytes(outFile);
    return run;
}

// Runs `kestrune ARGS` with no terminal anywhere; returns its standard error.
QByteArray runWithoutTerminal(const QStringList& arguments, const QString& proxy, int* exitCode) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("http_proxy"), proxy);
    env.remove(QStringLiteral("no_proxy"));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(kestruneBinary(), arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardError();
}

QStringList extractArguments(const QString& dataDir) {
    return {QStringLiteral("extract"),
            QStringLiteral("--agree"),
            QStringLiteral("--platform"),
            QStringLiteral("paipai"),
            QStringLiteral("--format"),
            QStringLiteral("paipai"),
            QStringLiteral("--data-dir"),
            dataDir,
            kShop};
}

} // namespace

class TestConsoleProgress : public QObject {
    Q_OBJECT

    FixtureWebServer m_server{fixturePath(QStringLiteral("web"))};

private slots:
    void initTestCase() { QVERIFY(m_server.start()); }
    void init() {
        m_server.clearBehaviours();
        m_server.clearRequestedAddresses();
    }

    // On a terminal the count, bar, time left and latest status share one rewritten line and a
    // message gets a line of its own above it; at the end the bar stays without the time left and
    // the last status gets a line of its own. Without one, progress writes nothing and every status
    // is a line, as it always was. A text is never written twice in a row (a failure is both a
    // message and the run's last status).
    void consoleLines_data() {
        QTest::addColumn<int>("columns");       // 0: no terminal
        QTest::addColumn<QStringList>("steps"); // s: status, m: message, p: progress 1 of 4
        QTest::addColumn<QByteArray>("expected");
        const QByteArray clear = "\r\x1b[K";
        const QStringList run{u"s:正在采集第1页"_s, u"p"_s, u"m:店铺地址不对"_s, u"s:全部采集完成"_s};
        const QByteArray bar = "已采集 1 / 共 4 个宝贝 [#####---------------] 25%";
        QTest::newRow("no terminal") << 0 << run << QByteArray("正在采集第1页\n店铺地址不对\n全部采集完成\n");
        QTest::newRow("terminal") << 100 << run
                                  << clear + "已采集 0 个宝贝  正在采集第1页" + clear + bar +
                                         " 正在估算剩余时间  正在采集第1页" + clear + "店铺地址不对\n" +
                                         clear + bar + " 正在估算剩余时间  正在采集第1页" + clear + bar +
                                         " 正在估算剩余时间  全部采集完成" + clear + bar + "\n全部采集完成\n";
        // The last cell stays free, so the line never wraps.
        QTest::newRow("narrow terminal")
            << 23 << run
            << clear + "已采集 0 个宝贝  正在" + clear + "已采集 1 / 共 4 个宝贝" + clear + "店铺地址不对\n" +
                   clear + "已采集 1 / 共 4 个宝贝" + clear + "已采集 1 / 共 4 个宝贝" + clear +
                   "已采集 1 / 共 4 个宝贝\n全部采集完成\n";
        const QStringList failure{u"s:正在采集第1页"_s, u"m:网络或代理连接失败"_s, u"s:网络或代理连接失败"_s};
        QTest::newRow("failure once, no terminal")
            << 0 << failure << QByteArray("正在采集第1页\n网络或代理连接失败\n");
        QTest::newRow("failure once, terminal")
            << 100 << failure
            << clear + "已采集 0 个宝贝  正在采集第1页" + clear + "网络或代理连接失败\n" + clear +
                   "已采集 0 个宝贝  正在采集第1页" + clear + "已采集 0 个宝贝  网络或代理连接失败" + clear +
                   "已采集 0 个宝贝\n";
        QTest::newRow("status repeated once")
            << 0 << QStringList{u"s:已停止"_s, u"s:已停止"_s, u"m:已停止"_s} << QByteArray("已停止\n");
    }

    void consoleLines() {
        QFETCH(int, columns);
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, expected);
        std::FILE* err = std::tmpfile();
        {
            ConsoleOutput window(false, err, stdin);
            window.setTerminalColumns(columns);
            for (const QString& step : steps) {
                if (step == u"p")
                    window.setProgress({1, 4, -1});
                else if (step.startsWith(u"s:"))
                    window.setStatusText(step.mid(2));
                else
                    window.showMessage(step.mid(2));
            }
            window.finishProgressLine();
        }
        const QByteArray bytes = written(err);
        std::fclose(err);
        QCOMPARE(QString::fromUtf8(bytes), QString::fromUtf8(expected));
    }

    // A whole extraction at a terminal: one line, rewritten in place, that ends at the shop's
    // count; standard output still gets its lines.
    void extractionAtATerminal() {
        QTemporaryDir dir;
        const TerminalRun run = runOnTerminal(extractArguments(dir.path()), m_server.proxyUrl(),
                                              dir.filePath(QStringLiteral("out")));
        QCOMPARE(run.exitCode, 0);
        // The closing lines, in the words of the messages.
        const QStringList out = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(out.size() >= 2, run.out.constData());
        QVERIFY2(out.at(0).startsWith(u"输出文件："_s) && out.at(0).endsWith(u"PaiPai_20090301.csv"_s),
                 run.out.constData());
        QVERIFY2(QRegularExpression(u"^已写入\\d+个宝贝$"_s).match(out.at(1)).hasMatch(),
                 run.out.constData());

        QByteArray terminal = run.terminal;
        // The terminal turns line breaks into CR LF. The last status has the last line of its own.
        QVERIFY2(terminal.endsWith("\r\n"), terminal.constData());
        terminal.chop(2);
        const qsizetype lastBreak = terminal.lastIndexOf("\r\n");
        QVERIFY2(lastBreak > 0, terminal.constData());
        const QString lastStatus = QString::fromUtf8(terminal.mid(lastBreak + 2));
        QVERIFY2(lastStatus.startsWith(u"全部采集完成：共"_s), qPrintable(lastStatus));
        terminal.truncate(lastBreak);
        QVERIFY2(!terminal.contains('\n'), "a status got a line of its own");
        const QList<QByteArray> drawn = terminal.split('\x1b');
        QVERIFY(drawn.size() > 5);
        QStringList lines;
        for (QByteArray line : drawn) {
            if (line.startsWith("[K"))
                line.remove(0, 2);
            if (line.endsWith('\r'))
                line.chop(1);
            lines.append(QString::fromUtf8(line));
            QVERIFY2(ProgressText::terminalWidth(lines.last()) < kColumns, line.constData());
        }
        // The count climbs with each item; the shop states 21, of which its lists hold 5: the
        // complete run ends at 5 of 5.
        QVERIFY(lines.filter(QStringLiteral("已采集 2 / 共 21 个宝贝 [#-------------------] 9% ")).size() >
                0);
        // The bar stays as the run left it, without the time left: a complete run ends whole.
        QCOMPARE(lines.last(), QStringLiteral("已采集 5 / 共 5 个宝贝 [####################] 100%"));
        QVERIFY(lines.filter(QStringLiteral("宝贝未能采集（页面无法读取）")).size() > 0);
    }

    // --log writes the run's lines to a file; what goes to standard error stays as it was.
    void logFile() {
        m_server.setStatus(kFirstPicture, 404);
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("run.log"));
        int withoutLog = -1;
        int withLog = -1;
        const QByteArray plain = runWithoutTerminal(extractArguments(dir.filePath(QStringLiteral("a"))),
                                                    m_server.proxyUrl(), &withoutLog);
        const QByteArray logged = runWithoutTerminal(extractArguments(dir.filePath(QStringLiteral("b")))
                                                         << QStringLiteral("--log") << log,
                                                     m_server.proxyUrl(), &withLog);
        QCOMPARE(withLog, 0);
        QCOMPARE(withoutLog, 0);
        QCOMPARE(QString::fromUtf8(logged).replace(dir.filePath(QStringLiteral("b")), QStringLiteral("DIR")),
                 QString::fromUtf8(plain).replace(dir.filePath(QStringLiteral("a")), QStringLiteral("DIR")));

        const QString text = QString::fromUtf8(fileBytes(log));
        QVERIFY(text.endsWith(u'\n'));
        const QStringList lines = text.trimmed().split(u'\n');
        const QRegularExpression timed(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d (页面|图片|状态|消息|结束) "));
        for (const QString& line : lines)
            QVERIFY2(timed.match(line).hasMatch(), qPrintable(line));
        const auto has = [&lines](const QString& pattern) {
            const QRegularExpression expression(pattern);
            return std::any_of(lines.begin(), lines.end(),
                               [&](const QString& line) { return expression.match(line).hasMatch(); });
        };
        QVERIFY(has(QStringLiteral(" 页面 成功 [0-9.]+秒 ") + QRegularExpression::escape(kShop) + u'$'));
        QVERIFY(has(QStringLiteral(" 图片 HTTP 404 [0-9.]+秒 ") + QRegularExpression::escape(kFirstPicture) +
                    u'$'));
        QVERIFY(has(QStringLiteral(" 状态 宝贝未能采集（页面无法读取），已跳过：http://auction1")));
        QVERIFY(has(QStringLiteral(" 结束 共2个宝贝，3个宝贝未能采集$")));
    }

    // A log is written only to a regular file or a new name that is none of the run's own files;
    // anything else is refused before a page is fetched, and the file is left as it was.
    void logFileCannotBeWritten_data() {
        QTest::addColumn<QString>("log"); // inside the program folder
        QTest::addColumn<QByteArray>("content");

        addRow("missing folder", QStringLiteral("no/such/run.log"), QByteArray());
        addRow("settings file", QStringLiteral("Kestrune.ini"), QByteArray("[断点续采]\r\nBreakPoint=1\r\n"));
        addRow("output file", QStringLiteral("PaiPai_20090301.csv"), QByteArray("rows the seller keeps\r\n"));
        addRow("output file by another spelling", QStringLiteral("./sub/../PaiPai_20090301.csv"),
               QByteArray("rows the seller keeps\r\n"));
        addRow("journal", QStringLiteral(".PaiPai_20090301.csv.journal"), QByteArray());
        addRow("item list", QStringLiteral(".PaiPai_20090301.csv.items"), QByteArray("items"));
        addRow("lock", QStringLiteral("Kestrune.lock"), QByteArray());
        addRow("FIFO nobody reads", QStringLiteral("fifo"), QByteArray());
        addRow("folder", QStringLiteral("sub"), QByteArray());
    }

    void logFileCannotBeWritten() {
        QFETCH(QString, log);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0666) == 0);
        const QString path = dir.filePath(log);
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        int exitCode = -1;
        QElapsedTimer clock;
        clock.start();
        const QByteArray err = runWithoutTerminal(
            extractArguments(dir.path()) << QStringLiteral("--log") << path, m_server.proxyUrl(), &exitCode);
        QCOMPARE(exitCode, 1);
        QVERIFY2(err.contains("cannot write the log file"), err.constData());
        QVERIFY(clock.elapsed() < 20000);
        // Nothing was fetched, and the file is as it was.
        QVERIFY(!m_server.requestedAddresses().contains(kShop));
        if (!content.isEmpty())
            QCOMPARE(fileBytes(path), content);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestConsoleProgress)
#include "tst_consoleprogress.moc"
