#include "formats/AssistantFormat.h"

#include <QTest>

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

QString taobaoHeader(const QString& postageCaption, const QString& lineEnd) {
    return QStringLiteral("宝贝名称\t宝贝类目\t店铺类目\t新旧程度\t省\t城市\t出售方式\t宝贝价格\t加价幅度\t"
                          "宝贝数量\t有效期\t运费承担\t平邮\tEMS\t快递\t付款方式\t支付宝\t发票\t保修\t"
                          "自动重发\t放入仓库\t橱窗推荐\t发布时间\t心情故事\t宝贝描述\t宝贝图片\t宝贝属性\t"
                          "团购价\t最小团购件数\t") +
           postageCaption + QStringLiteral("\t会员打折") + lineEnd;
}

const AssistantLayout& layoutNamed(const QString& name) {
    if (name == u"taobao")
        return AssistantFormat::taobao();
    if (name == u"paipai")
        return AssistantFormat::paipai();
    if (name == u"ebay")
        return AssistantFormat::ebay();
    if (name == u"taobaoConverter")
        return AssistantFormat::taobaoConverter();
    if (name == u"paipaiConverter")
        return AssistantFormat::paipaiConverter();
    return AssistantFormat::ebayConverter();
}

} // namespace

class TestAssistantFormat : public QObject {
    Q_OBJECT

private slots:
    void headers_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("header");

        QTest::newRow("Taobao Assistant")
            << "taobao" << 31 << taobaoHeader(QStringLiteral("邮费模版ID"), QStringLiteral("\r\n"));
        QTest::newRow("PaiPai Assistant") << "paipai" << 38 << kPaiPaiHeader;
        QTest::newRow("eBay Assistant") << "ebay" << 88 << kEbayHeader;
        QTest::newRow("Taobao converter variant")
            << "taobaoConverter" << 31 << taobaoHeader(QStringLiteral("邮费模板ID"), QStringLiteral("\r"));
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

        QTest::newRow("plain value unchanged") << "paipai"
                                               << "128.000000"
                                               << "128.000000";
        QTest::newRow("quoted value unchanged") << "paipai"
                                                << "\"Nike 跑鞋\""
                                                << "\"Nike 跑鞋\"";
        QTest::newRow("empty quoted pair unchanged") << "paipai"
                                                     << "\"\""
                                                     << "\"\"";
        QTest::newRow("quoted value with comma unchanged") << "ebay"
                                                           << "\"a,b\""
                                                           << "\"a,b\"";
        QTest::newRow("doubled inner quotes unchanged") << "paipai"
                                                        << "\"a \"\"b\"\" c\""
                                                        << "\"a \"\"b\"\" c\"";
        QTest::newRow("decoded quote inside quoted title") << "paipai"
                                                           << "\"5\" 屏 \"好\"\""
                                                           << "\"5\"\" 屏 \"\"好\"\"\"";
        QTest::newRow("comma in unquoted value") << "paipai"
                                                 << "1,000.00"
                                                 << "\"1,000.00\"";
        QTest::newRow("bare quote in unquoted value") << "ebay"
                                                      << "12\""
                                                      << "\"12\"\"\"";
        QTest::newRow("three quotes") << "paipai"
                                      << "\"\"\""
                                      << "\"\"\"\"";
        QTest::newRow("lone quote") << "ebay"
                                    << "\""
                                    << "\"\"\"\"";
        QTest::newRow("opening quote only") << "ebay"
                                            << "\"abc"
                                            << "\"\"\"abc\"";
        QTest::newRow("line break in unquoted value") << "paipai"
                                                      << "a\r\nb"
                                                      << "\"a\r\nb\"";
        QTest::newRow("tab is ordinary in comma layout") << "paipai"
                                                         << "a\tb"
                                                         << "a\tb";
        QTest::newRow("tab in Taobao value") << "taobao"
                                             << "a\tb"
                                             << "a b";
        QTest::newRow("line breaks in Taobao value") << "taobao"
                                                     << "\"a\r\nb\nc\""
                                                     << "\"a  b c\"";
        QTest::newRow("comma and quote ordinary in Taobao") << "taobao"
                                                            << "\"1,000\" \"x"
                                                            << "\"1,000\" \"x";
        QTest::newRow("converter Taobao variant too") << "taobaoConverter"
                                                      << "a\tb"
                                                      << "a b";
    }

    void protectValue() {
        QFETCH(QString, layout);
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(layoutNamed(layout).protectValue(value), written);
    }
};

QTEST_GUILESS_MAIN(TestAssistantFormat)
#include "tst_assistantformat.moc"
