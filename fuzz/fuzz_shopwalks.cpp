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

#include <arpa/inet.h>
#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kRequestLimit = 40;

class PageServer {
public:
    PageServer() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        ::listen(m_listener, 16);
        std::thread([this] { serve(); }).detach();
    }

    int port() const { return m_port; }
    void setPages(QList<QByteArray> pages) {
        std::lock_guard lock(m_mutex);
        m_pages = std::move(pages);
        m_requests = 0;
    }
    int requests() const { return m_requests; }

private:
    void serve() {
        for (;;) {
            const int connection = ::accept(m_listener, nullptr, nullptr);
            if (connection < 0)
                continue;
            QByteArray request;
            char chunk[4096];
            while (!request.contains("\r\n\r\n")) {
                const ssize_t got = ::read(connection, chunk, sizeof chunk);
                if (got <= 0)
                    break;
                request.append(chunk, got);
            }
            QByteArray body;
            {
                std::lock_guard lock(m_mutex);
                const int index = m_requests++;
                if (!m_pages.isEmpty())
                    body = m_pages.at(std::min<qsizetype>(index, m_pages.size() - 1));
            }
            const QByteArray response =
                "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                "\r\nConnection: close\r\n\r\n" + body;
            for (qsizetype sent = 0; sent < response.size();) {
                const ssize_t put =
                    ::write(connection, response.constData() + sent, size_t(response.size() - sent));
                if (put <= 0)
                    break;
                sent += put;
            }
            ::close(connection);
        }
    }

    int m_listener = -1;
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
