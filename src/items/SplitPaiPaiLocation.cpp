#include "items/SplitPaiPaiLocation.h"

#include "text/Cut.h"

#include <QStringList>

namespace {

// Longest names first, so that no name is taken for the start of a longer one.
const QStringList& provinceNames() {
    static const QStringList kNames{
        QStringLiteral("新疆维吾尔自治区"), QStringLiteral("广西壮族自治区"),
        QStringLiteral("宁夏回族自治区"),   QStringLiteral("香港特别行政区"),
        QStringLiteral("澳门特别行政区"),   QStringLiteral("内蒙古自治区"),
        QStringLiteral("西藏自治区"),       QStringLiteral("黑龙江省"),
        QStringLiteral("北京市"),           QStringLiteral("天津市"),
        QStringLiteral("上海市"),           QStringLiteral("重庆市"),
        QStringLiteral("河北省"),           QStringLiteral("山西省"),
        QStringLiteral("辽宁省"),           QStringLiteral("吉林省"),
        QStringLiteral("江苏省"),           QStringLiteral("浙江省"),
        QStringLiteral("安徽省"),           QStringLiteral("福建省"),
        QStringLiteral("江西省"),           QStringLiteral("山东省"),
        QStringLiteral("河南省"),           QStringLiteral("湖北省"),
        QStringLiteral("湖南省"),           QStringLiteral("广东省"),
        QStringLiteral("海南省"),           QStringLiteral("四川省"),
        QStringLiteral("贵州省"),           QStringLiteral("云南省"),
        QStringLiteral("陕西省"),           QStringLiteral("甘肃省"),
        QStringLiteral("青海省"),           QStringLiteral("台湾省"),
    };
    return kNames;
}

} // namespace

PaiPaiLocation splitPaiPaiLocation(const QString& location) {
    for (const QString& name : provinceNames()) {
        if (location.startsWith(name))
            return {name, location.mid(name.size())};
    }
    const QString province = Cut::left(location, 3);
    return {province, Cut::remove(location, province)};
}
