#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>

class QTcpServer;
class QTcpSocket;
class QThread;

// A small web of files for tests and for trying the program without the real sites. It listens on
// 127.0.0.1 only, in a thread of its own, and never forwards anything: every request is answered
// from the folder tree given to the constructor.
//
// Requests: as an HTTP proxy (absolute-URI request lines, "GET http://HOST/PATH?QUERY HTTP/1.1")
// or directly (origin form, "GET /PATH?QUERY HTTP/1.1" with a "Host: HOST" header). GET and HEAD.
//
// Address to file: http://HOST/PATH?QUERY is answered from ROOT/HOST/PATH, with "%3F" + QUERY
// appended to the file name when the address has a query (every "?" written "%3F", which
// Windows file names allow). PATH and QUERY are
// percent-decoded as UTF-8 first (a byte sequence that is not UTF-8 stays percent-encoded); HOST
// is lower case and its port is ignored. When PATH is empty, ends in "/" or names a folder, the
// file is "index.html" inside it ("index.html%3FQUERY" with a query). A missing file, or a path with
// a ".." segment, answers 404 with a short HTML body; a missing file with "NAME.drop" beside it
// closes the connection without an answer. Files are served byte for byte.
//     http://shop.paipai.com/12345/itemlist.js?page=2 -> ROOT/shop.paipai.com/12345/itemlist.js%3Fpage=2
//     http://item.taobao.com/                         -> ROOT/item.taobao.com/index.html
//
// Addresses as recorded and as given to the behaviour setters are normalised the same way
// (canonicalAddress): "http://" + host (+ ":port" unless 80) + decoded path ("/" when empty)
// + "?" + decoded query.
//
// Usage:
//     FixtureWebServer server(fixturePath(QStringLiteral("web")));
//     QVERIFY(server.start());
//     server.useAsProxy();   // or qputenv("http_proxy", server.proxyUrl().toUtf8())
//     server.setStatus(QStringLiteral("http://fetch.test/gone.htm"), 404);
class FixtureWebServer {
public:
    // What stands for "?" in a fixture file's name.
    static inline const QString kQueryMark = QStringLiteral("%3F");

    enum class Drop {
        None,
        // The request is read, then the connection is closed without a word. Qt's client sends
        // such a request again (up to twice), so the address is recorded more than once.
        BeforeResponse,
        MidBody, // headers with the full length, half the body, then the connection closes
    };

    // What to do for one address instead of serving its file as it stands.
    struct Behaviour {
        int status = 0;       // 0: 200 with the file, or 404 when there is none
        bool hasBody = false; // body replaces the file's content
        QByteArray body;
        QString redirectTo;   // non-empty: answer with status (302 by default) and Location
        int chunkCount = 0;   // > 0: the body goes out in this many pieces...
        int chunkDelayMs = 0; // ...each after this delay
        Drop drop = Drop::None;
    };

    explicit FixtureWebServer(const QString& rootFolder);
    ~FixtureWebServer();
    FixtureWebServer(const FixtureWebServer&) = delete;
    FixtureWebServer& operator=(const FixtureWebServer&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port). False when it cannot listen.
    bool start(quint16 port = 0);
    void stop();
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:PORT", the value for http_proxy.
    QString proxyUrl() const;
    // Sets http_proxy to proxyUrl() and clears no_proxy, for this process and its children.
    void useAsProxy() const;
    const QString& rootFolder() const { return m_root; }
    // Files under folder answer before the root's: the same site a while later, its lists changed
    // (empty: the root alone).
    void setOverlayFolder(const QString& folder);

    void setBehaviour(const QString& address, const Behaviour& behaviour);
    // Answers with this status and body (a default HTML body when none is given).
    void setStatus(const QString& address, int status, const QByteArray& body = QByteArray());
    // Answers 200 with these bytes whether or not a file exists.
    void setContent(const QString& address, const QByteArray& body);
    // Sends the body in chunkCount pieces, waiting chunkDelayMs before each.
    void setSlowBody(const QString& address, int chunkCount, int chunkDelayMs);
    void setDropConnection(const QString& address, Drop drop = Drop::BeforeResponse);
    void setRedirect(const QString& address, const QString& target, int status = 302);
    void clearBehaviours();

    // Every address requested since start (or the last clear), in arrival order.
    QStringList requestedAddresses() const;
    void clearRequestedAddresses();
    // Called from the server's thread for each request ("GET http://... -> 200").
    void setRequestLog(std::function<void(const QString&)> log);
    // Called from the server's thread as each request arrives, before it is answered, with its
    // canonical address: a test asks for a stop while a page is on its way.
    void setOnRequest(std::function<void(const QString&)> onRequest);

    static QString canonicalAddress(const QString& address);
    // The file that answers the address (whether or not it exists); empty when refused.
    QString fileForAddress(const QString& address) const;

private:
    // These run in the server's thread.
    void acceptConnections();
    void readRequest(QTcpSocket* socket, QByteArray& received);
    void answer(QTcpSocket* socket, const QByteArray& method, const QString& address);
    void log(const QString& line) const;

    QString m_root;
    QString m_overlay; // guarded by m_mutex
    quint16 m_port = 0;
    QThread* m_thread = nullptr;
    QTcpServer* m_server = nullptr;

    mutable QMutex m_mutex;
    QHash<QString, Behaviour> m_behaviours;
    QStringList m_requested;
    std::function<void(const QString&)> m_log;
    std::function<void(const QString&)> m_onRequest;
};
