// Cost of one page fetch as the crawlers make it (download, GBK decode, clean) against the fixture
// web, next to curl fetching the same addresses through the same proxy. Crawlers pause 500 ms to
// 1000 ms between pages, so the fetch should be a small share of a 500 ms pause.
#include "support/FixtureWebServer.h"
#include "text/TextFileIo.h"
#include "text/TextHelpers.h"
#include "web/PageFetcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kFetches = 200;
constexpr qsizetype kPageBytes = 150 * 1024;
constexpr double kPauseMs = 500.0;

// A shop list page as the sites wrote them: GBK, double quotes, CR LF, tab indentation.
QByteArray makeGbkPage() {
    QStringEncoder gbk("GBK");
    QByteArray page =
        gbk(QStringLiteral("<html>\r\n<head>\r\n\t<meta http-equiv=\"Content-Type\" content=\"text/html; "
                           "charset=gb2312\">\r\n\t<title>掌柜的小店 - 宝贝列表</title>\r\n</head>\r\n"
                           "<body>\r\n"));
    for (int item = 1; page.size() < kPageBytes; ++item) {
        page += gbk(
            QStringLiteral("\t<div class=\"item\">\r\n\t\t<a href=\"http://item.taobao.com/item.htm?id=%1\">"
                           "<img src=\"http://img.taobao.com/bao/%1.jpg_sum.jpg\"></a>\r\n"
                           "\t\t<p class=\"title\">正品  全新  包邮 宝贝 第%1件   特价</p>\r\n"
                           "\t\t<span class=\"price\">128.00 元</span>\r\n\t</div>\r\n")
                .arg(item));
    }
    page += gbk(QStringLiteral("</body>\r\n</html>\r\n"));
    return page;
}

QString address(int n) {
    return QStringLiteral("http://bench.test/list.htm?page=") + QString::number(n);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir emptyRoot;
    FixtureWebServer server(emptyRoot.path());
    if (!server.start()) {
        std::fprintf(stderr, "bench_fetch: the fixture web did not start\n");
        return 1;
    }
    const QByteArray body = makeGbkPage();
    for (int n = 1; n <= kFetches; ++n)
        server.setContent(address(n), body);
    qputenv("http_proxy", server.proxyUrl().toUtf8());
    qunsetenv("no_proxy");

    PageFetcher fetcher;

    // Warm-up: the first request pays for the proxy lookup and the network thread.
    const QString firstPage = fetcher.fetchPage(address(1));
    if (firstPage.isEmpty()) {
        std::fprintf(stderr, "bench_fetch: the page did not arrive\n");
        return 1;
    }

    qint64 downloadNs = 0, decodeNs = 0, cleanNs = 0;
    QElapsedTimer clock;
    for (int n = 1; n <= kFetches; ++n) {
        clock.start();
        const FetchResult result = fetcher.get(address(n), PageFetcher::kPageSizeLimit);
        downloadNs += clock.nsecsElapsed();
        clock.start();
        const QString text = decodeGbk(result.body);
        decodeNs += clock.nsecsElapsed();
        clock.start();
        const QString page = cleanPageText(text);
        cleanNs += clock.nsecsElapsed();
        if (page.size() != firstPage.size()) {
            std::fprintf(stderr, "bench_fetch: page %d differs\n", n);
            return 1;
        }
    }
    clock.start();
    for (int n = 1; n <= kFetches; ++n)
        fetcher.fetchPage(address(n));
    const double fetchPageMs = clock.nsecsElapsed() / 1e6 / kFetches;

    const auto perFetchMs = [](qint64 ns) { return ns / 1e6 / kFetches; };
    const double totalMs = perFetchMs(downloadNs + decodeNs + cleanNs);
    std::printf("page: %lld bytes of GBK, %lld characters after cleaning; %d fetches\n",
                static_cast<long long>(body.size()), static_cast<long long>(firstPage.size()), kFetches);
    std::printf("PageFetcher  download %.3f ms + decode %.3f ms + clean %.3f ms = %.3f ms per fetch\n",
                perFetchMs(downloadNs), perFetchMs(decodeNs), perFetchMs(cleanNs), totalMs);
    std::printf("fetchPage    %.3f ms per fetch end to end\n", fetchPageMs);
    std::printf("share of a %.0f ms pause: %.2f %%\n", kPauseMs, 100.0 * fetchPageMs / kPauseMs);

    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty()) {
        std::printf("curl         not installed\n");
        return 0;
    }
    // One curl run for all addresses, each written to /dev/null; time_total is per transfer.
    QByteArray config;
    for (int n = 1; n <= kFetches; ++n)
        config += "url = \"" + address(n).toUtf8() + "\"\noutput = \"/dev/null\"\n";
    QProcess process;
    clock.start();
    process.start(curl, {QStringLiteral("--silent"), QStringLiteral("--proxy"), server.proxyUrl(),
                         QStringLiteral("--write-out"), QStringLiteral("%{time_total}\\n"),
                         QStringLiteral("--config"), QStringLiteral("-")});
    process.write(config);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        std::printf("curl         failed: %s\n", process.readAllStandardError().constData());
        return 1;
    }
    const double curlWallMs = clock.nsecsElapsed() / 1e6 / kFetches;
    double curlTransferS = 0;
    int transfers = 0;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (!line.trimmed().isEmpty()) {
            curlTransferS += line.toDouble();
            ++transfers;
        }
    }
    std::printf("curl         %.3f ms per transfer (%d transfers), %.3f ms per address with its start-up\n",
                transfers ? curlTransferS * 1000.0 / transfers : 0.0, transfers, curlWallMs);
    return 0;
}
