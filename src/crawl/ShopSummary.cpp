#include "crawl/ShopSummary.h"

#include "text/EntityDecoder.h"

QString shopSummaryText(const QString& total, int pages) {
    return QStringLiteral("该店铺中共有商品") + total + QStringLiteral("个，共分") + QString::number(pages) +
           QStringLiteral("页显示，");
}

QString statedAndFoundText(int stated, int found) {
    return QStringLiteral("店铺标明") + QString::number(stated) + QStringLiteral("个宝贝，实际找到") +
           QString::number(found) + QStringLiteral("个");
}

QString shopNameFromTitle(const QString& page, const QStringList& endings) {
    const qsizetype open = page.indexOf(QStringLiteral("<title>"), 0, Qt::CaseInsensitive);
    if (open < 0)
        return {};
    const qsizetype start = open + 7;
    const qsizetype close = page.indexOf(QStringLiteral("</title>"), start, Qt::CaseInsensitive);
    if (close < 0)
        return {};
    const QString title = page.mid(start, close - start).trimmed();
    // A page of the marketplace's own (a login, a closed shop's notice) ends otherwise.
    for (const QString& ending : endings) {
        if (title.endsWith(ending))
            return decodeNamedEntities(title.chopped(ending.size())).trimmed();
    }
    return {};
}
