#include "formats/StoreFormat.h"

#include "formats/Taobao5Mapping.h"
#include "text/EntityDecoder.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

namespace StoreFormat {

namespace {

using Field = ItemRecord::Field;

constexpr int kShopifyOptions = 3;
constexpr int kColourPid = 1627207;
constexpr int kSizePid = 20509;

// The marketplace's own names of its most common values.
QString standardValueName(int pid, int vid) {
    struct Name {
        int pid;
        int vid;
        const char16_t* name;
    };
    static constexpr Name kNames[] = {
        {kColourPid, 28320, u"白色"}, {kColourPid, 28341, u"黑色"}, {kColourPid, 28326, u"红色"},
        {kColourPid, 28338, u"蓝色"}, {kSizePid, 28314, u"S"},      {kSizePid, 28315, u"M"},
        {kSizePid, 28316, u"L"},      {kSizePid, 28317, u"XL"},     {kSizePid, 28318, u"XXL"},
    };
    for (const Name& name : kNames) {
        if (name.pid == pid && name.vid == vid)
            return QString::fromUtf16(name.name);
    }
    return {};
}

QString optionName(int pid) {
    if (pid == kColourPid)
        return QStringLiteral("颜色分类");
    if (pid == kSizePid)
        return QStringLiteral("尺码");
    return QStringLiteral("属性") + QString::number(pid);
}

QString fileNameOf(QStringView path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.sliced(slash + 1).toString();
}

// Digits and a point only: a number a store takes as it stands.
QString plainOrEmpty(const QString& text) {
    const QString number = Taobao5Mapping::plainNumber(text);
    bool ok = false;
    number.toDouble(&ok);
    return ok ? number : QString();
}

// Pictures without a position come after those with one.
int order(int position) {
    return position < 0 ? std::numeric_limits<int>::max() : position;
}

QStringList pictureAddresses(const ConversionMapping::SourceRow& row, const QString& imageBaseUrl) {
    QStringList addresses;
    if (row.current) {
        QList<Taobao5Mapping::PictureEntry> entries =
            Taobao5Mapping::pictureEntries((*row.current)[Taobao5Field::Picture]);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return order(a.position) < order(b.position); });
        for (const Taobao5Mapping::PictureEntry& entry : entries) {
            if (isAddress(entry.url))
                addresses.append(entry.url);
            else if (!imageBaseUrl.isEmpty() && !entry.name.isEmpty())
                addresses.append(imageBaseUrl + entry.name + QStringLiteral(".tbi"));
        }
        return addresses;
    }
    const QString picture = row[Field::Picture].trimmed();
    if (picture.isEmpty())
        return addresses;
    if (isAddress(picture))
        addresses.append(picture);
    else if (!imageBaseUrl.isEmpty())
        addresses.append(imageBaseUrl + fileNameOf(picture));
    return addresses;
}

QString joinedValues(const Variant& variant) {
    return variant.values.join(QStringLiteral(" / "));
}

} // namespace

bool isAddress(QStringView text) {
    return text.startsWith(u"http://", Qt::CaseInsensitive) ||
           text.startsWith(u"https://", Qt::CaseInsensitive);
}

QString slug(QStringView text) {
    QString result;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9'))
            result += c;
        else if (u >= u'A' && u <= u'Z')
            result += QChar(u + (u'a' - u'A'));
        else if (!result.isEmpty() && !result.endsWith(u'-'))
            result += u'-';
    }
    while (result.endsWith(u'-'))
        result.chop(1);
    return result;
}

