#include "formats/FormatConverter.h"
#include "formats/OutputFormats.h"
#include "formats/QuotedRecordReader.h"
#include "formats/StoreFormat.h"
#include "support/Taobao5TestFiles.h"
#include "support/TestMain.h"
#include "support/TestPaths.h"

#include <QSet>
#include <QtTest>

using namespace Qt::StringLiterals;

// Every source layout converted to the two store product files and read back.
namespace {

using Field = ItemRecord::Field;

const QString kBase = u"https://cdn.example.com/shop/"_s;

const QStringList kShopifyHeader{u"Handle"_s,
                                 u"Title"_s,
                                 u"Body (HTML)"_s,
                                 u"Vendor"_s,
                                 u"Product Category"_s,
                                 u"Type"_s,
                                 u"Tags"_s,
                                 u"Published"_s,
                                 u"Option1 Name"_s,
                                 u"Option1 Value"_s,
                                 u"Option1 Linked To"_s,
                                 u"Option2 Name"_s,
                                 u"Option2 Value"_s,
                                 u"Option2 Linked To"_s,
                                 u"Option3 Name"_s,
                                 u"Option3 Value"_s,
                                 u"Option3 Linked To"_s,
                                 u"Variant SKU"_s,
                                 u"Variant Grams"_s,
                                 u"Variant Inventory Tracker"_s,
                                 u"Variant Inventory Qty"_s,
                                 u"Variant Inventory Policy"_s,
                                 u"Variant Fulfillment Service"_s,
                                 u"Variant Price"_s,
                                 u"Variant Compare At Price"_s,
                                 u"Variant Requires Shipping"_s,
                                 u"Variant Taxable"_s,
                                 u"Variant Barcode"_s,
                                 u"Image Src"_s,
                                 u"Image Position"_s,
                                 u"Image Alt Text"_s,
                                 u"Gift Card"_s,
                                 u"SEO Title"_s,
                                 u"SEO Description"_s,
                                 u"Variant Image"_s,
                                 u"Variant Weight Unit"_s,
                                 u"Variant Tax Code"_s,
                                 u"Cost per item"_s,
                                 u"Status"_s};

QStringList wooHeader(int attributes) {
    QStringList header{u"ID"_s,
                       u"Type"_s,
                       u"SKU"_s,
                       u"GTIN, UPC, EAN, or ISBN"_s,
                       u"Name"_s,
                       u"Published"_s,
                       u"Is featured?"_s,
                       u"Visibility in catalog"_s,
                       u"Short description"_s,
                       u"Description"_s,
                       u"Date sale price starts"_s,
                       u"Date sale price ends"_s,
                       u"Tax status"_s,
                       u"Tax class"_s,
                       u"In stock?"_s,
                       u"Stock"_s,
                       u"Low stock amount"_s,
                       u"Backorders allowed?"_s,
                       u"Sold individually?"_s,
                       u"Weight (kg)"_s,
                       u"Length (cm)"_s,
                       u"Width (cm)"_s,
                       u"Height (cm)"_s,
                       u"Allow customer reviews?"_s,
                       u"Purchase note"_s,
                       u"Sale price"_s,
                       u"Regular price"_s,
                       u"Categories"_s,
                       u"Tags"_s,
                       u"Shipping class"_s,
                       u"Images"_s,
                       u"Download limit"_s,
                       u"Download expiry days"_s,
                       u"Parent"_s,
                       u"Grouped products"_s,
                       u"Upsells"_s,
                       u"Cross-sells"_s,
                       u"External URL"_s,
                       u"Button text"_s,
                       u"Position"_s};
    for (int n = 1; n <= attributes; ++n)
        header << u"Attribute %1 name"_s.arg(n) << u"Attribute %1 value(s)"_s.arg(n)
               << u"Attribute %1 visible"_s.arg(n) << u"Attribute %1 global"_s.arg(n);
    return header;
}

// Today's layout: a shirt of two colours (one named by the seller) in two sizes with two pictures,
// a plain item whose picture is only a file, and one of a value the marketplace never named.
QString currentLayoutText() {
    using F = Taobao5Field;
    const QStringList names = taobao5Names();
    return taobao5Text(
        names,
        {rowFor(names, {{F::Title, u"\"纯棉T恤, \"\"夏季\"\"\""_s},
                        {F::Price, u"59.00"_s},
                        {F::Num, u"30"_s},
                        {F::NumId, u"520001"_s},
                        {F::OuterId, u"\"TS-01\""_s},
                        {F::Description, csvQuoted(u"<p class=\"a\">好,\n很好</p>"_s)},
                        {F::Picture,
                         u"\"aa11:1:1:|https://img.example/b.jpg;aa10:1:0:|https://img.example/a.jpg;\""_s},
                        {F::SkuProps, u"\"59.00:10:TS-01-W-S:1627207:28320;20509:28314;"
                                      "61.50:20:TS-01-X-M:1627207:3232483;20509:28315;\""_s},
                        {F::PropAlias, u"\"1627207:3232483:天空灰\""_s}}),
         rowFor(names, {{F::Title, u"\"二号\""_s},
                        {F::Price, u"9.90"_s},
                        {F::Num, u"4"_s},
                        {F::OuterId, u"\"B 2\""_s},
                        {F::Picture, u"\"bb20:1:0:;\""_s}}),
         rowFor(names, {{F::Title, u"\"三号\""_s},
                        {F::Price, u"5"_s},
                        {F::Num, u"1"_s},
                        {F::SkuProps, u"\"5:1::1627207:99999;\""_s}})});
}

QList<QStringList> readUtf8Csv(const QString& path) {
    QFile file(path);
    QList<QStringList> records;
    if (!file.open(QIODevice::ReadOnly))
        return records;
    QuotedRecordReader reader{QChar(u',')};
    reader.start(&file, TextDecoder(QStringConverter::Utf8));
    QStringList record;
    while (reader.readRecord(&record))
        records.append(record);
    return records;
}

// What the source holds, as the converter reads it.
struct SourceItem {
    QString price;
    QString quantity;
    QStringList pictures;
    QString vendor;
    QStringList categories; // a parent's name first
};

QList<SourceItem> sourceItems(const QString& path, FileFormat format) {
    QList<SourceItem> items;
    FormatConverter::readRows(path, format, nullptr, [&](const ConversionMapping::SourceRow& row) {
        SourceItem item;
        item.price = row[Field::Price].trimmed();
        item.quantity = row[Field::Quantity].trimmed();
        const QString picture = row[Field::Picture].trimmed();
        if (picture.startsWith(u"http"_s))
            item.pictures = {picture};
        items.append(item);
    });
    return items;
}

// A store file read back: no mark, LF only, the header of its target, one product row per item
// followed by its variants and images, unique handles and SKUs, drafts only, and each product's
// price, quantity and picture addresses those of expected.
void checkStoreFile(const QString& path, FileFormat target, const QList<SourceItem>& expected,
                    int attributes) {
    const QByteArray bytes = readBytes(path);
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(!bytes.contains("\r\n"));
    const QList<QStringList> records = readUtf8Csv(path);
    QVERIFY(!records.isEmpty());
    const QStringList& header = records.front();
    const auto at = [&header](const QStringList& row, const QString& name) {
        return row.value(header.indexOf(name));
    };

    if (target == FileFormat::Shopify) {
        QCOMPARE(header, kShopifyHeader);
        QSet<QString> handles;
        qsizetype product = -1;
        for (qsizetype r = 1; r < records.size(); ++r) {
            const QStringList& row = records.at(r);
            QCOMPARE(row.size(), header.size());
            const QString handle = at(row, u"Handle"_s);
            QVERIFY(!handle.isEmpty());
            if (!at(row, u"Title"_s).isEmpty()) {
                ++product;
                QVERIFY2(!handles.contains(handle), qPrintable(handle));
                handles.insert(handle);
                QCOMPARE(at(row, u"Status"_s), u"draft"_s);
                QCOMPARE(at(row, u"Published"_s), u"false"_s);
                QCOMPARE(at(row, u"Image Src"_s), expected.at(product).pictures.value(0));
                QCOMPARE(at(row, u"Vendor"_s), expected.at(product).vendor);
                QCOMPARE(at(row, u"Type"_s),
                         expected.at(product).categories.value(expected.at(product).categories.size() - 1));
                if (at(row, u"Option1 Name"_s) == u"Title"_s) {
                    QCOMPARE(at(row, u"Variant Price"_s), expected.at(product).price);
                    QCOMPARE(at(row, u"Variant Inventory Qty"_s), expected.at(product).quantity);
                }
            } else {
                // A variant or image row follows its product.
                QVERIFY(product >= 0);
                QVERIFY(handles.contains(handle));
                const QString image = at(row, u"Image Src"_s);
                if (!image.isEmpty())
                    QCOMPARE(image,
                             expected.at(product).pictures.value(at(row, u"Image Position"_s).toInt() - 1));
            }
        }
        QCOMPARE(product + 1, expected.size());
    } else {
        QCOMPARE(header, wooHeader(attributes));
        qsizetype product = -1;
        QSet<QString> skus;
        QString parent;
        for (qsizetype r = 1; r < records.size(); ++r) {
            const QStringList& row = records.at(r);
            QCOMPARE(row.size(), header.size());
            const QString type = at(row, u"Type"_s);
            const QString sku = at(row, u"SKU"_s);
            QVERIFY2(!sku.isEmpty() && !skus.contains(sku), qPrintable(sku));
            skus.insert(sku);
            if (type == u"variation"_s) {
                QCOMPARE(at(row, u"Parent"_s), parent);
                continue;
            }
            ++product;
            parent = sku;
            QCOMPARE(at(row, u"Published"_s), u"0"_s);
            QCOMPARE(at(row, u"Images"_s), expected.at(product).pictures.join(u", "_s));
            QCOMPARE(at(row, u"Categories"_s), expected.at(product).categories.join(u" > "_s));
            if (type == u"simple"_s) {
                QCOMPARE(at(row, u"Regular price"_s), expected.at(product).price);
                QCOMPARE(at(row, u"Stock"_s), expected.at(product).quantity);
            } else {
                QCOMPARE(type, u"variable"_s);
            }
        }
        QCOMPARE(product + 1, expected.size());
    }
}

} // namespace

