#include "formats/Taobao5Layout.h"

#include <QHash>

namespace Taobao5Layout {

namespace {

struct FieldInfo {
    const char16_t* name;
    const char16_t* caption;
    bool text;
};

constexpr bool kText = true;
constexpr bool kNumber = false;

// The order and captions of the 2016 exports.
constexpr std::array<FieldInfo, kFieldCount> kFields{{
    {u"title", u"宝贝名称", kText},
    {u"cid", u"宝贝类目", kNumber},
    {u"seller_cids", u"店铺类目", kText},
    {u"stuff_status", u"新旧程度", kNumber},
    {u"location_state", u"省", kText},
    {u"location_city", u"城市", kText},
    {u"item_type", u"出售方式", kNumber},
    {u"price", u"宝贝价格", kNumber},
    {u"auction_increment", u"加价幅度", kNumber},
    {u"num", u"宝贝数量", kNumber},
    {u"valid_thru", u"有效期", kNumber},
    {u"freight_payer", u"运费承担", kNumber},
    {u"post_fee", u"平邮", kNumber},
    {u"ems_fee", u"EMS", kNumber},
    {u"express_fee", u"快递", kNumber},
    {u"has_invoice", u"发票", kNumber},
    {u"has_warranty", u"保修", kNumber},
    {u"approve_status", u"放入仓库", kNumber},
    {u"has_showcase", u"橱窗推荐", kNumber},
    {u"list_time", u"开始时间", kText},
    {u"description", u"宝贝描述", kText},
    {u"cateProps", u"宝贝属性", kText},
    {u"postage_id", u"邮费模版ID", kNumber},
    {u"has_discount", u"会员打折", kNumber},
    {u"modified", u"修改时间", kText},
    {u"upload_fail_msg", u"上传状态", kText},
    {u"picture_status", u"图片状态", kText},
    {u"auction_point", u"返点比例", kNumber},
    {u"picture", u"新图片", kText},
    {u"video", u"视频", kText},
    {u"skuProps", u"销售属性组合", kText},
    {u"inputPids", u"用户输入ID串", kText},
    {u"inputValues", u"用户输入名-值对", kText},
    {u"outer_id", u"商家编码", kText},
    {u"propAlias", u"销售属性别名", kText},
    {u"auto_fill", u"代充类型", kNumber},
    {u"num_id", u"数字ID", kNumber},
    {u"local_cid", u"本地ID", kNumber},
    {u"navigation_type", u"宝贝分类", kNumber},
    {u"user_name", u"用户名称", kText},
    {u"syncStatus", u"宝贝状态", kNumber},
    {u"is_lighting_consigment", u"闪电发货", kNumber},
    {u"is_xinpin", u"新品", kNumber},
    {u"foodparame", u"食品专项", kText},
    {u"features", u"尺码库", kText},
    {u"buyareatype", u"采购地", kNumber},
    {u"global_stock_type", u"库存类型", kNumber},
    {u"global_stock_country", u"国家地区", kText},
    {u"sub_stock_type", u"库存计数", kNumber},
    {u"item_size", u"物流体积", kText},
    {u"item_weight", u"物流重量", kText},
    {u"sell_promise", u"退换货承诺", kNumber},
    {u"custom_design_flag", u"定制工具", kText},
    {u"wireless_desc", u"无线详情", kText},
    {u"barcode", u"商品条形码", kText},
    {u"sku_barcode", u"sku 条形码", kText},
    {u"newprepay", u"7天退货", kNumber},
    {u"subtitle", u"宝贝卖点", kText},
    {u"cpv_memo", u"属性值备注", kText},
    {u"input_custom_cpv", u"自定义属性值", kText},
    {u"qualification", u"商品资质", kText},
    {u"add_qualification", u"增加商品资质", kText},
    {u"o2o_bind_service", u"关联线下服务", kText},
}};

const FieldInfo& info(Taobao5Field field) {
    return kFields[static_cast<std::size_t>(field)];
}

QStringView trimmedLineEnd(QStringView line) {
    while (!line.isEmpty() && (line.back() == u'\r' || line.back() == u'\t' || line.back() == u' '))
        line.chop(1);
    return line;
}

} // namespace

QString versionLine() {
    return QStringLiteral("version 1.00");
}

QString fieldName(Taobao5Field field) {
    return QString::fromUtf16(info(field).name);
}

QString caption(Taobao5Field field) {
    return QString::fromUtf16(info(field).caption);
}

bool isText(Taobao5Field field) {
    return info(field).text;
}

std::optional<Taobao5Field> fieldByName(QStringView name) {
    static const QHash<QString, Taobao5Field> byName = [] {
        QHash<QString, Taobao5Field> names;
        for (int i = 0; i < kFieldCount; ++i)
            names.insert(QString::fromUtf16(kFields[static_cast<std::size_t>(i)].name),
                         static_cast<Taobao5Field>(i));
        return names;
    }();
    const auto found = byName.constFind(name.toString());
    if (found == byName.constEnd())
        return std::nullopt;
    return *found;
}

QStringView headerName(QStringView raw) {
    raw = raw.trimmed();
    if (raw.size() >= 2 && raw.front() == u'"' && raw.back() == u'"')
        raw = raw.sliced(1, raw.size() - 2);
    return raw;
}

QString headerText() {
    QString names;
    QString captions;
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            names += u'\t';
            captions += u'\t';
        }
        names += fieldName(static_cast<Taobao5Field>(i));
        captions += caption(static_cast<Taobao5Field>(i));
    }
    return versionLine() + u'\n' + names + u'\n' + captions + u'\n';
}

bool isVersionLine(QStringView line) {
    return trimmedLineEnd(line) == versionLine();
}

bool isFieldNameLine(QStringView line) {
    bool title = false;
    bool price = false;
    for (QStringView raw : trimmedLineEnd(line).tokenize(u'\t')) {
        const QStringView name = headerName(raw);
        title = title || name == u"title";
        price = price || name == u"price";
    }
    return title && price;
}

} // namespace Taobao5Layout
