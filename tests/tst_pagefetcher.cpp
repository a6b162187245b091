#include "app/RunState.h"
#include "support/FakeWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"
#include "web/PageFetcher.h"
#include "web/PauseWithEvents.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString at(const char* path) {
    return QStringLiteral("http://fetch.test/") + QString::fromUtf8(path);
}

QByteArray fixtureBytes(const QString& relative) {
    QFile file(fixturePath(QStringLiteral("web/fetch.test/") + relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A port nothing listens on.
quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace

class TestPageFetcher : public QObject {
    Q_OBJECT

    FixtureWebServer m_server{fixturePath(QStringLiteral("web"))};

private slots:
    void initTestCase() { QVERIFY(m_server.start()); }

    void init() {
        m_server.useAsProxy();
        m_server.clearBehaviours();
        m_server.clearRequestedAddresses();
    }

    void fetchPage_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("expected");

        QTest::newRow("GBK page as one cleaned line")
            << at("quotes.htm")
            << QStringLiteral(
                   "<html><head><meta http-equiv='Content-Type' content='text/html; charset=gb2312'>"
                   "<title>小店铺</title></head><body><div id='ListViewHead'>宝贝列表</div>"
                   "<p>twospaces|three spaces|fourspaces</p>"
                   "<a href='http://item.taobao.com/item.htm?id=1'>第一件</a></body></html>");
        QTest::newRow("folder answers its index")
            << at("folder") << QStringLiteral("<p class='dir'>目录首页</p>");
        QTest::newRow("query folded into the index name")
            << at("folder/?page=2") << QStringLiteral("<p class='dir'>第二页</p>");
        QTest::newRow("query folded into the file name")
            << at("list.js?page=2&cat=5") << QStringLiteral("var page = '第二页';");
        QTest::newRow("missing file") << at("nothing-here.htm") << QString();
        QTest::newRow("empty address") << QString() << QString();
        QTest::newRow("malformed address") << QStringLiteral("http://") << QString();
        QTest::newRow("not a web address") << QStringLiteral("file:///etc/hostname") << QString();
    }

    void fetchPage() {
        QFETCH(QString, address);
        QFETCH(QString, expected);
        FakeWindow window;
        PageFetcher fetcher(window);
        QCOMPARE(fetcher.FetchPage(address), expected);
    }

    void failedResponsesGiveEmptyText_data() {
        QTest::addColumn<QString>("behaviour");

        QTest::newRow("404 with a body") << "404";
        QTest::newRow("500 with a body") << "500";
        QTest::newRow("connection dropped before the answer") << "drop";
        QTest::newRow("connection dropped mid-body") << "drop-mid";
        QTest::newRow("redirect loop") << "loop";
    }

    void failedResponsesGiveEmptyText() {
        QFETCH(QString, behaviour);
        const QString address = at("quotes.htm");
        if (behaviour == u"404")
            m_server.setStatus(address, 404, "<html><body>\"Not here\"\r\n</body></html>");
        else if (behaviour == u"500")
            m_server.setStatus(address, 500, "<html><body>Server error</body></html>");
        else if (behaviour == u"drop")
            m_server.setDropConnection(address, FixtureWebServer::Drop::BeforeResponse);
        else if (behaviour == u"drop-mid")
            m_server.setDropConnection(address, FixtureWebServer::Drop::MidBody);
        else if (behaviour == u"loop") {
            m_server.setRedirect(address, at("other.htm"));
            m_server.setRedirect(at("other.htm"), address);
        }
        FakeWindow window;
        PageFetcher fetcher(window);
        QCOMPARE(fetcher.FetchPage(address), QString());
        QCOMPARE(fetcher.FetchPageUtf8(address), QString());
    }

    void redirectIsFollowed() {
        m_server.setRedirect(at("moved.htm"), at("folder/index.html"), 301);
        FakeWindow window;
        PageFetcher fetcher(window);
        QCOMPARE(fetcher.FetchPage(at("moved.htm")), QStringLiteral("<p class='dir'>目录首页</p>"));
        QCOMPARE(m_server.requestedAddresses(), QStringList({at("moved.htm"), at("folder/index.html")}));
    }

    void utf8PageStopsAtZeroByte() {
        FakeWindow window;
        PageFetcher fetcher(window);
        QCOMPARE(fetcher.FetchPageUtf8(at("ebay.htm")), QStringLiteral("<div class='title'>易趣商品</div>"));
    }

    void bodyOverTheLimitFails() {
        FakeWindow window;
        PageFetcher fetcher(window);
        const FetchResult whole = fetcher.get(at("quotes.htm"), PageFetcher::kPageSizeLimit);
        QVERIFY(whole.ok());
        const FetchResult capped = fetcher.get(at("quotes.htm"), whole.body.size() - 1);
        QVERIFY(!capped.ok());
        QVERIFY(capped.body.isEmpty());
    }

    void proxyIsReadAtRequestTime() {
        FakeWindow window;
        PageFetcher fetcher(window);
        qputenv("http_proxy", QByteArray("http://127.0.0.1:") + QByteArray::number(closedPort()));
        QCOMPARE(fetcher.FetchPage(at("folder/")), QString());
        m_server.useAsProxy();
        QCOMPARE(fetcher.FetchPage(at("folder/")), QStringLiteral("<p class='dir'>目录首页</p>"));
    }

    void unreachableHostGivesEmptyText() {
        qunsetenv("http_proxy");
        FakeWindow window;
        PageFetcher fetcher(window);
        fetcher.setTimeoutMs(5000);
        QElapsedTimer clock;
        clock.start();
        const QString address = QStringLiteral("http://127.0.0.1:%1/quotes.htm").arg(closedPort());
        QCOMPARE(fetcher.FetchPage(address), QString());
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(m_server.requestedAddresses().isEmpty());
    }

    void timeOutGivesEmptyText() {
        // The body would take ten seconds; the fetcher gives up after a fraction of one.
        m_server.setSlowBody(at("quotes.htm"), 40, 250);
        FakeWindow window;
        PageFetcher fetcher(window);
        fetcher.setTimeoutMs(300);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(fetcher.FetchPage(at("quotes.htm")), QString());
        QVERIFY(clock.elapsed() < 8000);
    }

    void slowBodyWithinTheTimeOutArrives() {
        m_server.setSlowBody(at("folder/"), 3, 50);
        FakeWindow window;
        PageFetcher fetcher(window);
        QCOMPARE(fetcher.FetchPage(at("folder/")), QStringLiteral("<p class='dir'>目录首页</p>"));
    }

    void stopDuringSlowDownloadIsHandledAtOnce() {
        m_server.setSlowBody(at("quotes.htm"), 6, 100);
        RunState state;
        state.stopRequested = false;
        FakeWindow window;
        int stopPass = 0;
        window.onProcessEvents = [&] {
            if (!state.stopRequested) {
                state.stopRequested = true;
                stopPass = window.eventPasses;
            }
        };
        PageFetcher fetcher(window);
        const QString page = fetcher.FetchPage(at("quotes.htm"));
        // Only one event pass follows the download, so a stop handled in the first of several
        // passes was handled while the body was still arriving; the page itself still completes.
        QCOMPARE(stopPass, 1);
        QVERIFY(window.eventPasses >= 2);
        QVERIFY(page.contains(QStringLiteral("<div id='ListViewHead'>")));
    }

    void eventsRunOnceAfterARequest() {
        FakeWindow window;
        PageFetcher fetcher(window);
        fetcher.FetchPage(QString());
        QCOMPARE(window.eventPasses, 1);
    }

    void downloadPicture_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<QString>("savedAs"); // empty: nothing may be written

        const QString photo = at("pic/photo.jpg");
        QTest::newRow("into a new folder") << photo << "photo.jpg" << false << "photo.jpg";
        QTest::newRow("into an existing folder") << photo << "photo.jpg" << true << "photo.jpg";
        QTest::newRow("query string dropped from the name")
            << photo << "photo.jpg?x=1&y=2" << false << "photo.jpg";
        QTest::newRow("404 leaves no folder") << at("pic/missing.jpg") << "missing.jpg" << false << "";
        QTest::newRow("500 in an existing folder") << at("pic/broken.jpg") << "broken.jpg" << true << "";
        QTest::newRow("body cut short") << at("pic/cut.jpg") << "cut.jpg" << false << "";
        QTest::newRow("empty address") << ""
                                       << "photo.jpg" << false << "";
    }

    void downloadPicture() {
        QFETCH(QString, address);
        QFETCH(QString, fileName);
        QFETCH(bool, folderExists);
        QFETCH(QString, savedAs);

        m_server.setStatus(at("pic/broken.jpg"), 500);
        m_server.setContent(at("pic/cut.jpg"), fixtureBytes(QStringLiteral("pic/photo.jpg")));
        m_server.setDropConnection(at("pic/cut.jpg"), FixtureWebServer::Drop::MidBody);

        QTemporaryDir programDir;
        const QString folder = QDir(programDir.path()).filePath(QStringLiteral("Taobao_1234"));
        if (folderExists)
            QVERIFY(QDir().mkpath(folder));

        FakeWindow window;
        PageFetcher fetcher(window);
        const bool saved = fetcher.DownloadPicture(address, fileName, folder);

        QCOMPARE(saved, !savedAs.isEmpty());
        if (savedAs.isEmpty()) {
            QCOMPARE(QDir(programDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     folderExists ? QStringList({QStringLiteral("Taobao_1234")}) : QStringList());
            if (folderExists)
                QVERIFY(QDir(folder).isEmpty());
            return;
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({savedAs}));
        QFile file(QDir(folder).filePath(savedAs));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), fixtureBytes(QStringLiteral("pic/photo.jpg")));
    }

    void hostilePictureNameWritesNothing_data() {
        QTest::addColumn<QString>("fileName");

        QTest::newRow("empty") << "";
        QTest::newRow("only a query") << "?id=5";
        QTest::newRow("dot") << ".";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("parent by slash") << "../evil.jpg";
        QTest::newRow("parent by backslash") << "..\\evil.jpg";
        QTest::newRow("sub folder") << "sub/evil.jpg";
        QTest::newRow("absolute path") << "/tmp/evil.jpg";
        QTest::newRow("drive letter") << "C:evil.jpg";
        QTest::newRow("reserved characters") << "a<b>|c*.jpg";
        QTest::newRow("double quote") << "a\".jpg";
        QTest::newRow("control character") << "evil\n.jpg";
    }

    void hostilePictureNameWritesNothing() {
        QFETCH(QString, fileName);
        QTemporaryDir programDir;
        const QString folder = QDir(programDir.path()).filePath(QStringLiteral("Taobao_1234"));
        FakeWindow window;
        PageFetcher fetcher(window);

        QVERIFY(!fetcher.DownloadPicture(at("pic/photo.jpg"), fileName, folder));
        QCOMPARE(SafePictureFileName(fileName), QString());
        QVERIFY(m_server.requestedAddresses().isEmpty());
        QVERIFY(QDir(programDir.path()).isEmpty());
    }

    void safePictureFileName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");

        QTest::newRow("plain") << "T1abc_123.jpg"
                               << "T1abc_123.jpg";
        QTest::newRow("query dropped") << "photo.jpg?x=1"
                                       << "photo.jpg";
        QTest::newRow("chinese") << "宝贝.jpg"
                                 << "宝贝.jpg";
        QTest::newRow("dots inside a name") << "a..b.jpg"
                                            << "a..b.jpg";
        QTest::newRow("space") << "my photo.jpg"
                               << "my photo.jpg";
    }

    void safePictureFileName() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(SafePictureFileName(name), expected);
    }

    void pauseWithEvents_data() {
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<bool>("stopBefore");
        QTest::addColumn<int>("stopAtPass"); // 0: no stop during the pause
        QTest::addColumn<int>("passes");     // -1: any number

        QTest::newRow("zero returns without events") << 0 << false << 0 << 0;
        QTest::newRow("negative returns without events") << -5 << false << 0 << 0;
        QTest::newRow("stop already requested: one pass") << 60000 << true << 0 << 1;
        QTest::newRow("stop clicked during the pause") << 60000 << false << 3 << 3;
        QTest::newRow("short pause runs out") << 30 << false << 0 << -1;
    }

    void pauseWithEvents() {
        QFETCH(int, milliseconds);
        QFETCH(bool, stopBefore);
        QFETCH(int, stopAtPass);
        QFETCH(int, passes);

        RunState state;
        state.stopRequested = stopBefore;
        FakeWindow window;
        window.onProcessEvents = [&] {
            if (window.eventPasses == stopAtPass)
                state.stopRequested = true;
        };
        QElapsedTimer clock;
        clock.start();
        PauseWithEvents(state, window, milliseconds);
        if (passes >= 0)
            QCOMPARE(window.eventPasses, passes);
        else
            QVERIFY(window.eventPasses >= 1);
        // A pause that was not stopped lasts at least as long as asked; a stopped one ends early.
        if (!stopBefore && stopAtPass == 0 && milliseconds > 0)
            QVERIFY(clock.elapsed() >= milliseconds);
        if (stopBefore || stopAtPass > 0)
            QVERIFY(clock.elapsed() < 30000);
    }
};

QTEST_GUILESS_MAIN(TestPageFetcher)
#include "tst_pagefetcher.moc"
