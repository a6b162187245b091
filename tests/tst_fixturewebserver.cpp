#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QTcpSocket>
#include <QTest>

namespace {

// One raw exchange, so the request line and headers are exactly what the test wrote.
QByteArray exchange(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray response;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        response += socket.readAll();
    response += socket.readAll();
    return response;
}

QByteArray statusLine(const QByteArray& response) {
    return response.left(response.indexOf("\r\n"));
}

QByteArray body(const QByteArray& response) {
    return response.mid(response.indexOf("\r\n\r\n") + 4);
}

} // namespace

class TestFixtureWebServer : public QObject {
    Q_OBJECT

    FixtureWebServer m_server{fixturePath(QStringLiteral("web"))};

private slots:
    void initTestCase() { QVERIFY(m_server.start()); }

    void init() {
        m_server.clearBehaviours();
        m_server.clearRequestedAddresses();
    }

    void fileForAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("file"); // relative to the root; empty: refused

        QTest::newRow("plain path") << "http://shop.paipai.com/12345/list.htm"
                                    << "shop.paipai.com/12345/list.htm";
        QTest::newRow("query appended to the name") << "http://shop.paipai.com/12345/itemlist.js?page=2"
                                                    << "shop.paipai.com/12345/itemlist.js?page=2";
        QTest::newRow("empty path") << "http://item.taobao.com"
                                    << "item.taobao.com/index.html";
        QTest::newRow("trailing slash") << "http://item.taobao.com/a/"
                                        << "item.taobao.com/a/index.html";
        QTest::newRow("trailing slash with query") << "http://item.taobao.com/a/?page=2"
                                                   << "item.taobao.com/a/index.html?page=2";
        QTest::newRow("existing folder") << "http://fetch.test/folder"
                                         << "fetch.test/folder/index.html";
        QTest::newRow("existing folder with query") << "http://fetch.test/folder?page=2"
                                                    << "fetch.test/folder/index.html?page=2";
        QTest::newRow("host lower case, port ignored") << "http://Shop.PaiPai.com:8080/x.htm"
                                                       << "shop.paipai.com/x.htm";
        QTest::newRow("percent-decoded as UTF-8") << "http://s.taobao.com/%E5%AE%9D%E8%B4%9D.htm?q=%E4%B8%AD"
                                                  << "s.taobao.com/宝贝.htm?q=中";
        QTest::newRow("not UTF-8 stays encoded") << "http://s.taobao.com/s?q=%C4%E3"
                                                 << "s.taobao.com/s?q=%C4%E3";
        QTest::newRow("parent segment refused") << "http://fetch.test/a/%2E%2E/%2E%2E/secret"
                                                << "";
        QTest::newRow("parent in query refused") << "http://fetch.test/a?x=/../../../secret"
                                                 << "";
    }

    void fileForAddress() {
        QFETCH(QString, address);
        QFETCH(QString, file);
        const QString expected = file.isEmpty() ? QString() : m_server.rootFolder() + u'/' + file;
        QCOMPARE(m_server.fileForAddress(address), expected);
    }

    void canonicalAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("canonical");

        QTest::newRow("unchanged") << "http://shop.paipai.com/1/itemlist.js?page=2"
                                   << "http://shop.paipai.com/1/itemlist.js?page=2";
        QTest::newRow("empty path") << "http://item.taobao.com"
                                    << "http://item.taobao.com/";
        QTest::newRow("default port dropped") << "http://item.taobao.com:80/a"
                                              << "http://item.taobao.com/a";
        QTest::newRow("other port kept") << "http://127.0.0.1:8080/a"
                                         << "http://127.0.0.1:8080/a";
        QTest::newRow("decoded") << "http://s.taobao.com/%E5%AE%9D?q=%E4%B8%AD"
                                 << "http://s.taobao.com/宝?q=中";
    }

    void canonicalAddress() {
        QFETCH(QString, address);
        QFETCH(QString, canonical);
        QCOMPARE(FixtureWebServer::canonicalAddress(address), canonical);
    }

    void answers_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("body"); // empty: not checked
        QTest::addColumn<QString>("recorded");

        QTest::newRow("proxy form")
            << QByteArray("GET http://fetch.test/list.js?page=2&cat=5 HTTP/1.1\r\nHost: fetch.test\r\n\r\n")
            << QByteArray("HTTP/1.1 200 OK") << QByteArray("var page = \"\xB5\xDA\xB6\xFE\xD2\xB3\";\r\n")
            << "http://fetch.test/list.js?page=2&cat=5";
        QTest::newRow("origin form with Host")
            << QByteArray("GET /folder/ HTTP/1.1\r\nHost: fetch.test\r\n\r\n")
            << QByteArray("HTTP/1.1 200 OK")
            << QByteArray("<p class=\"dir\">\xC4\xBF\xC2\xBC\xCA\xD7\xD2\xB3</p>\r\n")
            << "http://fetch.test/folder/";
        QTest::newRow("missing file")
            << QByteArray("GET http://fetch.test/none.htm HTTP/1.1\r\n\r\n")
            << QByteArray("HTTP/1.1 404 Not Found") << QByteArray() << "http://fetch.test/none.htm";
        QTest::newRow("unknown host is never forwarded")
            << QByteArray("GET http://example.com/ HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.1 404 Not Found")
            << QByteArray() << "http://example.com/";
        QTest::newRow("origin form without Host")
            << QByteArray("GET /folder/ HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.1 400 Bad Request")
            << QByteArray() << "";
        QTest::newRow("tunnel refused") << QByteArray("CONNECT fetch.test:443 HTTP/1.1\r\n\r\n")
                                        << QByteArray("HTTP/1.1 400 Bad Request") << QByteArray() << "";
    }

    void answers() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, recorded);
        const QByteArray response = exchange(m_server.port(), request);
        QCOMPARE(statusLine(response), status);
        if (!body.isEmpty())
            QCOMPARE(::body(response), body);
        QCOMPARE(m_server.requestedAddresses(), recorded.isEmpty() ? QStringList() : QStringList({recorded}));
    }

    void behaviours() {
        m_server.setStatus(QStringLiteral("http://fetch.test/quotes.htm"), 500, "broken");
        m_server.setRedirect(QStringLiteral("http://fetch.test/old"),
                             QStringLiteral("http://fetch.test/new"));
        m_server.setContent(QStringLiteral("http://fetch.test/made.htm"), "made up");
        m_server.setSlowBody(QStringLiteral("http://fetch.test/made.htm"), 3, 10);

        const QByteArray failed =
            exchange(m_server.port(), "GET http://fetch.test/quotes.htm HTTP/1.1\r\n\r\n");
        QCOMPARE(statusLine(failed), QByteArray("HTTP/1.1 500 Internal Server Error"));
        QCOMPARE(body(failed), QByteArray("broken"));

        const QByteArray moved = exchange(m_server.port(), "GET http://fetch.test/old HTTP/1.1\r\n\r\n");
        QCOMPARE(statusLine(moved), QByteArray("HTTP/1.1 302 Found"));
        QVERIFY(moved.contains("\r\nLocation: http://fetch.test/new\r\n"));

        const QByteArray slow = exchange(m_server.port(), "GET http://fetch.test/made.htm HTTP/1.1\r\n\r\n");
        QCOMPARE(body(slow), QByteArray("made up"));

        QCOMPARE(m_server.requestedAddresses(), QStringList({QStringLiteral("http://fetch.test/quotes.htm"),
                                                             QStringLiteral("http://fetch.test/old"),
                                                             QStringLiteral("http://fetch.test/made.htm")}));
    }

    void restartsOnAnotherPort() {
        FixtureWebServer other(fixturePath(QStringLiteral("web")));
        QVERIFY(other.start());
        QVERIFY(other.port() != 0);
        QVERIFY(other.port() != m_server.port());
        QCOMPARE(other.proxyUrl(), QStringLiteral("http://127.0.0.1:") + QString::number(other.port()));
        other.stop();
        QCOMPARE(statusLine(exchange(m_server.port(), "GET http://fetch.test/folder/ HTTP/1.1\r\n\r\n")),
                 QByteArray("HTTP/1.1 200 OK"));
    }
};

QTEST_GUILESS_MAIN(TestFixtureWebServer)
#include "tst_fixturewebserver.moc"
