#include "run/ProgressText.h"
#include "run/RunLog.h"
#include "run/RunProgress.h"
#include "run/TimeLeftEstimate.h"
#include "support/TestMain.h"
#include "support/WebTestSupport.h"
#include "web/PageFetcher.h"

#include <QTest>
#include <QTime>

namespace {

// One item as the walk reports it: the count it reached, when, and how long it had paused by then.
struct Reached {
    int done;
    qint64 atMs;
    qint64 pausedMs;
};

} // namespace

Q_DECLARE_METATYPE(QList<Reached>)

class TestRunProgress : public QObject {
    Q_OBJECT

private slots:
    // Each row: the pause after every item, then the items as they arrive; the expected
    // estimate after each (total 10 items).
    void estimateFallsAsItemsArrive_data() {
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<QList<Reached>>("items");
        QTest::addColumn<QList<qint64>>("expected");

        // Each item takes 300 ms of its own, then the walk pauses 500 ms.
        addRow("steady items", 500, QList<Reached>{{1, 300, 0}, {2, 1100, 500}, {3, 1900, 1000}},
               QList<qint64>{9 * 800, 8 * 800, 7 * 800});
        // The first item carries the shop's own pages; later ones are quicker, and the estimate
        // falls faster than the items alone would make it.
        addRow("slow start", 500, QList<Reached>{{1, 2100, 0}, {2, 2900, 500}, {3, 3700, 1000}},
               QList<qint64>{9 * 2600, 8 * (500 + 1200), 7 * (500 + 900)});
        // Items already on disk are skipped without a fetch or a pause: they cost nothing.
        addRow("resume skips", 500, QList<Reached>{{6, 300, 0}, {7, 1100, 500}},
               QList<qint64>{4 * 800, 3 * 800});
        // A stop cut the pause short: only the time really paused is left out.
        addRow("pause cut short", 500, QList<Reached>{{1, 300, 0}, {2, 700, 100}},
               QList<qint64>{9 * 800, 8 * 800});
        addRow("last item", 500, QList<Reached>{{9, 300, 0}, {10, 1100, 500}}, QList<qint64>{800, 0});
        // A walk that counts more than the shop stated has nothing left.
        addRow("beyond the total", 500, QList<Reached>{{11, 300, 0}}, QList<qint64>{0});
    }

    void estimateFallsAsItemsArrive() {
        QFETCH(int, pauseMs);
        QFETCH(QList<Reached>, items);
        QFETCH(QList<qint64>, expected);
        TimeLeftEstimate estimate;
        estimate.start(0, 0);
        estimate.setPauseMs(pauseMs);
        qint64 previous = -1;
        for (int i = 0; i < items.size(); ++i) {
            estimate.reached(items[i].done, items[i].atMs, items[i].pausedMs);
            const qint64 left = estimate.millisecondsLeft(items[i].done, 10);
            QCOMPARE(left, expected[i]);
            if (previous >= 0)
                QVERIFY(left < previous);
            previous = left;
        }
    }

    // Only the latest items count: a slow stretch long ago no longer holds the estimate up.
    void recentItemsOnly() {
        TimeLeftEstimate estimate;
        estimate.start(0, 0);
        estimate.setPauseMs(0);
        estimate.reached(1, 60000, 0);
        qint64 at = 60000;
        for (int done = 2; done <= 1 + TimeLeftEstimate::kRecentItems; ++done)
            estimate.reached(done, at += 100, 0);
        QCOMPARE(estimate.millisecondsLeft(21, 100), qint64(79 * 100));
    }

    void estimateUnknown_data() {
        QTest::addColumn<bool>("pauseKnown");
        QTest::addColumn<bool>("itemTimed");
        QTest::addColumn<int>("total");
        QTest::addColumn<qint64>("expected");
        addRow("total unknown", true, true, 0, qint64(-1));
        addRow("nothing timed yet", true, false, 10, qint64(-1));
        // The walk names its pause only after its first item.
        addRow("pause not known yet", false, true, 10, qint64(-1));
        addRow("both known", true, true, 10, qint64(9 * 800));
    }