class TestStoreFormats : public QObject {
    Q_OBJECT

private:
    CaseFolders m_folders;

private slots:
    void eachSource_data() {
        QTest::addColumn<QString>("fixture"); // empty: today's layout built above
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        const QList<std::tuple<const char*, QString, FileFormat>> sources{
            {"today's Taobao", QString(), FileFormat::TaobaoAssistant5},
            {"older Taobao", u"taobao_source.csv"_s, FileFormat::TaobaoAssistant},
            {"PaiPai", u"paipai_source.csv"_s, FileFormat::PaiPaiAssistant},
            {"eBay", u"ebay_source.csv"_s, FileFormat::EbayAssistant}};
        for (const auto& [name, fixture, from] : sources) {
            for (const FileFormat to : {FileFormat::Shopify, FileFormat::WooCommerce})
                QTest::addRow("%s to %s", name, qPrintable(OutputFormats::describe(to).word))
                    << fixture << OutputFormats::describe(from).converterIndex
                    << OutputFormats::describe(to).converterIndex;
        }
    }

    // One product row per item, its variants and images after it, unique handles, the source's
    // prices, quantities and picture addresses, drafts only; UTF-8 without a mark, LF.
    void eachSource() {
        QFETCH(QString, fixture);
        QFETCH(int, from);
        QFETCH(int, to);
        const FileFormat source = *OutputFormats::fromConverterIndex(from);
        const FileFormat target = *OutputFormats::fromConverterIndex(to);
        const QString folder = m_folders.fresh();
        const QString path = folder + u"/shop.csv"_s;
        if (fixture.isEmpty())
            writeBytes(path, utf16WithMark(currentLayoutText()));
        else
            copyConvertFixture(fixture, path);
        QList<SourceItem> expected = sourceItems(path, source);
        const bool current = source == FileFormat::TaobaoAssistant5;
        if (current) {
            expected[0].pictures = {u"https://img.example/a.jpg"_s, u"https://img.example/b.jpg"_s};
            expected[1] = {u"9.90"_s, u"4"_s, {kBase + u"bb20.tbi"_s}, {}, {}};
        }
        int withoutPictures = 0;
        for (const SourceItem& item : std::as_const(expected))
            withoutPictures += item.pictures.isEmpty() ? 1 : 0;

        FormatConverter::Request request{path, folder + u"/out.csv"_s, source, target};
        FormatConverter converter;
        converter.setImageBaseUrl(current ? kBase : QString());
        const FormatConverter::Result result = converter.run(request);
        QCOMPARE(result.outcome, FormatConverter::Outcome::Completed);
        QCOMPARE(result.convertedCount, expected.size());
        QCOMPARE(result.message.contains(StoreFormat::missingPicturesNote(withoutPictures)),
                 withoutPictures > 0);

        checkStoreFile(result.outputPath, target, expected, current ? 2 : 0);
    }

