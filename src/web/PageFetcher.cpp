#include "web/PageFetcher.h"

#include "base/StopSignal.h"
#include "base/SystemProxy.h"
#include "text/PictureFile.h"
#include "text/TextFileIo.h"
#include "text/TextHelpers.h"
#include "web/RedirectRule.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {

// The sites served their pages to browsers; a plain desktop browser's agent gets the same pages.
const char kUserAgent[] = "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
                          "Chrome/120.0 Safari/537.36";
constexpr int kMaxRedirects = 5;
// How often the event pass runs (and a stop is looked for) while a request is under way.
constexpr int kEventPassIntervalMs = 20;

} // namespace

PageFetcher::PageFetcher(EventPass eventPass, const StopSignal* stop)
    : m_eventPass(std::move(eventPass)), m_stop(stop) {}

PageFetcher::~PageFetcher() = default;

void PageFetcher::eventPass() {
    if (m_eventPass)
        m_eventPass();
}

QNetworkAccessManager& PageFetcher::manager() {
    if (!m_manager || m_manager->thread() != QThread::currentThread())
        m_manager = std::make_unique<QNetworkAccessManager>();
    return *m_manager;
}

void PageFetcher::releaseConnections() {
    m_manager.reset();
}

void PageFetcher::setTimeoutMs(int milliseconds) {
    m_timeoutMs = milliseconds;
}

FetchResult PageFetcher::get(const QString& address, qint64 sizeLimit) {
    FetchResult result;
    const QUrl url(address, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (address.isEmpty() || !url.isValid() || url.host().isEmpty() ||
        (scheme != u"http" && scheme != u"https")) {
        result.error = QStringLiteral("malformed address");
        result.failure = FetchFailure::MalformedAddress;
        eventPass();
        return result;
    }

    // The system's proxy settings (and the http_proxy variable) as they are right now.
    QNetworkProxy proxy(QNetworkProxy::NoProxy);
    const QUrl named(System::proxyFromEnvironment());
    if (named.isValid() && !named.host().isEmpty()) {
        proxy = QNetworkProxy(QNetworkProxy::HttpProxy, named.host(), quint16(named.port(80)));
    } else {
        const QList<QNetworkProxy> proxies =
            QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
        if (!proxies.isEmpty())
            proxy = proxies.first();
    }
    // Setting a proxy drops the manager's connection objects, so only a change is passed on.
    QNetworkAccessManager& network = manager();
    if (network.proxy() != proxy)
        network.setProxy(proxy);

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    // One more than we follow: the limit is ours to see (the client ends a loop without an error).
    request.setMaximumRedirectsAllowed(kMaxRedirects + 1);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    QNetworkReply* reply = network.get(request);
    bool timedOut = false;
    bool stopped = false;
    bool tooLarge = false;
    bool redirectRefused = false;
    int redirects = 0;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::redirected, &loop,
                     [&redirectRefused, &redirects, reply, url](const QUrl& target) {
                         if (++redirects <= kMaxRedirects && isFollowableRedirect(url, target)) {
                             emit reply->redirectAllowed();
                         } else {
                             redirectRefused = redirects <= kMaxRedirects;
                             reply->abort();
                         }
                     });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop,
                     [&tooLarge, reply, sizeLimit](qint64 received, qint64 total) {
                         if (received > sizeLimit || total > sizeLimit) {
                             tooLarge = true;
                             reply->abort();
                         }
                     });
    // The whole transfer, not just a silence, has to fit in the time-out: a server that trickles
    // bytes must not hold the crawl forever.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&timedOut, reply] {
        timedOut = true;
        reply->abort();
    });
    deadline.start(m_timeoutMs);
    // A stop must not wait for a slow server: the request is abandoned at the next pass.
    QTimer passTimer;
    bool inPass = false;
    QObject::connect(&passTimer, &QTimer::timeout, &loop, [this, &inPass, &stopped, reply] {
        if (inPass)
            return;
        inPass = true;
        eventPass();
        inPass = false;
        if (m_stop && m_stop->isRequested() && !reply->isFinished()) {
            stopped = true;
            reply->abort();
        }
    });
    passTimer.start(kEventPassIntervalMs);

    if (!reply->isFinished())
        loop.exec();
    deadline.stop();
    passTimer.stop();

    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const auto fail = [&result](FetchFailure failure, const QString& error) {
        result.failure = failure;
        result.error = error;
    };
    if (stopped)
        fail(FetchFailure::Stopped, QStringLiteral("stopped"));
    else if (timedOut)
        fail(FetchFailure::TimedOut, QStringLiteral("timed out"));
    else if (tooLarge)
        fail(FetchFailure::TooLarge, QStringLiteral("body larger than the limit"));
    else if (redirectRefused)
        fail(FetchFailure::RedirectRefused, QStringLiteral("redirect off the marketplace refused"));
    else if (redirects > kMaxRedirects || reply->error() == QNetworkReply::TooManyRedirectsError ||
             (redirects > 0 && reply->error() == QNetworkReply::NoError &&
              (result.status < 200 || (result.status >= 300 && result.status < 400))))
        // A loop back to the same address ends in the client without an error, on a status (100,
        // 3xx) that is no answer.
        fail(FetchFailure::TooManyRedirects, QStringLiteral("too many redirects"));
    else if (reply->error() != QNetworkReply::NoError)
        fail(FetchFailure::Network, reply->errorString());
    else {
        result.body = reply->readAll();
        if (result.body.size() > sizeLimit) {
            result.body.clear();
            fail(FetchFailure::TooLarge, QStringLiteral("body larger than the limit"));
        }
    }
    reply->disconnect();
    delete reply;

    // A stop asked for during the request is seen before the caller goes on.
    eventPass();
    return result;
}

