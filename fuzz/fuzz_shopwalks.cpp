// A marketplace that answers every request with pages of any bytes. The first input byte picks the
// walk (Taobao, PaiPai, eBay); the rest is split at "\n====\n" into the pages served in turn, the
// last one again for every later request: the shop page, the category and list pages, the items.
// The walk is stopped after a few dozen requests, as a site stating an endless shop would run.
#include "FuzzSupport.h"

#include "crawl/EbayShopWalk.h"
#include "crawl/PaiPaiShopWalk.h"
#include "crawl/TaobaoShopWalk.h"
#include "run/RunState.h"
#include "support/CrawlTestSupport.h"

#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr int kRequestLimit = 40;
constexpr int kWaitMs = 5000;

// Serves with blocking calls on a thread of its own, so the walk's event loop never has to.
class PageServer {
public:
    PageServer() {
        std::promise<int> listening;
        std::future<int> port = listening.get_future();
        std::thread([this, &listening] { serve(listening); }).detach();
        m_port = port.get();
    }

    int port() const { return m_port; }
    void setPages(QList<QByteArray> pages) {
        std::lock_guard lock(m_mutex);
        m_pages = std::move(pages);
        m_requests = 0;
    }
    int requests() const { return m_requests; }

private:
    void serve(std::promise<int>& listening) {
        QTcpServer listener;
        listener.listen(QHostAddress::LocalHost);
        listening.set_value(listener.serverPort());
        for (;;) {
            if (!listener.waitForNewConnection(-1))
                continue;
            const std::unique_ptr<QTcpSocket> connection(listener.nextPendingConnection());
            if (!connection)
                continue;
            QByteArray request;
            while (!request.contains("\r\n\r\n") && connection->waitForReadyRead(kWaitMs))
                request += connection->readAll();
            QByteArray body;
            {
                std::lock_guard lock(m_mutex);
                const int index = m_requests++;
                if (!m_pages.isEmpty())
                    body = m_pages.at(std::min<qsizetype>(index, m_pages.size() - 1));
            }
            connection->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                              "\r\nConnection: close\r\n\r\n" + body);
            while (connection->bytesToWrite() > 0 && connection->waitForBytesWritten(kWaitMs)) {
            }
            connection->disconnectFromHost();
            if (connection->state() != QAbstractSocket::UnconnectedState)
                connection->waitForDisconnected(kWaitMs);
        }
    }

    int m_port = 0;
    std::mutex m_mutex;
    QList<QByteArray> m_pages;
    std::atomic<int> m_requests{0};
};

PageServer& server() {
    static PageServer instance;
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::application();
    qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(server().port()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int walk = data[0] % 3;
    QList<QByteArray> pages;
    QByteArray rest = FuzzSupport::asBytes(data + 1, size - 1);
    for (qsizetype at; (at = rest.indexOf("\n====\n")) >= 0;) {
        pages.append(rest.left(at));
        rest.remove(0, at + 6);
    }
    pages.append(rest);
    server().setPages(std::move(pages));

    static const QString shops[] = {QStringLiteral("http://shop12345678.taobao.com/"),
                                    QStringLiteral("http://shop.paipai.com/12345678/"),
                                    QStringLiteral("http://stores.ebay.com.cn/fuzzshop")};
    static const Platform platforms[] = {Platform::Taobao, Platform::PaiPai, Platform::Ebay};
    ShopRun run(shops[walk], QStringLiteral("Fuzz"), FuzzSupport::scratch().path());
    run.window.platform = platforms[walk];
    run.aimWriter();
    run.session.context().setPauseScale(0);
    run.session.fetcher().setTimeoutMs(2000);
    // Every list page and every item shows a status line: the walk's turn to be stopped.
    run.window.onUpdate = [&run] {
        if (server().requests() >= kRequestLimit)
            run.session.stopSignal().request();
    };
    switch (walk) {
    case 0:
        run.walk(walkTaobaoShop, 0);
        break;
    case 1:
        run.walk(walkPaiPaiShop, 0);
        break;
    default:
        run.walk(walkEbayShop, 0);
        break;
    }
    return 0;
}
