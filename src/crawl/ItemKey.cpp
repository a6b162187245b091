#include "crawl/ItemKey.h"

#include <QUrl>
#include <QUrlQuery>

QString itemKey(const QString& keyQuery, const QString& itemAddress, int itemNumber) {
    if (itemAddress.isEmpty())
        return u'#' + QString::number(itemNumber);
    const QString address = itemAddress.trimmed();
    const QUrl url(address);
    QString key;
    if (keyQuery.isEmpty()) {
        const QString path = url.path();
        key = path.mid(path.lastIndexOf(u'/') + 1);
    } else {
        // The first item of that name with a value.
        const QList<std::pair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
        for (const auto& [name, value] : items) {
            if (name.compare(keyQuery, Qt::CaseInsensitive) == 0 && !value.isEmpty()) {
                key = value;
                break;
            }
        }
    }
    return oneLineKey(key.isEmpty() ? address : key);
}

QString oneLineKey(QString key) {
    key.replace(u'\n', u' ');
    key.replace(u'\r', u' ');
    key.replace(u'\t', u' ');
    return key;
}
