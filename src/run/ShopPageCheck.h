#pragma once

#include "base/Marketplace.h"
#include "web/PageFetcher.h"

#include <QString>

class StopSignal;

// What the shop page a run starts from turned out to be. The walks take any page for a shop;
// this tells the seller, before anything is recorded, when the site sent something else.
//
//     const ShopPageCheck::Finding found = ShopPageCheck::fetchAndClassify(fetcher, address,
//     Platform::Taobao, stop); if (found.verdict != ShopPageCheck::Verdict::Shop) show(found.message);
namespace ShopPageCheck {

enum class Verdict {
    Shop,           // a shop page of a layout the walks know
    NotFound,       // 404, or the site's own page saying the shop is gone or closed
    LoginRequired,  // a login, verification or "too many requests" page
    UnknownLayout,  // an answer, but no layout the walks know
    NetworkFailure, // no answer: the network, the proxy or the site failed
    Stopped,        // the user stopped while the page was loading
};

struct Finding {
    Verdict verdict = Verdict::Shop;
    QString message; // for the seller; empty for Shop and Stopped
    // The page as the walk reads it, when the site answered with one.
    QString page;
    bool answered = false;
    FetchReport fetched; // for the run's log
};

// The page's text is the body decoded as the platform's pages are.
Verdict classify(Platform platform, const FetchResult& result, const QString& pageText);
QString message(Verdict verdict, const QString& address, const QString& reason);

// Fetches the shop page at address and classifies it; a stop while it loads makes it Stopped.
Finding fetchAndClassify(PageFetcher& fetcher, const QString& address, Platform platform,
                         const StopSignal& stop);

} // namespace ShopPageCheck