    void estimateUnknown() {
        QFETCH(bool, pauseKnown);
        QFETCH(bool, itemTimed);
        QFETCH(int, total);
        QFETCH(qint64, expected);
        TimeLeftEstimate estimate;
        estimate.start(1000, 0);
        if (pauseKnown)
            estimate.setPauseMs(500);
        if (itemTimed)
            estimate.reached(1, 1300, 0);
        QCOMPARE(estimate.millisecondsLeft(1, total), expected);
    }

    // A second run starts from nothing: the first run's items say nothing about it.
    void startForgetsTheLastRun() {
        TimeLeftEstimate estimate;
        estimate.start(0, 0);
        estimate.setPauseMs(500);
        estimate.reached(5, 1000, 0);
        estimate.start(5000, 2000);
        QCOMPARE(estimate.millisecondsLeft(0, 10), qint64(-1));
        estimate.setPauseMs(1000);
        estimate.reached(1, 5200, 2000);
        QCOMPARE(estimate.millisecondsLeft(1, 10), qint64(9 * 1200));
    }

    void progressTexts_data() {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<qint64>("left");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("timeLeft");
        QTest::addColumn<int>("percent");
        addRow("total unknown", 3, 0, qint64(-1), "已采集 3 个宝贝", "", 0);
        addRow("not yet estimated", 1, 40, qint64(-1), "已采集 1 / 共 40 个宝贝", "正在估算剩余时间", 2);
        addRow("seconds rounded up", 12, 40, qint64(34001), "已采集 12 / 共 40 个宝贝", "剩余约35秒", 30);
        addRow("minutes", 1, 200, qint64(65000), "已采集 1 / 共 200 个宝贝", "剩余约1分05秒", 0);
        addRow("hours", 1, 9000, qint64(3723000), "已采集 1 / 共 9000 个宝贝", "剩余约1小时02分", 0);
        addRow("done", 40, 40, qint64(0), "已采集 40 / 共 40 个宝贝", "剩余约0秒", 100);
        addRow("more than stated", 45, 40, qint64(0), "已采集 45 / 共 40 个宝贝", "剩余约0秒", 100);
    }

    void progressTexts() {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(qint64, left);
        QFETCH(QString, count);
        QFETCH(QString, timeLeft);
        QFETCH(int, percent);
        const RunProgress progress{done, total, left};
        QCOMPARE(ProgressText::count(progress), count);
        QCOMPARE(ProgressText::timeLeft(progress), timeLeft);
        QCOMPARE(progress.percent(), percent);
    }

    void terminalLine_data() {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("expected");
        addRow("bar and time left", 12, 40, "正在采集第1页内容", 200,
               "已采集 12 / 共 40 个宝贝 [######--------------] 30% 剩余约35秒  正在采集第1页内容");
        addRow("total unknown: no bar", 3, 0, "", 200, "已采集 3 个宝贝");
        addRow("full", 40, 40, "", 200, "已采集 40 / 共 40 个宝贝 [####################] 100% 剩余约0秒");
        // Cut to the terminal's width, a wide character never split across its two cells.
        addRow("wide character that would not fit", 3, 0, "", 10, "已采集 3 ");
        addRow("wide character that just fits", 3, 0, "", 11, "已采集 3 个");
    }

    void terminalLine() {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(QString, status);
        QFETCH(int, columns);
        QFETCH(QString, expected);
        const qint64 left = done >= total ? 0 : 34001;
        const QString line = ProgressText::terminalLine({done, total, left}, status, columns);
        QCOMPARE(line, expected);
        QVERIFY(ProgressText::terminalWidth(line) <= columns);
    }