    // A fixture shop extracted into each store file (the file the end-to-end extraction compares
    // with): the prices and quantities of the same shop's Taobao Assistant file, and the picture
    // addresses the shop's list pages give.
    void extractedShop_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("to");
        QTest::newRow("shopify") << u"expected/taobao_shop11112222.shopify.csv"_s
                                 << OutputFormats::describe(FileFormat::Shopify).converterIndex;
        QTest::newRow("woocommerce") << u"expected/taobao_shop11112222.woocommerce.csv"_s
                                     << OutputFormats::describe(FileFormat::WooCommerce).converterIndex;
    }

    void extractedShop() {
        QFETCH(QString, file);
        QFETCH(int, to);
        QList<SourceItem> expected = sourceItems(fixturePath(u"expected/taobao_shop11112222.taobao.csv"_s),
                                                 FileFormat::TaobaoAssistant);
        const QString site = u"http://img01.taobaocdn.com/bao/uploaded/i1/"_s;
        const QStringList pictures{u"T1a1001XXXXXXXX.jpg"_s, u"T1a1002XXXXXXXX.jpg"_s,
                                   u"T1a1003XXXXXXXX.jpg"_s, u"T1a1004XXXXXXXX.jpg?v=2"_s,
                                   u"T1a1006XXXXXXXX.jpg"_s, u"T1a1007XXXXXXXX.jpg"_s,
                                   u"T1a1008XXXXXXXX.jpg"_s};
        QCOMPARE(expected.size(), pictures.size());
        // The shop's name and the one category its items are listed under.
        for (qsizetype i = 0; i < expected.size(); ++i)
            expected[i] = {
                expected[i].price, expected[i].quantity, {site + pictures.at(i)}, u"小雨衣橱"_s, {u"热卖"_s}};
        checkStoreFile(fixturePath(file), *OutputFormats::fromConverterIndex(to), expected, 0);
    }

    // Colour and size from skuProps: option names, values (alias, standard name, code) and each
    // variant's own price, stock and SKU, in both files.
    void variants() {
        const QString folder = m_folders.fresh();
        const QString path = folder + u"/shop.csv"_s;
        writeBytes(path, utf16WithMark(currentLayoutText()));
        FormatConverter::Request request{path, folder + u"/shopify.csv"_s, std::nullopt, FileFormat::Shopify};
        const FormatConverter::Result shopify = FormatConverter().run(request);
        QCOMPARE(shopify.outcome, FormatConverter::Outcome::Completed);
        QVERIFY(shopify.warnings.join(u'\n').contains(u"三号"_s));
        QVERIFY(shopify.warnings.join(u'\n').contains(u"1627207:99999"_s));
        const QList<QStringList> rows = readUtf8Csv(shopify.outputPath);
        const QStringList& header = rows.front();
        const auto pick = [&header](const QStringList& row, const QStringList& names) {
            QStringList values;
            for (const QString& name : names)
                values.append(row.value(header.indexOf(name)));
            return values;
        };
        const QStringList columns{u"Handle"_s,        u"Option1 Name"_s,          u"Option1 Value"_s,
                                  u"Option2 Name"_s,  u"Option2 Value"_s,         u"Variant SKU"_s,
                                  u"Variant Price"_s, u"Variant Inventory Qty"_s, u"Title"_s};
        QCOMPARE(pick(rows[1], columns),
                 (QStringList{u"520001"_s, u"颜色分类"_s, u"白色"_s, u"尺码"_s, u"S"_s, u"TS-01-W-S"_s,
                              u"59.00"_s, u"10"_s, u"纯棉T恤, \"夏季\""_s}));
        QCOMPARE(pick(rows[2], columns), (QStringList{u"520001"_s, QString(), u"天空灰"_s, QString(), u"M"_s,
                                                      u"TS-01-X-M"_s, u"61.50"_s, u"20"_s, QString()}));
        // The plain item: its handle from the outer id, its one variant named as Shopify names it.
        const qsizetype second = 4; // after the variants and the second image
        QCOMPARE(pick(rows[second], columns),
                 (QStringList{u"b-2"_s, u"Title"_s, u"Default Title"_s, QString(), QString(), u"B 2"_s,
                              u"9.90"_s, u"4"_s, u"二号"_s}));
        QCOMPARE(pick(rows[second + 1], {u"Handle"_s, u"Option1 Value"_s}),
                 (QStringList{u"item-3"_s, u"1627207:99999"_s}));

        request.savePath = folder + u"/woo.csv"_s;
        request.target = FileFormat::WooCommerce;
        const QList<QStringList> woo = readUtf8Csv(FormatConverter().run(request).outputPath);
        const QStringList wooColumns{u"Type"_s,
                                     u"SKU"_s,
                                     u"Parent"_s,
                                     u"Stock"_s,
                                     u"Regular price"_s,
                                     u"Attribute 1 name"_s,
                                     u"Attribute 1 value(s)"_s,
                                     u"Attribute 2 value(s)"_s};
        const QStringList& wooHeaderRead = woo.front();
        const auto wooPick = [&](const QStringList& row) {
            QStringList values;
            for (const QString& name : wooColumns)
                values.append(row.value(wooHeaderRead.indexOf(name)));
            return values;
        };
        QCOMPARE(wooPick(woo[1]), (QStringList{u"variable"_s, u"TS-01"_s, QString(), QString(), QString(),
                                               u"颜色分类"_s, u"白色, 天空灰"_s, u"S, M"_s}));
        QCOMPARE(wooPick(woo[3]), (QStringList{u"variation"_s, u"TS-01-X-M"_s, u"TS-01"_s, u"20"_s,
                                               u"61.50"_s, u"颜色分类"_s, u"天空灰"_s, u"M"_s}));
        QCOMPARE(wooPick(woo[4]).mid(0, 5),
                 (QStringList{u"simple"_s, u"B 2"_s, QString(), u"4"_s, u"9.90"_s}));
    }

    // The category names of an extracted item: Shopify's type is its own category and its tags
    // every name; WooCommerce nests the names and tags them. A comma would split a tag.
    void categoryNames_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("shopify"); // type, tags
        QTest::addColumn<QStringList>("woo");     // categories, tags
        QTest::newRow("none") << QStringList() << QStringList{QString(), QString()}
                              << QStringList{QString(), QString()};
        QTest::newRow("one") << QStringList{u"女装"_s} << QStringList{u"女装"_s, u"女装"_s}
                             << QStringList{u"女装"_s, u"女装"_s};
        QTest::newRow("child of a parent")
            << QStringList{u"数码配件"_s, u"手机壳"_s} << QStringList{u"手机壳"_s, u"数码配件, 手机壳"_s}
            << QStringList{u"数码配件 > 手机壳"_s, u"数码配件, 手机壳"_s};
        QTest::newRow("comma in a name")
            << QStringList{u"鞋,包"_s, u"女鞋"_s} << QStringList{u"女鞋"_s, u"鞋，包, 女鞋"_s}
            << QStringList{u"鞋\\,包 > 女鞋"_s, u"鞋\\,包, 女鞋"_s};
    }

    void categoryNames() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, shopify);
        QFETCH(QStringList, woo);
        StoreFormat::Product product;
        product.title = u"T"_s;
        product.categories = names;
        const QStringList shopifyRow = StoreFormat::shopifyRows(product, u"t"_s, nullptr).front();
        const QStringList shopifyHeader = StoreFormat::shopifyHeader();
        QCOMPARE((QStringList{shopifyRow.value(shopifyHeader.indexOf(u"Type"_s)),
                              shopifyRow.value(shopifyHeader.indexOf(u"Tags"_s))}),
                 shopify);
        QSet<QString> skus;
        const QStringList wooRow = StoreFormat::wooRows(product, u"t"_s, 0, &skus).front();
        QCOMPARE((QStringList{wooRow.value(wooHeader(0).indexOf(u"Categories"_s)),
                              wooRow.value(wooHeader(0).indexOf(u"Tags"_s))}),
                 woo);
    }

    // More than three options is one Shopify variant, said in the log; RFC 4180 quoting.
    void fourOptionsAndQuoting() {
        StoreFormat::Product product;
        product.title = u"四个属性"_s;
        product.price = u"8"_s;
        product.quantity = u"2"_s;
        StoreFormat::readVariants(u"8:1::1:1;2:1;3:1;4:1;8:1::1:2;2:1;3:1;4:1;"_s, QString(), QString(),
                                  QString(), &product, nullptr);
        QCOMPARE(product.optionNames.size(), 4);
        QStringList log;
        const QList<QStringList> rows = StoreFormat::shopifyRows(product, u"x"_s, &log);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(log.size(), 1);
        QCOMPARE(StoreFormat::csvLine({u"a,b"_s, u"say \"hi\""_s, u"two\nlines"_s, u"plain"_s}),
                 QByteArray("\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",plain\n"));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestStoreFormats)
#include "tst_storeformats.moc"
