#include "formats/AssistantFormat.h"
#include "formats/ItemRecord.h"
#include "formats/OutputFormats.h"
#include "support/FormatTestFiles.h"
#include "support/TestMain.h"

#include <QHash>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kPaiPaiHeader = QStringLiteral(
    "\"id\",\"tree_node_id\",\"old_tree_node_id\",\"商品名称\",\"id_in_web\",\"出售方式\",\"商品类目\","
    "\"店铺类目\",\"图片链接\",\"商品数量\",\"有效期\",\"定时上架\",\"新旧程度\",\"价格\",\"加价幅度\","
    "\"省\","
    "\"市\",\"运费承担\",\"平邮\",\"快递\",\"购买限制\",\"付款方式\",\"有发票\",\"有保修\",\"支持财付通\","
    "\"自动重发\",\"店铺推荐\",\"错误原因\",\"图片大小\",\"图片文件\",\"pic\",\"商品详情\",\"story\","
    "\"上架选项\",\"图片宽度\",\"图片高度\",\"皮肤风格\",\"属性\"\r\n");

const QString kEbayHeader = QStringLiteral(
    "Pprd_name,Pcls_id,Pprd_num,Pauc_beg_price,Pauc_deal_price,Psal_price,Pprd_desc,Pprd_no,"
    "Pgallery_img,Pgallery_img2,Pimg_count,Pimg_url,Ponline_days,Pauto_submit_flag,Pcreate_time,"
    "Psal_beg_time,Psal_end_time,Puser_offline_time,Poffline_reason,Ponline_price,Psal_type,"
    "Puser_max_num,Pprd_now_num,Ppromotion_flag,Ppromotion_desc1,Ppromotion_desc2,Ploc_province,"
    "Ploc_city,Ptemplate_id,Ppay_type1,Ptrade_desc,Phas_invoice,Phas_grarantee,Pgrar_time,Pgrar_type,"
    "Pgrar_desc,Ptrans_flag,Ptrans_free_flag,Pdomestic_type1_value,Pdomestic_type2_value,"
    "Pdomestic_type3_value,Pdomestic_type4_value,Pdomestic_type5_value,Pdomestic_type6_value,"
    "Pdomestic_type7_value,Pdomestic_type1_addvalue,Pdomestic_type2_addvalue,Pdomestic_type3_addvalue,"
    "Pdomestic_type4_addvalue,Pdomestic_type5_addvalue,Pdomestic_type6_addvalue,"
    "Pdomestic_type7_addvalue,Pprd_status,Psecondhand_degree,Ppage_designer,Ppage_background,"
    "Ppage_desigin,Ppage_style,Pcounter_style,Pspecial_size,Pprd_desc_page_path,Pprd_desc_page,"
    "Puser_desc,Pversion,Puser_page,Prelation_item,Pbuy_page,Pbid_page,Pprd_sequence,Pdesc1,Pdesc2,"
    "Pdesc3,Pdesc4,Pserial_id,Pserial_flag,Pversion_flag,Pprice_sort,Ptrans_sort,Pupdate_time,"
    "Pup_fail_reason,Patb_full,Pprd_flag,Pprd_relating,Pfeature_value,Pshp_id1,Pshp_id2,Pshp_cls_id1,"
    "Pshp_cls_id2,\r\n");

const QString kPaiPaiConverterHeader = QStringLiteral(
    "\"id\",\"tree_node_id\",\"old_tree_node_id\",\"title\",\"id_in_web\",\"auctionType\",\"category\","
    "\"shopCategoryId\",\"pictURL\",\"quantity\",\"duration\",\"startDate\",\"stuffStatus\",\"price\","
    "\"increment\",\"prov\",\"city\",\"shippingOption\",\"ordinaryPostFee\",\"fastPostFee\","
    "\"paymentOption\",\"haveInvoice\",\"haveGuarantee\",\"secureTradeAgree\",\"autoRepost\","
    "\"shopWindow\",\"failed_reason\",\"pic_size\",\"pic_filename\",\"pic\",\"description\",\"story\","
    "\"putStore\",\"pic_width\",\"pic_height\"\r\n");

