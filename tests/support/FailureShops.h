#pragma once

#include "base/Marketplace.h"
#include "run/Messages.h"
#include "run/ShopPageCheck.h"

#include <QList>
#include <QString>

// The fixture shops a site will not show, and the start of the words the seller gets (a network
// failure puts its reason between them and the address).
struct FailureShop {
    const char* name;
    Platform platform;
    QString address;
    ShopPageCheck::Verdict verdict;
    QString message;
};

inline QList<FailureShop> failureShops() {
    using Verdict = ShopPageCheck::Verdict;
    const QString closed = QStringLiteral("http://shop55556666.taobao.com/");
    const QString missing = QStringLiteral("http://stores.ebay.com.cn/guanbi");
    const QString layout = QStringLiteral("http://shop66660002.taobao.com/");
    return {
        {"closed shop", Platform::Taobao, closed, Verdict::NotFound, Messages::kShopNotFound + closed},
        {"shop not found", Platform::Ebay, missing, Verdict::NotFound, Messages::kShopNotFound + missing},
        {"login page", Platform::Taobao, QStringLiteral("http://shop66660001.taobao.com/"),
         Verdict::LoginRequired, Messages::kLoginRequired},
        {"verification page", Platform::PaiPai, QStringLiteral("http://shop.paipai.com/20090305/"),
         Verdict::LoginRequired, Messages::kLoginRequired},
        {"unknown layout", Platform::Taobao, layout, Verdict::UnknownLayout,
         Messages::kUnknownLayout + layout},
        {"dropped connection", Platform::Taobao, QStringLiteral("http://shop66660003.taobao.com/"),
         Verdict::NetworkFailure, QStringLiteral("网络或代理连接失败（")},
    };
}