void readVariants(const QString& skuProps, const QString& propAlias, const QString& inputPids,
                  const QString& inputValues, Product* product, QStringList* log) {
    QHash<QString, QString> aliases;
    for (QStringView entry : QStringView(propAlias).split(u';', Qt::SkipEmptyParts)) {
        const qsizetype first = entry.indexOf(u':');
        const qsizetype second = first < 0 ? -1 : entry.indexOf(u':', first + 1);
        if (second > 0)
            aliases.insert(entry.left(second).trimmed().toString(),
                           entry.sliced(second + 1).trimmed().toString());
    }
    const QStringList pids = inputPids.split(u',');
    const QStringList values = inputValues.split(u',');

    struct Sku {
        QString price, quantity, sku;
        QList<std::pair<int, int>> props;
    };
    QList<Sku> skus;
    for (QStringView entry : QStringView(skuProps).split(u';', Qt::SkipEmptyParts)) {
        const QList<QStringView> parts = entry.split(u':');
        if (parts.size() >= 5) {
            skus.append({parts[0].trimmed().toString(),
                         parts[1].trimmed().toString(),
                         parts[2].trimmed().toString(),
                         {}});
            skus.back().props.append({parts[3].toInt(), parts[4].toInt()});
        } else if (parts.size() == 2 && !skus.isEmpty()) {
            skus.back().props.append({parts[0].toInt(), parts[1].toInt()});
        }
    }
    if (skus.isEmpty())
        return;

    QList<int> optionPids;
    for (const Sku& sku : std::as_const(skus)) {
        for (const auto& [pid, vid] : sku.props) {
            if (!optionPids.contains(pid))
                optionPids.append(pid);
        }
    }
    product->optionNames.clear();
    for (int pid : std::as_const(optionPids))
        product->optionNames.append(optionName(pid));
    product->variants.clear();
    QSet<QString> unnamed;
    for (const Sku& sku : std::as_const(skus)) {
        Variant variant;
        variant.price = sku.price;
        variant.quantity = sku.quantity;
        variant.sku = sku.sku;
        for (int pid : std::as_const(optionPids)) {
            QString value;
            for (const auto& [propPid, vid] : sku.props) {
                if (propPid != pid)
                    continue;
                const QString code = QString::number(pid) + u':' + QString::number(vid);
                value = aliases.value(code);
                if (value.isEmpty())
                    value = standardValueName(pid, vid);
                const qsizetype input = pids.indexOf(QString::number(pid));
                if (value.isEmpty() && input >= 0 && input < values.size())
                    value = values.at(input).trimmed();
                if (value.isEmpty()) {
                    value = code;
                    unnamed.insert(code);
                }
            }
            variant.values.append(value);
        }
        product->variants.append(variant);
    }
    if (!unnamed.isEmpty() && log) {
        QStringList codes = unnamed.values();
        codes.sort();
        log->append(product->title + QStringLiteral("：属性值没有名称，写为代码 ") + codes.join(u' '));
    }
}

Product productFrom(const ConversionMapping::SourceRow& row, const QString& imageBaseUrl, QStringList* log) {
    Product product;
    // A store shows its titles as plain text: no reference of the page may stay in them.
    product.title = decodeNumericReferences(decodeNamedEntities(row[Field::Title])).trimmed();
    product.price = row[Field::Price].trimmed();
    product.quantity = row[Field::Quantity].trimmed();
    product.description = row[Field::Description];
    product.pictures = pictureAddresses(row, imageBaseUrl);
    if (row.current) {
        const Taobao5Record& item = *row.current;
        product.title = decodeNumericReferences(decodeNamedEntities(item[Taobao5Field::Title])).trimmed();
        product.description = item[Taobao5Field::Description];
        product.price = Taobao5Mapping::plainNumber(item[Taobao5Field::Price]);
        product.quantity = Taobao5Mapping::plainNumber(item[Taobao5Field::Num]);
        // An item not yet on the marketplace has number 0.
        product.number = item[Taobao5Field::NumId].trimmed();
        if (product.number == u"0")
            product.number.clear();
        product.sku = item[Taobao5Field::OuterId].trimmed();
        product.vendor = item[Taobao5Field::UserName].trimmed();
        product.weightKg = plainOrEmpty(item[Taobao5Field::ItemWeight]);
        readVariants(item[Taobao5Field::SkuProps], item[Taobao5Field::PropAlias],
                     item[Taobao5Field::InputPids], item[Taobao5Field::InputValues], &product, log);
    }
    return product;
}

QString handleFor(const Product& product, int ordinal, QSet<QString>* taken) {
    QString handle = slug(product.number);
    if (handle.isEmpty())
        handle = slug(product.sku);
    if (handle.isEmpty())
        handle = QStringLiteral("item-") + QString::number(ordinal);
    QString unique = handle;
    for (int n = 2; taken->contains(unique); ++n)
        unique = handle + u'-' + QString::number(n);
    taken->insert(unique);
    return unique;
}

