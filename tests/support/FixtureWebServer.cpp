#include "support/FixtureWebServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QMutexLocker>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

constexpr qsizetype kMaxRequestHead = 64 * 1024;

// Percent-decoded as UTF-8; bytes that are not UTF-8 (a GBK query, say) keep their encoded form
// so that a file name can still be written for them.
QString decodePart(const QString& encoded) {
    const QByteArray raw = QByteArray::fromPercentEncoding(encoded.toLatin1());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(raw);
    return utf8.hasError() ? encoded : text;
}

struct AddressParts {
    QString host; // lower case, without port
    int port = 80;
    QString path; // decoded, "/" when empty
    bool hasQuery = false;
    QString query; // decoded
};

AddressParts splitAddress(const QString& address) {
    const QUrl url(address, QUrl::TolerantMode);
    AddressParts parts;
    parts.host = url.host().toLower();
    parts.port = url.port(80);
    parts.path = decodePart(url.path(QUrl::FullyEncoded));
    if (parts.path.isEmpty())
        parts.path = QStringLiteral("/");
    parts.hasQuery = url.hasQuery();
    if (parts.hasQuery)
        parts.query = decodePart(url.query(QUrl::FullyEncoded));
    return parts;
}

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray defaultBody(int status) {
    const QByteArray line = QByteArray::number(status) + ' ' + reasonPhrase(status);
    return "<html><head><title>" + line + "</title></head><body><h1>" + line + "</h1></body></html>\r\n";
}

QByteArray contentType(const QString& file) {
    const QString name = QFileInfo(file.section(FixtureWebServer::kQueryMark, 0, 0)).suffix().toLower();
    if (name == u"htm" || name == u"html")
        return "text/html";
    if (name == u"js")
        return "application/x-javascript";
    if (name == u"jpg" || name == u"jpeg")
        return "image/jpeg";
    if (name == u"gif")
        return "image/gif";
    if (name == u"png")
        return "image/png";
    return "application/octet-stream";
}

// Sends the pieces one after another, each after the delay, then closes.
void sendSlowly(QTcpSocket* socket, std::shared_ptr<QList<QByteArray>> pieces, int delayMs) {
    QTimer::singleShot(delayMs, socket, [socket, pieces, delayMs] {
        if (pieces->isEmpty()) {
            socket->disconnectFromHost();
            return;
        }
        socket->write(pieces->takeFirst());
        if (pieces->isEmpty())
            socket->disconnectFromHost();
        else
            sendSlowly(socket, pieces, delayMs);
    });
}

} // namespace

FixtureWebServer::FixtureWebServer(const QString& rootFolder) : m_root(QDir(rootFolder).absolutePath()) {}

FixtureWebServer::~FixtureWebServer() {
    stop();
}

bool FixtureWebServer::start(quint16 port) {
    if (m_thread)
        return true;
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("FixtureWebServer"));
    m_server = new QTcpServer;
    m_server->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    m_thread->start();

    bool listening = false;
    QMetaObject::invokeMethod(
        m_server,
        [this, port, &listening] {
            QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] { acceptConnections(); });
            listening = m_server->listen(QHostAddress::LocalHost, port);
            if (listening)
                m_port = m_server->serverPort();
        },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        stop();
        return false;
    }
    return true;
}

void FixtureWebServer::stop() {
    if (!m_thread)
        return;
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_server = nullptr; // deleted with the thread's last deferred deletions
    m_port = 0;
}

QString FixtureWebServer::proxyUrl() const {
    return QStringLiteral("http://127.0.0.1:") + QString::number(m_port);
}

void FixtureWebServer::useAsProxy() const {
    qputenv("http_proxy", proxyUrl().toUtf8());
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");
}

void FixtureWebServer::setBehaviour(const QString& address, const Behaviour& behaviour) {
    QMutexLocker lock(&m_mutex);
    m_behaviours.insert(canonicalAddress(address), behaviour);
}