const AssistantLayout& layoutNamed(const QString& name) {
    static const QHash<QString, const AssistantLayout& (*)()> layouts{
        {u"taobao"_s, AssistantFormat::taobao},
        {u"paipai"_s, AssistantFormat::paipai},
        {u"ebay"_s, AssistantFormat::ebay},
        {u"taobaoConverter"_s, AssistantFormat::taobaoConverter},
        {u"paipaiConverter"_s, AssistantFormat::paipaiConverter},
        {u"ebayConverter"_s, AssistantFormat::ebayConverter}};
    return layouts.value(name)();
}

} // namespace

class TestAssistantFormat : public QObject {
    Q_OBJECT

private slots:
    // Every format has its own row, and the converter's Taobao file keeps its ".txt".
    void outputFormatDescriptions_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("headerPerBatch");
        QTest::addColumn<int>("columns"); // of the converter's layout; 0 for a writer of its own
        QTest::newRow("older Taobao") << FileFormat::TaobaoAssistant << u".txt"_s << true << 31;
        QTest::newRow("PaiPai") << FileFormat::PaiPaiAssistant << u".csv"_s << false << 35;
        QTest::newRow("eBay") << FileFormat::EbayAssistant << u".csv"_s << false << 88;
        QTest::newRow("current Taobao") << FileFormat::TaobaoAssistant5 << u".csv"_s << false << 0;
    }

    void outputFormatDescriptions() {
        QFETCH(FileFormat, format);
        QFETCH(QString, suffix);
        QFETCH(bool, headerPerBatch);
        QFETCH(int, columns);
        const OutputFormats::Description& description = OutputFormats::describe(format);
        QCOMPARE(description.format, format);
        QCOMPARE(description.converterSuffix, suffix);
        QCOMPARE(description.header == OutputFormats::HeaderPolicy::OncePerBatch, headerPerBatch);
        QCOMPARE(description.converterLayout ? int(description.converterLayout->columns.size()) : 0, columns);
        QCOMPARE(description.extractionLayout != nullptr, columns != 0);
    }

    void headers_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("header");

        QTest::newRow("Taobao Assistant") << "taobao" << 31 << taobaoHeaderNames() + u"\r\n"_s;
        QTest::newRow("PaiPai Assistant") << "paipai" << 38 << kPaiPaiHeader;
        QTest::newRow("eBay Assistant") << "ebay" << 88 << kEbayHeader;
        QTest::newRow("Taobao converter variant")
            << "taobaoConverter" << 31 << taobaoHeaderNames(u"邮费模板ID"_s) + u"\r"_s;
        QTest::newRow("PaiPai converter variant") << "paipaiConverter" << 35 << kPaiPaiConverterHeader;
        QTest::newRow("eBay converter variant") << "ebayConverter" << 88 << kEbayHeader;
    }

    void headers() {
        QFETCH(QString, layout);
        QFETCH(int, columns);
        QFETCH(QString, header);
        const AssistantLayout& format = layoutNamed(layout);
        QCOMPARE(format.columns.size(), columns);
        QCOMPARE(format.headerLine(), header);
    }

    void protectValue_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");

        QTest::newRow("plain value unchanged") << "paipai" << u"128.000000"_s << u"128.000000"_s;
        QTest::newRow("quoted value unchanged") << "paipai" << u"\"Nike 跑鞋\""_s << u"\"Nike 跑鞋\""_s;
        QTest::newRow("empty quoted pair unchanged") << "paipai" << u"\"\""_s << u"\"\""_s;
        QTest::newRow("quoted value with comma unchanged") << "ebay" << u"\"a,b\""_s << u"\"a,b\""_s;
        QTest::newRow("doubled inner quotes unchanged")
            << "paipai" << u"\"a \"\"b\"\" c\""_s << u"\"a \"\"b\"\" c\""_s;
        QTest::newRow("decoded quote inside quoted title")
            << "paipai" << u"\"5\" 屏 \"好\"\""_s << u"\"5\"\" 屏 \"\"好\"\"\""_s;
        QTest::newRow("comma in unquoted value") << "paipai" << u"1,000.00"_s << u"\"1,000.00\""_s;
        QTest::newRow("bare quote in unquoted value") << "ebay" << u"12\""_s << u"\"12\"\"\""_s;
        QTest::newRow("three quotes") << "paipai" << u"\"\"\""_s << u"\"\"\"\""_s;
        QTest::newRow("lone quote") << "ebay" << u"\""_s << u"\"\"\"\""_s;
        QTest::newRow("opening quote only") << "ebay" << u"\"abc"_s << u"\"\"\"abc\""_s;
        QTest::newRow("line break in unquoted value") << "paipai" << u"a\r\nb"_s << u"\"a\r\nb\""_s;
        QTest::newRow("tab is ordinary in comma layout") << "paipai" << u"a\tb"_s << u"a\tb"_s;
        QTest::newRow("tab in Taobao value") << "taobao" << u"a\tb"_s << u"a b"_s;
        QTest::newRow("line breaks in Taobao value") << "taobao" << u"\"a\r\nb\nc\""_s << u"\"a  b c\""_s;
        QTest::newRow("comma and quote ordinary in Taobao")
            << "taobao" << u"\"1,000\" \"x"_s << u"\"1,000\" \"x"_s;
        QTest::newRow("converter Taobao variant too") << "taobaoConverter" << u"a\tb"_s << u"a b"_s;
    }

    void protectValue() {
        QFETCH(QString, layout);
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(layoutNamed(layout).protectValue(value), written);
    }

    // A value of an older Taobao file loses one pair of enclosing quotes; its inner quotes are
    // undoubled only when the whole value is one quoted field.
    void unquoted_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("plain");

        QTest::newRow("bare value") << u"12.00"_s << u"12.00"_s;
        QTest::newRow("quoted value") << u"\"宝贝\""_s << u"宝贝"_s;
        QTest::newRow("empty quoted pair") << u"\"\""_s << QString();
        QTest::newRow("doubled quotes") << u"\"a \"\"b\"\" c\""_s << u"a \"b\" c"_s;
        QTest::newRow("begins and ends with a quote") << u"\"\"\"限量\"\"版\"\"\""_s << u"\"限量\"版\""_s;
        QTest::newRow("only a doubled quote") << u"\"\"\"\""_s << u"\""_s;
        QTest::newRow("single inner quote: enclosing quotes only") << u"\"a\"b\""_s << u"a\"b"_s;
        QTest::newRow("three quotes") << u"\"\"\""_s << u"\""_s;
        QTest::newRow("pair then a single quote") << u"\"a\"\"b\"c\""_s << u"a\"\"b\"c"_s;
        QTest::newRow("opening quote only") << u"\"abc"_s << u"\"abc"_s;
    }

    void unquoted() {
        QFETCH(QString, value);
        QFETCH(QString, plain);
        QCOMPARE(AssistantFormat::unquoted(value), plain);
        if (AssistantFormat::isWellFormedQuotedField(value))
            QCOMPARE(AssistantFormat::quotedText(plain), value);
    }

    // A TAB layout's row holds no TAB or line break of a value, wherever in the value it is; the
    // units are looked at eight at a time.
    void tabRowHoldsNoTabOrLineBreak_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");

        for (const QString& broken : {u"\t"_s, u"\r\n"_s, u"\n"_s, u"\r"_s}) {
            for (int at = 0; at <= 17; ++at) {
                const QString value = u"宝贝描述abcdefghijklmn\u000B"_s.insert(at, broken);
                QString written = value;
                written.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
                QTest::addRow("%s at %d", broken.toLatin1().toHex().constData(), at) << value << written;
            }
        }
    }

    void tabRowHoldsNoTabOrLineBreak() {
        QFETCH(QString, value);
        QFETCH(QString, written);
        AssistantLayout layout;
        layout.separator = QChar(u'\t');
        layout.lineEnd = u"\r"_s;
        layout.columns = {{u"a"_s, ColumnSource::Mapped, QString(), -1, false},
                          {u"b"_s, ColumnSource::Mapped, QString(), -1, false}};
        QString row = u"前"_s;
        layout.appendPlainRow(&row, {value, u"x\ty"_s});
        QCOMPARE(row, u"前"_s + written + u"\tx y\r"_s);
    }

    // A named column must sit where the layout table puts the column of that name.
    void namedColumns_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<qsizetype>("column");
        QTest::addColumn<QString>("name");

        const auto taobao = [](ItemRecord::Field field) { return qsizetype(ItemRecord::indexOf(field)); };
        QTest::newRow("Taobao title") << "taobao" << taobao(ItemRecord::Field::Title) << u"宝贝名称"_s;
        QTest::newRow("Taobao EMS fee") << "taobao" << taobao(ItemRecord::Field::EmsFee) << u"EMS"_s;
        QTest::newRow("Taobao description")
            << "taobao" << taobao(ItemRecord::Field::Description) << u"宝贝描述"_s;
        QTest::newRow("Taobao postage template")
            << "taobaoConverter" << taobao(ItemRecord::Field::PostageTemplateId) << u"邮费模板ID"_s;
        QTest::newRow("Taobao member discount")
            << "taobao" << taobao(ItemRecord::Field::MemberDiscount) << u"会员打折"_s;

        using PaiPai = PaiPaiColumn;
        QTest::newRow("PaiPai title") << "paipai" << columnIndex(PaiPai::Title) << u"商品名称"_s;
        QTest::newRow("PaiPai sale type") << "paipai" << columnIndex(PaiPai::SaleType) << u"出售方式"_s;
        QTest::newRow("PaiPai category") << "paipai" << columnIndex(PaiPai::Category) << u"商品类目"_s;
        QTest::newRow("PaiPai quantity") << "paipai" << columnIndex(PaiPai::Quantity) << u"商品数量"_s;
        QTest::newRow("PaiPai duration") << "paipai" << columnIndex(PaiPai::Duration) << u"有效期"_s;
        QTest::newRow("PaiPai condition") << "paipai" << columnIndex(PaiPai::Condition) << u"新旧程度"_s;
        QTest::newRow("PaiPai price") << "paipai" << columnIndex(PaiPai::Price) << u"价格"_s;
        QTest::newRow("PaiPai increment") << "paipai" << columnIndex(PaiPai::Increment) << u"加价幅度"_s;
        QTest::newRow("PaiPai province") << "paipai" << columnIndex(PaiPai::Province) << u"省"_s;
        QTest::newRow("PaiPai city") << "paipai" << columnIndex(PaiPai::City) << u"市"_s;
        QTest::newRow("PaiPai post fee") << "paipai" << columnIndex(PaiPai::PostFee) << u"平邮"_s;
        QTest::newRow("PaiPai express fee") << "paipai" << columnIndex(PaiPai::ExpressFee) << u"快递"_s;
        QTest::newRow("PaiPai picture") << "paipai" << columnIndex(PaiPai::Picture) << u"图片文件"_s;
        QTest::newRow("PaiPai description") << "paipai" << columnIndex(PaiPai::Description) << u"商品详情"_s;

        using Converted = PaiPaiConverterColumn;
        const QString converter = u"paipaiConverter"_s;
        QTest::newRow("converter title") << converter << columnIndex(Converted::Title) << u"title"_s;
        QTest::newRow("converter sale type")
            << converter << columnIndex(Converted::SaleType) << u"auctionType"_s;
        QTest::newRow("converter category") << converter << columnIndex(Converted::Category) << u"category"_s;
        QTest::newRow("converter quantity") << converter << columnIndex(Converted::Quantity) << u"quantity"_s;
        QTest::newRow("converter duration") << converter << columnIndex(Converted::Duration) << u"duration"_s;
        QTest::newRow("converter condition")
            << converter << columnIndex(Converted::Condition) << u"stuffStatus"_s;
        QTest::newRow("converter price") << converter << columnIndex(Converted::Price) << u"price"_s;
        QTest::newRow("converter increment")
            << converter << columnIndex(Converted::Increment) << u"increment"_s;
        QTest::newRow("converter shipping")
            << converter << columnIndex(Converted::ShippingOption) << u"shippingOption"_s;
        QTest::newRow("converter post fee")
            << converter << columnIndex(Converted::PostFee) << u"ordinaryPostFee"_s;
        QTest::newRow("converter express fee")
            << converter << columnIndex(Converted::ExpressFee) << u"fastPostFee"_s;
        QTest::newRow("converter secure trade")
            << converter << columnIndex(Converted::SecureTrade) << u"secureTradeAgree"_s;
        QTest::newRow("converter picture")
            << converter << columnIndex(Converted::Picture) << u"pic_filename"_s;
        QTest::newRow("converter description")
            << converter << columnIndex(Converted::Description) << u"description"_s;

        QTest::newRow("eBay title") << "ebay" << columnIndex(EbayColumn::Title) << u"Pprd_name"_s;
        QTest::newRow("eBay quantity") << "ebay" << columnIndex(EbayColumn::Quantity) << u"Pprd_num"_s;
        QTest::newRow("eBay price") << "ebay" << columnIndex(EbayColumn::Price) << u"Psal_price"_s;
        QTest::newRow("eBay description") << "ebay" << columnIndex(EbayColumn::Description) << u"Pprd_desc"_s;
        QTest::newRow("eBay product number")
            << "ebay" << columnIndex(EbayColumn::ProductNumber) << u"Pprd_no"_s;
        QTest::newRow("eBay picture") << "ebayConverter" << columnIndex(EbayColumn::Picture) << u"Pimg_url"_s;
    }

    void namedColumns() {
        QFETCH(QString, layout);
        QFETCH(qsizetype, column);
        QFETCH(QString, name);
        QCOMPARE(layoutNamed(layout).columns.at(column).name, name);
    }

    // Every field read or written by name lands in its own place of the value list, both ways.
    void recordFieldsByName() {
        QStringList values;
        ItemRecord byName;
        for (int i = 0; i < ItemRecord::kFieldCount; ++i) {
            values.append(u"v%1"_s.arg(i));
            byName[static_cast<ItemRecord::Field>(i)] = values.last();
        }
        QCOMPARE(byName.values(), values);
        const ItemRecord fromValues = ItemRecord::fromValues(values);
        for (int i = 0; i < ItemRecord::kFieldCount; ++i)
            QCOMPARE(fromValues[static_cast<ItemRecord::Field>(i)], values.at(i));
        QCOMPARE(fromValues.title, fromValues[ItemRecord::Field::Title]);
        QCOMPARE(fromValues.picture, fromValues[ItemRecord::Field::Picture]);
        QCOMPARE(fromValues.memberDiscount, fromValues[ItemRecord::Field::MemberDiscount]);
    }

    // The Taobao layouts write the record's fields in field order.
    void taobaoColumnsFollowTheFields() {
        for (const char* layout : {"taobao", "taobaoConverter"}) {
            const QList<LayoutColumn>& columns = layoutNamed(QString::fromLatin1(layout)).columns;
            QCOMPARE(columns.size(), ItemRecord::kFieldCount);
            for (int i = 0; i < ItemRecord::kFieldCount; ++i) {
                QCOMPARE(columns.at(i).source, ColumnSource::RecordField);
                QCOMPARE(columns.at(i).field, i);
            }
        }
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestAssistantFormat)
#include "tst_assistantformat.moc"
