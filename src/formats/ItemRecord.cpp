#include "formats/ItemRecord.h"

namespace {

using Member = QString ItemRecord::*;

constexpr std::array<Member, ItemRecord::kFieldCount> kMembers{
    &ItemRecord::title,          &ItemRecord::category,      &ItemRecord::shopCategory,
    &ItemRecord::condition,      &ItemRecord::province,      &ItemRecord::city,
    &ItemRecord::saleType,       &ItemRecord::price,         &ItemRecord::increment,
    &ItemRecord::quantity,       &ItemRecord::duration,      &ItemRecord::freightPayer,
    &ItemRecord::postFee,        &ItemRecord::emsFee,        &ItemRecord::expressFee,
    &ItemRecord::paymentMethod,  &ItemRecord::alipay,        &ItemRecord::invoice,
    &ItemRecord::warranty,       &ItemRecord::autoRepost,    &ItemRecord::putInStore,
    &ItemRecord::shopWindow,     &ItemRecord::startTime,     &ItemRecord::story,
    &ItemRecord::description,    &ItemRecord::picture,       &ItemRecord::attributes,
    &ItemRecord::groupPrice,     &ItemRecord::groupMinCount, &ItemRecord::postageTemplateId,
    &ItemRecord::memberDiscount,
};

} // namespace

QString& ItemRecord::operator[](Field field) {
    return this->*kMembers[static_cast<std::size_t>(indexOf(field))];
}

const QString& ItemRecord::operator[](Field field) const {
    return this->*kMembers[static_cast<std::size_t>(indexOf(field))];
}

QStringList ItemRecord::values() const {
    QStringList result;
    result.reserve(kFieldCount);
    for (Member member : kMembers)
        result.append(this->*member);
    return result;
}

ItemRecord ItemRecord::fromValues(const QStringList& values) {
    ItemRecord record;
    for (int i = 0; i < kFieldCount && i < values.size(); ++i)
        record.*kMembers[i] = values.at(i);
    return record;
}

const std::array<QString, ItemRecord::kFieldCount>& ItemRecord::captions() {
    static const std::array<QString, kFieldCount> kCaptions{
        QStringLiteral("宝贝名称"), QStringLiteral("宝贝类目"),     QStringLiteral("店铺类目"),
        QStringLiteral("新旧程度"), QStringLiteral("省"),           QStringLiteral("城市"),
        QStringLiteral("出售方式"), QStringLiteral("宝贝价格"),     QStringLiteral("加价幅度"),
        QStringLiteral("宝贝数量"), QStringLiteral("有效期"),       QStringLiteral("运费承担"),
        QStringLiteral("平邮"),     QStringLiteral("EMS"),          QStringLiteral("快递"),
        QStringLiteral("付款方式"), QStringLiteral("支付宝"),       QStringLiteral("发票"),
        QStringLiteral("保修"),     QStringLiteral("自动重发"),     QStringLiteral("放入仓库"),
        QStringLiteral("橱窗推荐"), QStringLiteral("发布时间"),     QStringLiteral("心情故事"),
        QStringLiteral("宝贝描述"), QStringLiteral("宝贝图片"),     QStringLiteral("宝贝属性"),
        QStringLiteral("团购价"),   QStringLiteral("最小团购件数"), QStringLiteral("邮费模版ID"),
        QStringLiteral("会员打折"),
    };
    return kCaptions;
}