namespace {

FetchReport reportOf(FetchReport::Kind kind, const QString& address, const QString& pictureName,
                     const FetchResult& result, qint64 elapsedMs) {
    FetchReport report;
    report.kind = kind;
    report.address = address;
    report.pictureName = pictureName;
    report.status = result.status;
    report.failure = result.failure;
    report.error = result.error;
    report.elapsedMs = elapsedMs;
    return report;
}

} // namespace

FetchedPage PageFetcher::getPage(const QString& address) {
    QElapsedTimer clock;
    clock.start();
    FetchedPage page;
    page.result = get(address, kPageSizeLimit);
    page.report = reportOf(FetchReport::Kind::Page, address, {}, page.result, clock.elapsed());
    return page;
}

FetchedPage PageFetcher::fetchText(const QString& address, bool utf8) {
    FetchedPage page = getPage(address);
    if (page.result.ok())
        page.text = cleanPageText(utf8 ? decodeUtf8(page.result.body) : decodeGbk(page.result.body));
    return page;
}

FetchedPicture PageFetcher::downloadPicture(const QString& address, const QString& fileName,
                                            const QString& pictureFolder) {
    FetchedPicture picture;
    picture.name = safePictureFileName(fileName);
    if (address.isEmpty() || pictureFolder.isEmpty())
        return picture;
    if (picture.name.isEmpty()) {
        FetchResult refused;
        refused.failure = FetchFailure::PictureNameRefused;
        picture.report = reportOf(FetchReport::Kind::Picture, address, fileName, refused, 0);
        return picture;
    }
    QElapsedTimer clock;
    clock.start();
    FetchResult result = get(address, kPictureSizeLimit);
    QString name = picture.name;
    if (result.ok() && !startsAsPicture(result.body.left(16))) {
        result.failure = FetchFailure::NotPicture;
    } else if (result.ok()) {
        picture.saved = savePicture(result.body, pictureFolder, &name);
        if (picture.saved)
            picture.name = name;
        else
            result.failure = FetchFailure::PictureNotSaved;
    }
    picture.report = reportOf(FetchReport::Kind::Picture, address, fileName, result, clock.elapsed());
    return picture;
}

namespace {

// NAME.EXT numbered: NAME_2.EXT, NAME_3.EXT, ...
QString numberedName(const QString& name, int number) {
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = u'_' + QString::number(number);
    if (dot <= 0)
        return name + suffix;
    return name.left(dot) + suffix + name.mid(dot);
}

// Whether the file at path holds exactly these bytes.
bool holdsBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.size() == bytes.size() && openRegularFile(file) && file.readAll() == bytes;
}

// Names tried before the picture is refused: a site naming this many pictures alike is broken.
constexpr int kMaxNumberedNames = 1000;

} // namespace

bool PageFetcher::savePicture(const QByteArray& bytes, const QString& pictureFolder, QString* name) {
    if (!QDir().mkpath(pictureFolder))
        return false;
    const QDir folder(pictureFolder);
    QString candidate = *name;
    for (int number = 2; QFileInfo::exists(folder.filePath(candidate)); ++number) {
        if (holdsBytes(folder.filePath(candidate), bytes)) {
            *name = candidate;
            return true;
        }
        if (number > kMaxNumberedNames)
            return false;
        candidate = numberedName(*name, number);
    }
    // A temporary file renamed into place: a broken write never leaves half a picture behind.
    QSaveFile file(folder.filePath(candidate));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    *name = candidate;
    return true;
}

QString fetchFailureReason(FetchFailure failure, int status, const QString& error) {
    switch (failure) {
    case FetchFailure::TimedOut:
        return QStringLiteral("超时");
    case FetchFailure::TooManyRedirects:
        return QStringLiteral("重定向次数过多");
    case FetchFailure::RedirectRefused:
        return QStringLiteral("转向其他网站，已拒绝");
    case FetchFailure::TooLarge:
        return QStringLiteral("页面过大");
    case FetchFailure::MalformedAddress:
        return QStringLiteral("地址无效");
    case FetchFailure::NotPicture:
        return QStringLiteral("不是图片");
    case FetchFailure::None:
    case FetchFailure::Network:
    case FetchFailure::Stopped:
    case FetchFailure::PictureNameRefused:
    case FetchFailure::PictureNotSaved:
        break;
    }
    // The client's own wording of a 404 says less than the status does.
    if (status > 0 && status != 200)
        return QStringLiteral("HTTP %1").arg(status);
    return error.isEmpty() ? QStringLiteral("HTTP %1").arg(status) : error;
}

QString safePictureFileName(const QString& name) {
    const QString cleaned = name.section(u'?', 0, 0);
    if (cleaned.isEmpty() || cleaned == u"." || cleaned == u"..")
        return {};
    for (const QChar c : cleaned) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return {};
        switch (c.unicode()) {
        case u'/':
        case u'\\':
        case u'<':
        case u'>':
        case u':':
        case u'"':
        case u'|':
        case u'*':
            return {};
        default:
            break;
        }
    }
    return cleaned;
}
