#include "base/MarketplaceCodes.h"
#include "formats/OutputFormats.h"
#include "support/TestMain.h"

#include <QTest>

// The codes the window, the settings file and the command line use for each marketplace.
class TestMarketplaceCodes : public QObject {
    Q_OBJECT

private slots:
    void formatCodes_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<int>("option5");
        QTest::addColumn<int>("converter");
        QTest::addColumn<QString>("word");
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shortName");
        QTest::newRow("Taobao Assistant")
            << FileFormat::TaobaoAssistant << 0 << 0 << "taobao" << Platform::Taobao << "淘宝助理"
            << "淘宝";
        QTest::newRow("eBay Assistant")
            << FileFormat::EbayAssistant << 1 << 2 << "ebay" << Platform::Ebay << "易趣助理"
            << "易趣";
        QTest::newRow("PaiPai Assistant")
            << FileFormat::PaiPaiAssistant << 2 << 1 << "paipai" << Platform::PaiPai << "拍拍助理"
            << "拍拍";
        QTest::newRow("current Taobao Assistant")
            << FileFormat::TaobaoAssistant5 << 3 << 3 << "taobao5" << Platform::Taobao << "淘宝助理5"
            << "淘宝5";
        QTest::newRow("Shopify") << FileFormat::Shopify << 4 << 4 << "shopify" << Platform::Taobao
                                 << "Shopify"
                                 << "Shopify";
        QTest::newRow("WooCommerce") << FileFormat::WooCommerce << 5 << 5 << "woocommerce" << Platform::Taobao
                                     << "WooCommerce"
                                     << "WooCommerce";
    }

    void formatCodes() {
        QFETCH(FileFormat, format);
        QFETCH(int, option5);
        QFETCH(int, converter);
        QFETCH(QString, word);
        QFETCH(Platform, platform);
        QFETCH(QString, name);
        QFETCH(QString, shortName);
        QCOMPARE(OutputFormats::describe(format).format, format);
        QCOMPARE(OutputFormats::describe(format).caption, name);
        QCOMPARE(OutputFormats::describe(format).shortCaption, shortName);
        QCOMPARE(OutputFormats::all().at(option5), format);
        QCOMPARE(OutputFormats::describe(format).outputIndex, option5);
        QCOMPARE(OutputFormats::fromOutputIndex(option5), format);
        QCOMPARE(OutputFormats::describe(format).converterIndex, converter);
        QCOMPARE(OutputFormats::fromConverterIndex(converter), format);
        QCOMPARE(OutputFormats::describe(format).word, word);
        QCOMPARE(OutputFormats::fromWord(word), format);
        QCOMPARE(OutputFormats::describe(format).platform, platform);
    }

    void platformCodes_data() {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<int>("option1");
        QTest::addColumn<QString>("word");
        QTest::newRow("PaiPai") << Platform::PaiPai << 0 << "paipai";
        QTest::newRow("eBay") << Platform::Ebay << 1 << "ebay";
        QTest::newRow("Taobao") << Platform::Taobao << 2 << "taobao";
    }

    void platformCodes() {
        QFETCH(Platform, platform);
        QFETCH(int, option1);
        QFETCH(QString, word);
        QCOMPARE(MarketplaceCodes::platformIndex(platform), option1);
        QCOMPARE(MarketplaceCodes::platformFromIndex(option1), platform);
        QCOMPARE(MarketplaceCodes::platformWord(platform), word);
        QCOMPARE(MarketplaceCodes::platformFromWord(word), platform);
    }

    // Codes from a hand-edited settings file or a mistyped command line name nothing.
    void unknownCodes_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("word");
        QTest::newRow("negative") << -1 << "";
        QTest::newRow("past the end") << 6 << "Taobao";
        QTest::newRow("the window's caption") << 7 << "淘宝助理5";
        QTest::newRow("a store's name") << 8 << "Shopify";
        QTest::newRow("far out") << 1000 << "tao bao";
    }

    void unknownCodes() {
        QFETCH(int, index);
        QFETCH(QString, word);
        QVERIFY(!MarketplaceCodes::platformFromIndex(index));
        QVERIFY(!OutputFormats::fromOutputIndex(index));
        QVERIFY(!OutputFormats::fromConverterIndex(index));
        QVERIFY(!MarketplaceCodes::platformFromWord(word));
        QVERIFY(!OutputFormats::fromWord(word));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestMarketplaceCodes)
#include "tst_marketplacecodes.moc"
