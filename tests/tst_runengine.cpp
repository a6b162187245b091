#include "base/ProgramIdentity.h"
#include "run/RunEngine.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"
#include "support/TestPaths.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kShop = QStringLiteral("http://shop11112222.taobao.com/");
const QString kFourthItem = QStringLiteral("http://item.taobao.com/item.htm?id=1004");

} // namespace

// The engine runs the real crawlers on its own thread; these tests drive it the way the window
// and the command line do, through its signals.
class TestRunEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }
    void init() {
        m_server.clearBehaviours();
        m_server.clearRequestedAddresses();
    }

    // Whatever the run is waiting for when the stop comes (a page that takes ten seconds to send,
    // or a ten-second pause), it ends long before that wait would.
    void stopEndsTheRunAtOnce_data() {
        QTest::addColumn<QString>("slowAddress"); // sent over ten seconds; empty for none
        QTest::addColumn<double>("pauseScale");
        QTest::addColumn<int>("rowsBeforeStop"); // the stop comes once this many rows arrived...
        QTest::addColumn<int>("rowsWritten");

        // ...or, with a slow address, once that address was asked for.
        // Nothing was read of the shop: no message, and the run never started, so nothing of it
        // is recorded.
        QTest::newRow("shop page downloading") << kShop << 0.01 << 0 << 0;
        QTest::newRow("item page downloading") << kFourthItem << 0.01 << 3 << 3;
        QTest::newRow("pausing after an item") << QString() << 10.0 << 1 << 1;
    }

    void stopEndsTheRunAtOnce() {
        QFETCH(QString, slowAddress);
        QFETCH(double, pauseScale);
        QFETCH(int, rowsBeforeStop);
        QFETCH(int, rowsWritten);

        if (!slowAddress.isEmpty())
            m_server.setSlowBody(slowAddress, 10, 1000);
        QTemporaryDir dir;
        RunEngine engine(
            RunEngineOptions{dir.path(), CollectCommand::Crawlers::standard(), nullptr, pauseScale, {}});
        int rows = 0;
        connect(&engine, &RunEngine::rowAdded, this, [&rows] { ++rows; });
        QSignalSpy finished(&engine, &RunEngine::finished);

        RunRequest request;
        request.platform = Platform::Taobao;
        request.format = FileFormat::TaobaoAssistant;
        request.address = kShop;
        engine.start(request);
        if (slowAddress.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(rows >= rowsBeforeStop, 20000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().contains(slowAddress), 20000);
        QCOMPARE(rows, rowsBeforeStop);

        QElapsedTimer clock;
        clock.start();
        engine.requestStop();
        QSignalSpy messages(&engine, &RunEngine::messageRaised);
        QVERIFY(finished.wait(5000));
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));

        const RunOutcome outcome = finished.first().first().value<RunOutcome>();
        const bool started = slowAddress != kShop;
        QCOMPARE(outcome.summary.started, started);
        QVERIFY(!outcome.summary.crawlFailed);
        QVERIFY(!outcome.summary.outputPending);
        QCOMPARE(outcome.rows, rowsWritten);
        QCOMPARE(messages.size(), 0);
        QCOMPARE(QFile::exists(outcome.outputFile), rowsWritten > 0);
        // The breakpoint never runs ahead of the rows on disk.
        SettingsStore settings(QDir(dir.path()).filePath(ProgramIdentity::kSettingsFileName));
        const QString reached = settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum);
        QCOMPARE(reached.toInt(), rowsWritten);
        QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPoint),
                 started ? QStringLiteral("1") : QString());
    }

    // Each page and picture fetched is a line of the log, in the order the run met it among its
    // status lines: the shop page checked first, an item's page, picture and description before
    // the status that counts it, the summary last.
    void logFollowsTheRun() {
        QTemporaryDir dir;
        RunEngine engine(RunEngineOptions{dir.path(), CollectCommand::Crawlers::standard(), nullptr, 0, {}});
        QStringList lines;
        connect(&engine, &RunEngine::logged, this, [&lines](const QString& line) { lines.append(line); });
        QSignalSpy finished(&engine, &RunEngine::finished);
        RunRequest request;
        request.platform = Platform::Taobao;
        request.address = kShop;
        engine.start(request);
        QVERIFY(finished.wait(60000));

        // The index of the first line from that matches the pattern whole.
        const auto at = [&lines](const QString& pattern, qsizetype from = 0) {
            return lines.indexOf(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d ") + pattern),
                                 from);
        };
        const QString seconds = QStringLiteral(" [0-9.]+秒 ");
        QCOMPARE(at(QStringLiteral("页面 成功") + seconds + QRegularExpression::escape(kShop) + u'$'), 0);
        QCOMPARE(at(QStringLiteral("状态 载入淘宝店铺信息......$")), 1);
        const qsizetype item =
            at(QStringLiteral("页面 成功") + seconds +
               QRegularExpression::escape(QStringLiteral("http://item.taobao.com/item.htm?id=1001")) + u'$');
        const qsizetype picture = at(QStringLiteral("图片 .*"), item);
        const qsizetype description =
            at(QStringLiteral("页面 成功") + seconds +
                   QRegularExpression::escape(QStringLiteral("http://dsc.")) + QStringLiteral(".*"),
               item);
        const qsizetype counted = at(QStringLiteral("状态 .*已采集商品1个.*"));
        QVERIFY2(item > 1 && picture == item + 1 && description == picture + 1 && counted == description + 1,
                 qPrintable(lines.join(u'\n')));
        QVERIFY(lines.last().contains(QStringLiteral(" 结束 共")));
    }

    // A second start while a run is under way is ignored; after the end, the engine runs again.
    void oneRunAtATime() {
        QTemporaryDir dir;
        RunEngine engine(
            RunEngineOptions{dir.path(), CollectCommand::Crawlers::standard(), nullptr, 0.01, {}});
        QSignalSpy finished(&engine, &RunEngine::finished);
        RunRequest request;
        request.platform = Platform::Taobao;
        request.address = kShop;
        engine.start(request);
        QVERIFY(!engine.isIdle());
        engine.start(request);
        QVERIFY(finished.wait(60000));
        QVERIFY(engine.isIdle());
        QTest::qWait(100);
        QCOMPARE(finished.size(), 1);
        const int firstRows = finished.first().first().value<RunOutcome>().rows;
        QVERIFY(firstRows > 0);

        engine.start(request);
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.last().first().value<RunOutcome>().rows, firstRows);
    }

private:
    FixtureWebServer m_server{fixturePath(QStringLiteral("web"))};
};

KESTRUNE_TEST_GUILESS_MAIN(TestRunEngine)
#include "tst_runengine.moc"
