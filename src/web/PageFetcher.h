#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class StopSignal;

// Why a fetch gave nothing. Network covers every failure the HTTP client reports itself,
// a 404 among them (the status says which).
enum class FetchFailure {
    None,
    MalformedAddress,
    Stopped,
    TimedOut,
    TooLarge,
    RedirectRefused,
    TooManyRedirects,
    Network,
    PictureNameRefused, // no request was made
    PictureNotSaved,    // downloaded, but the file could not be written
    NotPicture,         // downloaded, but the body is no picture of a kind the assistants take
};

// Why a request failed, in the seller's words: "超时", "重定向次数过多", "HTTP 502", or the client's
// own wording when nothing better is known.
QString fetchFailureReason(FetchFailure failure, int status, const QString& error);

// What one GET gave: the status (0 when no response came), the body, and why it failed.
struct FetchResult {
    int status = 0;
    QByteArray body;
    QString error;
    FetchFailure failure = FetchFailure::None;
    bool ok() const { return status == 200 && error.isEmpty(); }
};

// One page or picture the fetcher was asked for, as it ended; for whoever keeps a log. Every
// fetch hands its report back with what it fetched.
struct FetchReport {
    enum class Kind { Page, Picture };
    Kind kind = Kind::Page;
    QString address;
    QString pictureName; // the name asked for (pictures only)
    int status = 0;
    FetchFailure failure = FetchFailure::None;
    QString error;
    qint64 elapsedMs = 0;
    bool ok() const { return status == 200 && failure == FetchFailure::None; }
};

// A page as the fetcher got it, and its report.
struct FetchedPage {
    FetchResult result; // the GET's, its body undecoded
    QString text;       // the body decoded and cleaned (fetchText); empty unless the result is ok
    FetchReport report;
};

// A picture download, and its report when a request was made or refused.
struct FetchedPicture {
    bool saved = false;
    // The name the picture is stored under (the safe name when nothing was saved).
    QString name;
    std::optional<FetchReport> report;
};

// The one HTTP service of the program. Usage:
//     PageFetcher fetcher(eventPass, &stopSignal);
//     QString page = fetcher.fetchPage(address);   // empty on any failure or non-200
// While a request is under way the event pass runs every few milliseconds, and once more after
// it; a requested stop aborts the request at the next pass (its result is a failure). Never
// throws. The network objects are made in the thread that fetches.
//
// Proxy: the system's proxy configuration (on Linux the http_proxy and no_proxy variables) is read
// afresh for every request, so a proxy set after the fetcher was made still counts.
// Redirects are followed up to five times, and only as isFollowableRedirect allows; cookies are
// neither sent nor kept.
class PageFetcher {
public:
    static constexpr qint64 kPageSizeLimit = 32LL * 1024 * 1024;
    static constexpr qint64 kPictureSizeLimit = 64LL * 1024 * 1024;

    using EventPass = std::function<void()>;

    explicit PageFetcher(EventPass eventPass = {}, const StopSignal* stop = nullptr);
    ~PageFetcher();
    PageFetcher(const PageFetcher&) = delete;
    PageFetcher& operator=(const PageFetcher&) = delete;

    // The whole transfer, redirects included, must end within this time (30 s by default).
    void setTimeoutMs(int milliseconds);

    // GET as given; a body larger than sizeLimit makes the result a failure.
    FetchResult get(const QString& address, qint64 sizeLimit);
    // A page's GET with the page size limit, the body left undecoded for a caller that looks at
    // a failed answer too.
    FetchedPage getPage(const QString& address);
    // A page's GET, its body decoded from GBK (or with decodeUtf8), then cleanPageText.
    FetchedPage fetchText(const QString& address, bool utf8);
    // The text alone of fetchText.
    QString fetchPage(const QString& address) { return fetchText(address, false).text; }
    QString fetchPageUtf8(const QString& address) { return fetchText(address, true).text; }
    // Saves the picture as pictureFolder/fileName, creating the folder; nothing is written on
    // failure, non-200 or a body that is no picture (startsAsPicture), and an unsafe name (see
    // safePictureFileName) makes no request at all. A different picture already under that name
    // keeps it: this one becomes NAME_2.EXT (or _3, ...), while the same picture again keeps
    // its name.
    FetchedPicture downloadPicture(const QString& address, const QString& fileName,
                                   const QString& pictureFolder);

    // Drops the network objects (and their connections); the next request makes them anew.
    void releaseConnections();

private:
    void eventPass();
    QNetworkAccessManager& manager();
    static bool savePicture(const QByteArray& bytes, const QString& pictureFolder, QString* name);

    EventPass m_eventPass;
    const StopSignal* m_stop = nullptr;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    int m_timeoutMs = 30000;
};

// The remote-supplied picture name with any query string dropped; empty when the name cannot
// stand as a plain file name inside the picture folder ("", ".", "..", separators, reserved
// characters).
QString safePictureFileName(const QString& name);