    void logLines_data() {
        QTest::addColumn<int>("kind"); // -1: a fetch
        QTest::addColumn<int>("status");
        QTest::addColumn<FetchFailure>("failure");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        const QString item = QStringLiteral("http://item.taobao.com/item.htm?id=1001");
        const auto fetch = [](const char* name, int status, FetchFailure failure, const QString& expected) {
            QTest::newRow(name) << -1 << status << failure << QString() << expected;
        };
        fetch("page fetched", 200, FetchFailure::None, QStringLiteral("09:05:07 页面 成功 1.25秒 ") + item);
        fetch("404", 404, FetchFailure::Network, QStringLiteral("09:05:07 页面 HTTP 404 1.25秒 ") + item);
        fetch("non-200 answer", 204, FetchFailure::None,
              QStringLiteral("09:05:07 页面 HTTP 204 1.25秒 ") + item);
        fetch("no answer", 0, FetchFailure::Network,
              QStringLiteral("09:05:07 页面 出错（Connection refused） 1.25秒 ") + item);
        fetch("timed out", 0, FetchFailure::TimedOut, QStringLiteral("09:05:07 页面 超时 1.25秒 ") + item);
        fetch("stopped", 0, FetchFailure::Stopped, QStringLiteral("09:05:07 页面 已停止 1.25秒 ") + item);
        QTest::newRow("status, one line") << int(RunLog::Kind::Status) << 0 << FetchFailure::None
                                          << QStringLiteral("第一行\r\n第二行\n第三行")
                                          << QStringLiteral("09:05:07 状态 第一行 第二行 第三行");
        QTest::newRow("message") << int(RunLog::Kind::Message) << 0 << FetchFailure::None
                                 << QStringLiteral("淘宝店铺地址不对")
                                 << QStringLiteral("09:05:07 消息 淘宝店铺地址不对");
    }

    void logLines() {
        QFETCH(int, kind);
        QFETCH(int, status);
        QFETCH(FetchFailure, failure);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QTime at(9, 5, 7);
        if (kind >= 0) {
            QCOMPARE(RunLog::line(at, static_cast<RunLog::Kind>(kind), text), expected);
            return;
        }
        FetchReport report;
        report.address = QStringLiteral("http://item.taobao.com/item.htm?id=1001");
        report.status = status;
        report.failure = failure;
        report.error = QStringLiteral("Connection refused");
        report.elapsedMs = 1250;
        QCOMPARE(RunLog::fetchLine(at, report), expected);
    }

    void pictureLogLines_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<FetchFailure>("failure");
        QTest::addColumn<QString>("expected");
        const QString picture = QStringLiteral("http://img01.taobaocdn.com/bao/1001.jpg");
        addRow("saved", 200, FetchFailure::None,
               QString(QStringLiteral("09:05:07 图片 成功 0.04秒 ") + picture));
        addRow("404", 404, FetchFailure::Network,
               QString(QStringLiteral("09:05:07 图片 HTTP 404 0.04秒 ") + picture));
        // No request was made: the name came from the page and would have left the picture folder.
        addRow("name refused", 0, FetchFailure::PictureNameRefused,
               QString(QStringLiteral("09:05:07 图片 图片名不安全，未下载：../1001.jpg ") + picture));
        addRow("not saved", 200, FetchFailure::PictureNotSaved,
               QString(QStringLiteral("09:05:07 图片 未能保存：../1001.jpg 0.04秒 ") + picture));
    }

    void pictureLogLines() {
        QFETCH(int, status);
        QFETCH(FetchFailure, failure);
        QFETCH(QString, expected);
        FetchReport report;
        report.kind = FetchReport::Kind::Picture;
        report.address = QStringLiteral("http://img01.taobaocdn.com/bao/1001.jpg");
        report.pictureName = QStringLiteral("../1001.jpg");
        report.status = status;
        report.failure = failure;
        report.elapsedMs = 40;
        QCOMPARE(RunLog::fetchLine(QTime(9, 5, 7), report), expected);
    }

    void summary_data() {
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("dropped");
        QTest::addColumn<QString>("expected");
        addRow("all read", 7, 0, "共7个宝贝");
        addRow("some dropped", 5, 2, "共5个宝贝，2个宝贝未能采集");
    }

    void summary() {
        QFETCH(int, items);
        QFETCH(int, dropped);
        QFETCH(QString, expected);
        QCOMPARE(RunLog::summaryText(items, dropped), expected);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestRunProgress)
#include "tst_runprogress.moc"