void FixtureWebServer::setStatus(const QString& address, int status, const QByteArray& body) {
    QMutexLocker lock(&m_mutex);
    Behaviour& behaviour = m_behaviours[canonicalAddress(address)];
    behaviour.status = status;
    behaviour.hasBody = true;
    behaviour.body = body.isEmpty() ? defaultBody(status) : body;
}

void FixtureWebServer::setContent(const QString& address, const QByteArray& body) {
    QMutexLocker lock(&m_mutex);
    Behaviour& behaviour = m_behaviours[canonicalAddress(address)];
    behaviour.hasBody = true;
    behaviour.body = body;
}

void FixtureWebServer::setSlowBody(const QString& address, int chunkCount, int chunkDelayMs) {
    QMutexLocker lock(&m_mutex);
    Behaviour& behaviour = m_behaviours[canonicalAddress(address)];
    behaviour.chunkCount = chunkCount;
    behaviour.chunkDelayMs = chunkDelayMs;
}

void FixtureWebServer::setDropConnection(const QString& address, Drop drop) {
    QMutexLocker lock(&m_mutex);
    m_behaviours[canonicalAddress(address)].drop = drop;
}

void FixtureWebServer::setRedirect(const QString& address, const QString& target, int status) {
    QMutexLocker lock(&m_mutex);
    Behaviour& behaviour = m_behaviours[canonicalAddress(address)];
    behaviour.redirectTo = target;
    behaviour.status = status;
}

void FixtureWebServer::clearBehaviours() {
    QMutexLocker lock(&m_mutex);
    m_behaviours.clear();
}

QStringList FixtureWebServer::requestedAddresses() const {
    QMutexLocker lock(&m_mutex);
    return m_requested;
}

void FixtureWebServer::clearRequestedAddresses() {
    QMutexLocker lock(&m_mutex);
    m_requested.clear();
}

void FixtureWebServer::setRequestLog(std::function<void(const QString&)> log) {
    QMutexLocker lock(&m_mutex);
    m_log = std::move(log);
}

void FixtureWebServer::setOnRequest(std::function<void(const QString&)> onRequest) {
    QMutexLocker lock(&m_mutex);
    m_onRequest = std::move(onRequest);
}

QString FixtureWebServer::canonicalAddress(const QString& address) {
    const AddressParts parts = splitAddress(address);
    QString canonical = QStringLiteral("http://") + parts.host;
    if (parts.port != 80)
        canonical += u':' + QString::number(parts.port);
    canonical += parts.path;
    if (parts.hasQuery)
        canonical += u'?' + parts.query;
    return canonical;
}

QString FixtureWebServer::fileForAddress(const QString& address) const {
    const AddressParts parts = splitAddress(address);
    if (parts.host.isEmpty() || parts.host.contains(u'/') || parts.host.startsWith(u'.'))
        return {};
    QString relative = parts.host + parts.path;
    if (parts.path.endsWith(u'/') || QFileInfo(m_root + u'/' + relative).isDir()) {
        if (!relative.endsWith(u'/'))
            relative += u'/';
        relative += QStringLiteral("index.html");
    }
    // A "?" cannot stand in a file name on Windows.
    if (parts.hasQuery)
        relative += kQueryMark + QString(parts.query).replace(u'?', kQueryMark);
    // The query is part of the file name, so it is checked with the path: nothing may climb out.
    const QStringList segments = relative.split(u'/');
    if (segments.contains(QStringLiteral("..")))
        return {};
    QString overlay;
    {
        QMutexLocker lock(&m_mutex);
        overlay = m_overlay;
    }
    if (!overlay.isEmpty() && QFileInfo::exists(overlay + u'/' + relative))
        return overlay + u'/' + relative;
    return m_root + u'/' + relative;
}

