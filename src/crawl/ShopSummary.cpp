#include "crawl/ShopSummary.h"

QString shopSummaryText(const QString& total, int pages) {
    return QStringLiteral("该店铺中共有商品") + total + QStringLiteral("个，共分") + QString::number(pages) +
           QStringLiteral("页显示，");
}

QString statedAndFoundText(int stated, int found) {
    return QStringLiteral("店铺标明") + QString::number(stated) + QStringLiteral("个宝贝，实际找到") +
           QString::number(found) + QStringLiteral("个");
}
