#include "formats/ConversionMapping.h"
#include "formats/Taobao5Mapping.h"
#include "support/FormatTestFiles.h"
#include "support/TestMain.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using F = Taobao5Field;

namespace {

Taobao5Record item(std::initializer_list<std::pair<F, QString>> values) {
    Taobao5Record record;
    for (const auto& [field, value] : values)
        record[field] = value;
    return record;
}

QStringList paipaiRowOf(const QStringList& taobaoValues) {
    return ConversionMapping::toPaiPai(
        ConversionMapping::rowFromRecord(ItemRecord::fromValues(taobaoValues)));
}

} // namespace

class TestTaobao5Mapping : public QObject {
    Q_OBJECT

private slots:
    void codes_data() {
        QTest::addColumn<QString>("stuffStatus");
        QTest::addColumn<QString>("itemType");
        QTest::addColumn<QString>("freightPayer");
        QTest::addColumn<QString>("postFee");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QString>("saleType");
        QTest::addColumn<QString>("recordFreightPayer");

        QTest::newRow("new, fixed price, seller pays") << "1"
                                                       << "1"
                                                       << "1"
                                                       << "0"
                                                       << "5"
                                                       << "b"
                                                       << "2";
        QTest::newRow("unused, auction, buyer pays") << "2"
                                                     << "2"
                                                     << "2"
                                                     << "10"
                                                     << "8"
                                                     << "a"
                                                     << "1";
        QTest::newRow("used") << "3"
                              << "1"
                              << "2"
                              << "0"
                              << "6"
                              << "b"
                              << "1";
        QTest::newRow("spaces around codes") << " 3 "
                                             << " 2 "
                                             << " 1 "
                                             << "0"
                                             << "6"
                                             << "a"
                                             << "2";
        QTest::newRow("no codes, no fee: seller pays") << ""
                                                       << ""
                                                       << ""
                                                       << ""
                                                       << "5"
                                                       << "b"
                                                       << "2";
        QTest::newRow("no payer but a fee: buyer pays") << ""
                                                        << ""
                                                        << ""
                                                        << "12"
                                                        << "5"
                                                        << "b"
                                                        << "1";
        QTest::newRow("no payer, garbage fee: seller pays") << "9"
                                                            << "x"
                                                            << ""
                                                            << "2.9e-39"
                                                            << "5"
                                                            << "b"
                                                            << "2";
    }

    void codes() {
        QFETCH(QString, stuffStatus);
        QFETCH(QString, itemType);
        QFETCH(QString, freightPayer);
        QFETCH(QString, postFee);
        const ItemRecord record = Taobao5Mapping::toItemRecord(item({{F::StuffStatus, stuffStatus},
                                                                     {F::ItemType, itemType},
                                                                     {F::FreightPayer, freightPayer},
                                                                     {F::PostFee, postFee}}),
                                                               QString());
        QTEST(record.condition, "condition");
        QTEST(record.saleType, "saleType");
        QTEST(record.freightPayer, "recordFreightPayer");
    }