QStringList shopifyHeader() {
    return {QStringLiteral("Handle"),
            QStringLiteral("Title"),
            QStringLiteral("Body (HTML)"),
            QStringLiteral("Vendor"),
            QStringLiteral("Product Category"),
            QStringLiteral("Type"),
            QStringLiteral("Tags"),
            QStringLiteral("Published"),
            QStringLiteral("Option1 Name"),
            QStringLiteral("Option1 Value"),
            QStringLiteral("Option1 Linked To"),
            QStringLiteral("Option2 Name"),
            QStringLiteral("Option2 Value"),
            QStringLiteral("Option2 Linked To"),
            QStringLiteral("Option3 Name"),
            QStringLiteral("Option3 Value"),
            QStringLiteral("Option3 Linked To"),
            QStringLiteral("Variant SKU"),
            QStringLiteral("Variant Grams"),
            QStringLiteral("Variant Inventory Tracker"),
            QStringLiteral("Variant Inventory Qty"),
            QStringLiteral("Variant Inventory Policy"),
            QStringLiteral("Variant Fulfillment Service"),
            QStringLiteral("Variant Price"),
            QStringLiteral("Variant Compare At Price"),
            QStringLiteral("Variant Requires Shipping"),
            QStringLiteral("Variant Taxable"),
            QStringLiteral("Variant Barcode"),
            QStringLiteral("Image Src"),
            QStringLiteral("Image Position"),
            QStringLiteral("Image Alt Text"),
            QStringLiteral("Gift Card"),
            QStringLiteral("SEO Title"),
            QStringLiteral("SEO Description"),
            QStringLiteral("Variant Image"),
            QStringLiteral("Variant Weight Unit"),
            QStringLiteral("Variant Tax Code"),
            QStringLiteral("Cost per item"),
            QStringLiteral("Status")};
}

QList<QStringList> shopifyRows(const Product& product, const QString& handle, QStringList* log) {
    static const QStringList header = shopifyHeader();
    const auto column = [](const char16_t* name) { return header.indexOf(QString::fromUtf16(name)); };
    static const qsizetype kOptionName[] = {column(u"Option1 Name"), column(u"Option2 Name"),
                                            column(u"Option3 Name")};
    static const qsizetype kOptionValue[] = {column(u"Option1 Value"), column(u"Option2 Value"),
                                             column(u"Option3 Value")};

    QStringList names = product.optionNames;
    QList<Variant> variants = product.variants;
    if (names.size() > kShopifyOptions) {
        if (log)
            log->append(product.title + QStringLiteral("：超过三个属性，写为一个款式"));
        names.clear();
        variants.clear();
    }
    if (variants.isEmpty()) {
        // Shopify's own export names the one variant of a product so.
        names = {QStringLiteral("Title")};
        variants.append({{QStringLiteral("Default Title")}, product.price, product.quantity, product.sku});
    }
    QString grams = QStringLiteral("0");
    if (!product.weightKg.isEmpty())
        grams = QString::number(std::llround(product.weightKg.toDouble() * 1000.0));

    QList<QStringList> rows;
    for (qsizetype v = 0; v < variants.size(); ++v) {
        const Variant& variant = variants.at(v);
        QStringList row(header.size());
        row[0] = handle;
        if (v == 0) {
            row[column(u"Title")] = product.title;
            row[column(u"Body (HTML)")] = product.description;
            row[column(u"Vendor")] = product.vendor;
            if (!product.categories.isEmpty()) {
                row[column(u"Type")] = product.categories.back();
                // A tag cannot hold a comma: Shopify splits tags at commas.
                QStringList tags = product.categories;
                tags.replaceInStrings(QStringLiteral(","), QStringLiteral("，"));
                row[column(u"Tags")] = tags.join(QStringLiteral(", "));
            }
            row[column(u"Published")] = QStringLiteral("false");
            row[column(u"Gift Card")] = QStringLiteral("false");
            row[column(u"Status")] = QStringLiteral("draft");
            for (qsizetype o = 0; o < names.size(); ++o)
                row[kOptionName[o]] = names.at(o);
            if (!product.pictures.isEmpty()) {
                row[column(u"Image Src")] = product.pictures.front();
                row[column(u"Image Position")] = QStringLiteral("1");
            }
        }
        for (qsizetype o = 0; o < names.size() && o < variant.values.size(); ++o)
            row[kOptionValue[o]] = variant.values.at(o);
        row[column(u"Variant SKU")] = variant.sku;
        row[column(u"Variant Grams")] = grams;
        row[column(u"Variant Inventory Tracker")] = QStringLiteral("shopify");
        row[column(u"Variant Inventory Qty")] = variant.quantity;
        row[column(u"Variant Inventory Policy")] = QStringLiteral("deny");
        row[column(u"Variant Fulfillment Service")] = QStringLiteral("manual");
        row[column(u"Variant Price")] = variant.price;
        row[column(u"Variant Requires Shipping")] = QStringLiteral("true");
        row[column(u"Variant Taxable")] = QStringLiteral("true");
        row[column(u"Variant Weight Unit")] = QStringLiteral("kg");
        rows.append(row);
    }
    for (qsizetype p = 1; p < product.pictures.size(); ++p) {
        QStringList row(header.size());
        row[0] = handle;
        row[column(u"Image Src")] = product.pictures.at(p);
        row[column(u"Image Position")] = QString::number(p + 1);
        rows.append(row);
    }
    return rows;
}

