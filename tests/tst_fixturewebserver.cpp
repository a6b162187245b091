#include "support/FixtureWebServer.h"
#include "support/TestMain.h"
#include "support/TestPaths.h"
#include "support/WebTestSupport.h"

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

        addRow("plain path", "http://shop.paipai.com/12345/list.htm", "shop.paipai.com/12345/list.htm");
        addRow("query appended to the name", "http://shop.paipai.com/12345/itemlist.js?page=2",
               "shop.paipai.com/12345/itemlist.js%3Fpage=2");
        addRow("empty path", "http://item.taobao.com", "item.taobao.com/index.html");
        addRow("trailing slash with query", "http://item.taobao.com/a/?page=2",
               "item.taobao.com/a/index.html%3Fpage=2");
        addRow("existing folder", "http://fetch.test/folder", "fetch.test/folder/index.html");
        addRow("existing folder with query", "http://fetch.test/folder?page=2",
               "fetch.test/folder/index.html%3Fpage=2");
        addRow("host lower case, port ignored", "http://Shop.PaiPai.com:8080/x.htm", "shop.paipai.com/x.htm");
        addRow("percent-decoded as UTF-8", "http://s.taobao.com/%E5%AE%9D%E8%B4%9D.htm?q=%E4%B8%AD",
               "s.taobao.com/宝贝.htm%3Fq=中");
        addRow("not UTF-8 stays encoded", "http://s.taobao.com/s?q=%C4%E3", "s.taobao.com/s%3Fq=%C4%E3");
        addRow("a question mark inside the query", "http://fetch.test/a.htm?u=b.htm%3Fc",
               "fetch.test/a.htm%3Fu=b.htm%3Fc");
        addRow("parent segment refused", "http://fetch.test/a/%2E%2E/%2E%2E/secret", "");
        addRow("parent in query refused", "http://fetch.test/a?x=/../../../secret", "");
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

        addRow("empty path", "http://item.taobao.com", "http://item.taobao.com/");
        addRow("default port dropped", "http://item.taobao.com:80/a", "http://item.taobao.com/a");
        addRow("other port kept", "http://127.0.0.1:8080/a", "http://127.0.0.1:8080/a");
        addRow("decoded", "http://s.taobao.com/%E5%AE%9D?q=%E4%B8%AD", "http://s.taobao.com/宝?q=中");
    }

    void canonicalAddress() {
        QFETCH(QString, address);
        QFETCH(QString, canonical);
        QCOMPARE(FixtureWebServer::canonicalAddress(address), canonical);
    }

    void answers_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("behaviour");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("body"); // null: not checked
        QTest::addColumn<QString>("recorded");

        const QByteArray ok("HTTP/1.1 200 OK");
        const QByteArray notFound("HTTP/1.1 404 Not Found");
        const QByteArray bad("HTTP/1.1 400 Bad Request");
        addRow("proxy form", QByteArray("GET http://fetch.test/list.js?page=2&cat=5 HTTP/1.1\r\n\r\n"), "",
               ok, QByteArray("var page = \"\xB5\xDA\xB6\xFE\xD2\xB3\";\r\n"),
               "http://fetch.test/list.js?page=2&cat=5");
        addRow("origin form with Host", QByteArray("GET /folder/ HTTP/1.1\r\nHost: fetch.test\r\n\r\n"), "",
               ok, QByteArray("<p class=\"dir\">\xC4\xBF\xC2\xBC\xCA\xD7\xD2\xB3</p>\r\n"),
               "http://fetch.test/folder/");
        addRow("missing file", QByteArray("GET http://fetch.test/none.htm HTTP/1.1\r\n\r\n"), "", notFound,
               QByteArray(), "http://fetch.test/none.htm");
        addRow("unknown host is never forwarded", QByteArray("GET http://example.com/ HTTP/1.1\r\n\r\n"), "",
               notFound, QByteArray(), "http://example.com/");
        addRow("origin form without Host", QByteArray("GET /folder/ HTTP/1.1\r\n\r\n"), "", bad, QByteArray(),
               "");
        addRow("tunnel refused", QByteArray("CONNECT fetch.test:443 HTTP/1.1\r\n\r\n"), "", bad, QByteArray(),
               "");
        const QByteArray quotes("GET http://fetch.test/quotes.htm HTTP/1.1\r\n\r\n");
        addRow("status and body set", quotes, "500", QByteArray("HTTP/1.1 500 Internal Server Error"),
               QByteArray("broken"), "http://fetch.test/quotes.htm");
        addRow("redirect", quotes, "redirect", QByteArray("HTTP/1.1 302 Found"), QByteArray(),
               "http://fetch.test/quotes.htm");
        addRow("content made up, sent slowly", QByteArray("GET http://fetch.test/made.htm HTTP/1.1\r\n\r\n"),
               "slow", ok, QByteArray("made up"), "http://fetch.test/made.htm");
    }

    void answers() {
        QFETCH(QByteArray, request);
        QFETCH(QString, behaviour);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, recorded);

        if (behaviour == u"500") {
            m_server.setStatus(QStringLiteral("http://fetch.test/quotes.htm"), 500, "broken");
        } else if (behaviour == u"redirect") {
            m_server.setRedirect(QStringLiteral("http://fetch.test/quotes.htm"),
                                 QStringLiteral("http://fetch.test/new"));
        } else if (behaviour == u"slow") {
            m_server.setContent(QStringLiteral("http://fetch.test/made.htm"), "made up");
            m_server.setSlowBody(QStringLiteral("http://fetch.test/made.htm"), 3, 10);
        }
        const QByteArray response = exchange(m_server.port(), request);
        QCOMPARE(statusLine(response), status);
        if (!body.isNull())
            QCOMPARE(::body(response), body);
        if (behaviour == u"redirect")
            QVERIFY(response.contains("\r\nLocation: http://fetch.test/new\r\n"));
        QCOMPARE(m_server.requestedAddresses(), recorded.isEmpty() ? QStringList() : QStringList({recorded}));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestFixtureWebServer)
#include "tst_fixturewebserver.moc"
