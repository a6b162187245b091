#include "crawl/ShopSummary.h"

QString ShopSummary(const QString& total, int pages) {
    return QStringLiteral("该店铺中共有商品") + total + QStringLiteral("个，共分") + QString::number(pages) +
           QStringLiteral("页显示，");
}