QStringList wooHeader(int attributes) {
    QStringList header{QStringLiteral("ID"),
                       QStringLiteral("Type"),
                       QStringLiteral("SKU"),
                       QStringLiteral("GTIN, UPC, EAN, or ISBN"),
                       QStringLiteral("Name"),
                       QStringLiteral("Published"),
                       QStringLiteral("Is featured?"),
                       QStringLiteral("Visibility in catalog"),
                       QStringLiteral("Short description"),
                       QStringLiteral("Description"),
                       QStringLiteral("Date sale price starts"),
                       QStringLiteral("Date sale price ends"),
                       QStringLiteral("Tax status"),
                       QStringLiteral("Tax class"),
                       QStringLiteral("In stock?"),
                       QStringLiteral("Stock"),
                       QStringLiteral("Low stock amount"),
                       QStringLiteral("Backorders allowed?"),
                       QStringLiteral("Sold individually?"),
                       QStringLiteral("Weight (kg)"),
                       QStringLiteral("Length (cm)"),
                       QStringLiteral("Width (cm)"),
                       QStringLiteral("Height (cm)"),
                       QStringLiteral("Allow customer reviews?"),
                       QStringLiteral("Purchase note"),
                       QStringLiteral("Sale price"),
                       QStringLiteral("Regular price"),
                       QStringLiteral("Categories"),
                       QStringLiteral("Tags"),
                       QStringLiteral("Shipping class"),
                       QStringLiteral("Images"),
                       QStringLiteral("Download limit"),
                       QStringLiteral("Download expiry days"),
                       QStringLiteral("Parent"),
                       QStringLiteral("Grouped products"),
                       QStringLiteral("Upsells"),
                       QStringLiteral("Cross-sells"),
                       QStringLiteral("External URL"),
                       QStringLiteral("Button text"),
                       QStringLiteral("Position")};
    for (int n = 1; n <= attributes; ++n) {
        const QString prefix = QStringLiteral("Attribute ") + QString::number(n);
        header << prefix + QStringLiteral(" name") << prefix + QStringLiteral(" value(s)")
               << prefix + QStringLiteral(" visible") << prefix + QStringLiteral(" global");
    }
    return header;
}