    void fee_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fee");
        QTest::newRow("plain") << "12.50"
                               << "12.50";
        QTest::newRow("zero") << "0"
                              << "0";
        QTest::newRow("largest") << "99999.99"
                                 << "99999.99";
        QTest::newRow("spaces trimmed") << " 8.00 "
                                        << "8.00";
        QTest::newRow("too large") << "100000"
                                   << "0";
        QTest::newRow("just above the largest") << "99999.991"
                                                << "0";
        QTest::newRow("tiny exponent") << "2.97297e-39"
                                       << "0";
        QTest::newRow("huge exponent") << "2.37782e+13"
                                       << "0";
        QTest::newRow("negative") << "-1"
                                  << "0";
        QTest::newRow("grouped") << "1,000"
                                 << "0";
        QTest::newRow("text") << "包邮"
                              << "0";
        QTest::newRow("empty") << ""
                               << "0";
        QTest::newRow("point only") << "."
                                    << "0";
        QTest::newRow("zero default of the older layout") << "00.000000"
                                                          << "0.000000";
    }

    void fee() {
        QFETCH(QString, text);
        QTEST(Taobao5Mapping::fee(text), "fee");
    }

    void plainNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number");
        QTest::newRow("decimal kept as written") << "12.500000"
                                                 << "12.500000";
        QTest::newRow("negative kept") << "-3"
                                       << "-3";
        QTest::newRow("leading zeros dropped") << "-007.50"
                                               << "-7.50";
        QTest::newRow("exponent spelled out") << "1.5e3"
                                              << "1500";
        QTest::newRow("large exponent") << "2.37782e+13"
                                        << "23778200000000";
        QTest::newRow("tiny exponent") << "2.97297e-39"
                                       << "0";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("not a number") << " abc "
                                      << "abc";
    }

    void plainNumber() {
        QFETCH(QString, text);
        QTEST(Taobao5Mapping::plainNumber(text), "number");
    }

    void picture_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("expected");

        const QString twoPictures = u"aaa:1:1:|http://img.example/a.jpg;bbb:1:0:|http://img.example/b.jpg;"_s;
        QTest::newRow("position 0 wins over the first listed")
            << twoPictures << QStringList{u"aaa"_s, u"bbb"_s} << u"bbb"_s;
        QTest::newRow("no position 0: first listed")
            << u"aaa:1:2:|;bbb:1:1:|;"_s << QStringList{u"aaa"_s, u"bbb"_s} << u"aaa"_s;
        QTest::newRow("file missing") << twoPictures << QStringList{u"aaa"_s} << QString();
        QTest::newRow("name only") << u"ccc"_s << QStringList{u"ccc"_s} << u"ccc"_s;
        QTest::newRow("empty field") << QString() << QStringList{u"aaa"_s} << QString();
        QTest::newRow("name leaving the folder")
            << u"../secret:1:0:|;"_s << QStringList{u"../secret"_s} << QString();
    }

    void picture() {
        QFETCH(QString, field);
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString csv = dir.filePath(u"店铺.csv"_s);
        QVERIFY(QDir().mkpath(dir.filePath(u"店铺"_s)));
        for (const QString& name : files)
            writeBytes(dir.filePath(u"店铺/"_s + name + u".tbi"_s), "\xFF\xD8 picture");
        const QString path = expected.isEmpty() ? QString() : dir.filePath(u"店铺/"_s + expected + u".tbi"_s);
        QCOMPARE(Taobao5Mapping::localPicturePath(field, csv), path);
        const ItemRecord record = Taobao5Mapping::toItemRecord(item({{F::Picture, field}}), csv);
        QCOMPARE(record.picture, path);
    }

    void descriptionQuotesBecomeApostrophes_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("inRecord");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("quotes in every position of a step") << u"\"a\"\"b\"\"\"\"c\"d"_s << u"'a''b''''c'd"_s;
        QTest::newRow("neighbours of the quote kept")
            << u"!#&'\u0122\u2022\uFF02\u8022\u0023\""_s << u"!#&'\u0122\u2022\uFF02\u8022\u0023'"_s;
        QTest::newRow("no quotes, odd length") << u"宝贝描述𠀀x"_s << u"宝贝描述𠀀x"_s;
    }

    void descriptionQuotesBecomeApostrophes() {
        QFETCH(QString, description);
        QTEST(Taobao5Mapping::toItemRecord(item({{F::Description, description}}), QString()).description,
              "inRecord");
    }

    void feedsTheMappingsAsAnOldLayoutLine() {
        // The same item in the old layout and in the current one converts to the same PaiPai row.
        const Taobao5Record current = item({{F::Title, u"连衣裙 &amp; \"新款\""_s},
                                            {F::Cid, u"50010850"_s},
                                            {F::StuffStatus, u"1"_s},
                                            {F::ItemType, u"1"_s},
                                            {F::Price, u"99.00"_s},
                                            {F::AuctionIncrement, u"0"_s},
                                            {F::Num, u"5"_s},
                                            {F::ValidThru, u"7"_s},
                                            {F::FreightPayer, u"2"_s},
                                            {F::PostFee, u"10.00"_s},
                                            {F::EmsFee, u"2.97297e-39"_s},
                                            {F::ExpressFee, u"15.00"_s},
                                            {F::Description, u"<p align=\"center\">第一行\n第二行</p>"_s}});
        ItemRecord oldLine = ItemRecord::fromValues(taobaoHeaderNames().split(u'\t'));
        oldLine[ItemRecord::Field::Title] = u"连衣裙 &amp; \"新款\""_s;
        oldLine[ItemRecord::Field::Category] = u"50010850"_s;
        oldLine[ItemRecord::Field::Condition] = u"5"_s;
        oldLine[ItemRecord::Field::SaleType] = u"b"_s;
        oldLine[ItemRecord::Field::Price] = u"99.00"_s;
        oldLine[ItemRecord::Field::Increment] = u"0"_s;
        oldLine[ItemRecord::Field::Quantity] = u"5"_s;
        oldLine[ItemRecord::Field::Duration] = u"7"_s;
        oldLine[ItemRecord::Field::FreightPayer] = u"1"_s;
        oldLine[ItemRecord::Field::PostFee] = u"10.00"_s;
        oldLine[ItemRecord::Field::ExpressFee] = u"15.00"_s;
        oldLine[ItemRecord::Field::Description] = u"<p align='center'>第一行第二行</p>"_s;
        oldLine[ItemRecord::Field::Picture] = QString();
        const ItemRecord record = Taobao5Mapping::toItemRecord(current, QString());
        QCOMPARE(paipaiRowOf(record.values()), paipaiRowOf(oldLine.values()));
        QCOMPARE(record.emsFee, u"0"_s);
    }

    void otherFieldsBothWays() {
        ItemRecord record;
        record.title = u"a \"b\"\tc"_s;
        record.category = u"0 "_s;
        record.province = u"浙江"_s;
        record.city = u"杭州"_s;
        record.price = u"1e2"_s;
        record.quantity = u"10"_s;
        record.postFee = u"2.37782e+13"_s;
        record.invoice = u"1"_s;
        record.warranty = u"0"_s;
        record.putInStore = u"0"_s;
        record.shopWindow = u"1"_s;
        record.startTime = u"1980-01-01 00:00:00"_s;
        record.description = u"<b>x</b>"_s;
        record.attributes = u"20000:3275069"_s;
        record.postageTemplateId = u"0 "_s;
        record.memberDiscount = u"1"_s;
        const Taobao5Record current = Taobao5Mapping::fromItemRecord(record);
        QCOMPARE(current[F::Title], u"a \"b\"\tc"_s);
        QCOMPARE(current[F::Cid], u"0"_s);
        QCOMPARE(current[F::LocationState], u"浙江"_s);
        QCOMPARE(current[F::LocationCity], u"杭州"_s);
        QCOMPARE(current[F::Price], u"100"_s);
        QCOMPARE(current[F::PostFee], u"0"_s);
        QCOMPARE(current[F::HasInvoice], u"1"_s);
        QCOMPARE(current[F::HasWarranty], u"0"_s);
        QCOMPARE(current[F::HasShowcase], u"1"_s);
        QCOMPARE(current[F::ListTime], QString());
        QCOMPARE(current[F::Description], u"<b>x</b>"_s);
        QCOMPARE(current[F::CateProps], u"20000:3275069"_s);
        QCOMPARE(current[F::PostageId], u"0"_s);
        QCOMPARE(current[F::HasDiscount], u"1"_s);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestTaobao5Mapping)
#include "tst_taobao5mapping.moc"