void FixtureWebServer::setOverlayFolder(const QString& folder) {
    QMutexLocker lock(&m_mutex);
    m_overlay = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

void FixtureWebServer::acceptConnections() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        // Without it, delayed acknowledgements add tens of milliseconds to every loopback request.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto received = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, socket, received] { readRequest(socket, *received); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FixtureWebServer::readRequest(QTcpSocket* socket, QByteArray& received) {
    received += socket->readAll();
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (received.size() > kMaxRequestHead)
            socket->abort();
        return;
    }
    // One request per connection: the answer says "Connection: close".
    QObject::disconnect(socket, &QTcpSocket::readyRead, socket, nullptr);

    const QList<QByteArray> lines = received.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    const QByteArray method = requestLine.value(0);
    const QByteArray target = requestLine.value(1);
    QByteArray host;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (line.toLower().startsWith("host:"))
            host = line.mid(5).trimmed();
    }

    QString address;
    if (target.toLower().startsWith("http://"))
        address = QString::fromLatin1(target);
    else if (target.startsWith('/') && !host.isEmpty())
        address = QStringLiteral("http://") + QString::fromLatin1(host) + QString::fromLatin1(target);

    if (address.isEmpty() || (method != "GET" && method != "HEAD")) {
        const QByteArray body = defaultBody(400);
        socket->write("HTTP/1.1 400 Bad Request\r\nContent-Type: text/html\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
        log(QString::fromLatin1(method + ' ' + target) + QStringLiteral(" -> 400"));
        return;
    }
    answer(socket, method, address);
}

void FixtureWebServer::answer(QTcpSocket* socket, const QByteArray& method, const QString& requested) {
    const QString address = canonicalAddress(requested);
    Behaviour behaviour;
    std::function<void(const QString&)> onRequest;
    {
        QMutexLocker lock(&m_mutex);
        m_requested.append(address);
        behaviour = m_behaviours.value(address);
        onRequest = m_onRequest;
    }
    if (onRequest)
        onRequest(address);

    const QString file = fileForAddress(requested);
    // A fixture of a site that drops the connection: "NAME.drop" stands in for NAME.
    const bool droppedByFixture =
        !file.isEmpty() && !QFileInfo(file).exists() && QFileInfo(file + QStringLiteral(".drop")).isFile();
    if (behaviour.drop == Drop::BeforeResponse || (droppedByFixture && !behaviour.hasBody)) {
        log(QString::fromLatin1(method) + u' ' + address + QStringLiteral(" -> dropped"));
        socket->disconnectFromHost();
        return;
    }

    int status = 200;
    QByteArray body;
    QByteArray extraHeaders;
    if (!behaviour.redirectTo.isEmpty()) {
        status = behaviour.status ? behaviour.status : 302;
        extraHeaders = "Location: " + behaviour.redirectTo.toUtf8() + "\r\n";
        body = behaviour.hasBody ? behaviour.body : defaultBody(status);
    } else if (behaviour.hasBody) {
        status = behaviour.status ? behaviour.status : 200;
        body = behaviour.body;
    } else {
        QFile source(file);
        if (!file.isEmpty() && QFileInfo(file).isFile() && source.open(QIODevice::ReadOnly)) {
            body = source.readAll();
            status = behaviour.status ? behaviour.status : 200;
        } else {
            status = 404;
            body = defaultBody(status);
        }
    }
    log(QString::fromLatin1(method) + u' ' + address + QStringLiteral(" -> ") + QString::number(status));

    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    head += "Content-Type: " + contentType(file) + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    head += extraHeaders;
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    if (method == "HEAD")
        body.clear();

    if (behaviour.drop == Drop::MidBody) {
        socket->write(body.left(body.size() / 2));
        socket->disconnectFromHost();
        return;
    }
    if (behaviour.chunkCount > 0 && !body.isEmpty()) {
        auto pieces = std::make_shared<QList<QByteArray>>();
        const qsizetype pieceSize = (body.size() + behaviour.chunkCount - 1) / behaviour.chunkCount;
        for (qsizetype at = 0; at < body.size(); at += pieceSize)
            pieces->append(body.mid(at, pieceSize));
        socket->flush();
        sendSlowly(socket, pieces, behaviour.chunkDelayMs);
        return;
    }
    socket->write(body);
    socket->disconnectFromHost();
}

void FixtureWebServer::log(const QString& line) const {
    std::function<void(const QString&)> logger;
    {
        QMutexLocker lock(&m_mutex);
        logger = m_log;
    }
    if (logger)
        logger(line);
}