QList<QStringList> wooRows(const Product& product, const QString& sku, int attributes,
                           QSet<QString>* takenSkus) {
    const QStringList header = wooHeader(attributes);
    const auto column = [&header](const char16_t* name) { return header.indexOf(QString::fromUtf16(name)); };
    const qsizetype firstAttribute = wooHeader(0).size();
    // The importer splits a list of values at commas; a comma of a value is escaped.
    const auto escaped = [](QString value) { return value.replace(u',', QStringLiteral("\\,")); };

    const auto common = [&](const QString& price, const QString& quantity) {
        QStringList row(header.size());
        row[column(u"Tax status")] = QStringLiteral("taxable");
        row[column(u"In stock?")] = quantity.toDouble() > 0 ? QStringLiteral("1") : QStringLiteral("0");
        row[column(u"Stock")] = quantity;
        row[column(u"Backorders allowed?")] = QStringLiteral("0");
        row[column(u"Sold individually?")] = QStringLiteral("0");
        row[column(u"Weight (kg)")] = product.weightKg;
        row[column(u"Regular price")] = price;
        row[column(u"Position")] = QStringLiteral("0");
        return row;
    };

    const bool variable = !product.variants.isEmpty();
    QStringList main = common(product.price, product.quantity);
    main[column(u"Type")] = variable ? QStringLiteral("variable") : QStringLiteral("simple");
    main[column(u"SKU")] = sku;
    main[column(u"Name")] = product.title;
    main[column(u"Published")] = QStringLiteral("0");
    main[column(u"Is featured?")] = QStringLiteral("0");
    main[column(u"Visibility in catalog")] = QStringLiteral("visible");
    main[column(u"Description")] = product.description;
    main[column(u"Allow customer reviews?")] = QStringLiteral("1");
    main[column(u"Images")] = product.pictures.join(QStringLiteral(", "));
    QStringList categories;
    for (const QString& name : product.categories)
        categories.append(escaped(name));
    main[column(u"Categories")] = categories.join(QStringLiteral(" > "));
    main[column(u"Tags")] = categories.join(QStringLiteral(", "));
    QList<QStringList> rows;
    if (!variable) {
        rows.append(main);
        return rows;
    }
    // A variable product's stock is its variations'.
    main[column(u"Stock")].clear();
    main[column(u"In stock?")] = QStringLiteral("1");
    main[column(u"Regular price")].clear();
    for (qsizetype o = 0; o < product.optionNames.size() && o < attributes; ++o) {
        QStringList values;
        for (const Variant& variant : product.variants) {
            const QString value = escaped(variant.values.value(o));
            if (!values.contains(value))
                values.append(value);
        }
        const qsizetype at = firstAttribute + 4 * o;
        main[at] = product.optionNames.at(o);
        main[at + 1] = values.join(QStringLiteral(", "));
        main[at + 2] = QStringLiteral("1");
        main[at + 3] = QStringLiteral("0");
    }
    rows.append(main);
    for (qsizetype v = 0; v < product.variants.size(); ++v) {
        const Variant& variant = product.variants.at(v);
        QStringList row = common(variant.price, variant.quantity);
        QString variantSku = variant.sku;
        if (variantSku.isEmpty() || takenSkus->contains(variantSku))
            variantSku = sku + u'-' + QString::number(v + 1);
        takenSkus->insert(variantSku);
        row[column(u"Type")] = QStringLiteral("variation");
        row[column(u"SKU")] = variantSku;
        row[column(u"Name")] = product.title + QStringLiteral(" - ") + joinedValues(variant);
        // The parent is the draft: its variations are ready once it is published.
        row[column(u"Published")] = QStringLiteral("1");
        row[column(u"Parent")] = sku;
        row[column(u"Position")] = QString::number(v + 1);
        for (qsizetype o = 0; o < product.optionNames.size() && o < attributes; ++o) {
            const qsizetype at = firstAttribute + 4 * o;
            row[at] = product.optionNames.at(o);
            row[at + 1] = escaped(variant.values.value(o));
            row[at + 3] = QStringLiteral("0");
        }
        rows.append(row);
    }
    return rows;
}

QByteArray csvLine(const QStringList& fields) {
    return csvText(fields).toUtf8();
}

QString csvText(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += u',';
        const QString& field = fields.at(i);
        const bool quoted =
            field.contains(u',') || field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r');
        if (!quoted) {
            line += field;
            continue;
        }
        // Line breaks inside a value end in LF as the file's lines do.
        line += u'"';
        line += QString(field)
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                    .replace(u'\r', u'\n')
                    .replace(QStringLiteral("\""), QStringLiteral("\"\""));
        line += u'"';
    }
    line += u'\n';
    return line;
}

QString missingPicturesNote(int count) {
    return QString::number(count) + QStringLiteral("个宝贝没有图片网址");
}

} // namespace StoreFormat
