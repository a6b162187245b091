#include "formats/AssistantFormat.h"
#include "formats/ConversionMapping.h"
#include "formats/CsvReader.h"
#include "formats/GbkFileWriter.h"
#include "formats/Taobao5Mapping.h"
#include "formats/Taobao5Pictures.h"
#include "formats/Taobao5Reader.h"
#include "formats/Taobao5Writer.h"
#include "support/Taobao5TestFiles.h"
#include "support/TestMain.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using F = Taobao5Field;

namespace {

const QByteArray kJpeg("\xFF\xD8\xFF\xE0 a small picture", 21);

QString decodeUtf16(const QByteArray& bytes) {
    return QStringDecoder(QStringConverter::Utf16LE).decode(bytes);
}

// Writes the items to path (appending when the file is there) the way an extraction run would.
bool writeItems(const QString& path, const QList<Taobao5Record>& items) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    Taobao5Writer writer(&file);
    writer.writeHeaderIfNew();
    for (const Taobao5Record& item : items)
        writer.writeRecord(item);
    return writer.finish();
}

} // namespace

class TestTaobao5Writer : public QObject {
    Q_OBJECT

private slots:
    void header() {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        Taobao5Writer writer(&buffer);
        writer.writeHeaderIfNew();
        QVERIFY(writer.finish());

        QVERIFY(bytes.startsWith("\xFF\xFE"));
        const QStringList lines = decodeUtf16(bytes.mid(2)).split(u'\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), u"version 1.00"_s);
        // The names as the assistant of 2016 writes them, in its order.
        QCOMPARE(
            lines.at(1).split(u'\t'),
            u"title cid seller_cids stuff_status location_state location_city item_type price "
            u"auction_increment "
            "num valid_thru freight_payer post_fee ems_fee express_fee has_invoice has_warranty "
            "approve_status "
            "has_showcase list_time description cateProps postage_id has_discount modified upload_fail_msg "
            "picture_status auction_point picture video skuProps inputPids inputValues outer_id propAlias "
            "auto_fill num_id local_cid navigation_type user_name syncStatus is_lighting_consigment "
            "is_xinpin "
            "foodparame features buyareatype global_stock_type global_stock_country sub_stock_type item_size "
            "item_weight sell_promise custom_design_flag wireless_desc barcode sku_barcode newprepay "
            "subtitle "
            "cpv_memo input_custom_cpv qualification add_qualification o2o_bind_service"_s.split(u' '));
        const QStringList captions = lines.at(2).split(u'\t');
        QCOMPARE(captions.size(), 63);
        QCOMPARE(captions.front(), u"宝贝名称"_s);
        QCOMPARE(captions.at(int(F::SkuBarcode)), u"sku 条形码"_s);
        QCOMPARE(captions.back(), u"关联线下服务"_s);
        QCOMPARE(lines.at(3), QString());
    }

    void values_data() {
        QTest::addColumn<F>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");

        QTest::newRow("text quoted") << F::Title << u"连衣裙"_s << u"\"连衣裙\""_s;
        QTest::newRow("inner quotes doubled")
            << F::Description << u"<p align=\"center\">"_s << u"\"<p align=\"\"center\"\">\""_s;
        QTest::newRow("line breaks and TABs kept in quotes")
            << F::Description << u"a\r\n\tb"_s << u"\"a\r\n\tb\""_s;
        QTest::newRow("empty text") << F::OuterId << QString() << u"\"\""_s;
        QTest::newRow("number bare") << F::Price << u"12.50"_s << u"12.50"_s;
        QTest::newRow("empty number") << F::Num << QString() << QString();
        QTest::newRow("exponent spelled out") << F::Price << u"1.5E+3"_s << u"1500"_s;
        QTest::newRow("garbage fee") << F::PostFee << u"2.97297e-39"_s << u"0"_s;
        QTest::newRow("fee too large") << F::ExpressFee << u"2.37782e+13"_s << u"0"_s;
        QTest::newRow("fee kept") << F::EmsFee << u"20.00"_s << u"20.00"_s;
        QTest::newRow("no number at all kept in quotes") << F::Cid << u"a\t\"b\""_s << u"\"a\t\"\"b\"\"\""_s;
    }

    void values() {
        QFETCH(F, field);
        QFETCH(QString, value);
        QFETCH(QString, written);
        Taobao5Record item;
        item[field] = value;
        const QString row = Taobao5Writer::rowText(item);
        QVERIFY(row.endsWith(u'\n'));
        // The value stands where the field's column is, whatever it holds.
        Taobao5Reader reader;
        QByteArray bytes = utf16WithMark(Taobao5Layout::headerText() + row);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY(reader.open(&buffer));
        Taobao5Record back;
        QVERIFY(reader.readRecord(&back));
        QVERIFY(!reader.readRecord(&back));
        QCOMPARE(back[field], AssistantFormat::isWellFormedQuotedField(written)
                                  ? AssistantFormat::unquoted(written)
                                  : written);
        QVERIFY2(row.contains(written), qPrintable(row.left(200)));
    }

    void appendingWritesOneHeader() {
        // A resumed extraction appends to the file of its first run.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Taobao_1.csv"_s);
        Taobao5Record first;
        first[F::Title] = u"一"_s;
        Taobao5Record second;
        second[F::Title] = u"二"_s;
        QVERIFY(writeItems(path, {first}));
        QVERIFY(Taobao5Writer::canAppendTo(path));
        QVERIFY(writeItems(path, {second}));

        const QByteArray bytes = readBytes(path);
        QCOMPARE(bytes.count("\xFF\xFE"), 1);
        QCOMPARE(decodeUtf16(bytes).count(u"version 1.00"_s), 1);
        const QList<Taobao5Record> items = readTaobao5Items(path);
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0)[F::Title], u"一"_s);
        QCOMPARE(items.at(1)[F::Title], u"二"_s);
    }

    void appendingAfterACutOffRow() {
        // A run that died mid-row left no line end: the next row still starts on its own line.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Taobao_1.csv"_s);
        Taobao5Record first;
        first[F::Title] = u"一"_s;
        QVERIFY(writeItems(path, {first}));
        QByteArray bytes = readBytes(path);
        bytes.chop(2);
        writeBytes(path, bytes);
        Taobao5Record second;
        second[F::Title] = u"二"_s;
        QVERIFY(writeItems(path, {second}));
        const QList<Taobao5Record> items = readTaobao5Items(path);
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(1)[F::Title], u"二"_s);
    }

    void canAppendTo_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("appendable");
        QTest::newRow("current layout, UTF-16LE") << utf16WithMark(Taobao5Layout::headerText()) << true;
        QTest::newRow("current layout, UTF-8") << Taobao5Layout::headerText().toUtf8() << false;
        QTest::newRow("old layout") << utf16WithMark(taobaoHeaderNames() + u"\r\n"_s) << false;
        QTest::newRow("empty file") << QByteArray() << false;
    }

    void canAppendTo() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_s);
        writeBytes(path, bytes);
        QTEST(Taobao5Writer::canAppendTo(path), "appendable");
        QVERIFY(!Taobao5Writer::canAppendTo(dir.filePath(u"absent.csv"_s)));
    }

    void picturesLandBesideTheFile() {
        QTemporaryDir dir;
        const QString source = dir.filePath(u"picture.jpg"_s);
        writeBytes(source, kJpeg);
        const QString output = dir.filePath(u"out/店铺.csv"_s);
        QVERIFY(QDir().mkpath(dir.filePath(u"out"_s)));

        const QString name = Taobao5Pictures::storeFile(source, output);
        QCOMPARE(name.size(), 32);
        QCOMPARE(readBytes(dir.filePath(u"out/店铺/"_s + name + u".tbi"_s)), kJpeg);
        // The same picture again is the same file.
        QCOMPARE(Taobao5Pictures::storeBytes(kJpeg, output), name);
        QCOMPARE(QDir(dir.filePath(u"out/店铺"_s)).entryList(QDir::Files).size(), 1);

        Taobao5Record item;
        Taobao5Pictures::attach(&item, name);
        QCOMPARE(item[F::Picture], name + u":1:0:|;"_s);
        QCOMPARE(item[F::PictureStatus], u"2;"_s);
        QCOMPARE(Taobao5Mapping::localPicturePath(item[F::Picture], output),
                 dir.filePath(u"out/店铺/"_s + name + u".tbi"_s));

        QCOMPARE(Taobao5Pictures::storeFile(dir.filePath(u"absent.jpg"_s), output), QString());
        Taobao5Pictures::attach(&item, QString());
        QCOMPARE(item[F::Picture], QString());
        QCOMPARE(item[F::PictureStatus], QString());
    }

    void extractionKeepsEveryFieldTheLayoutHas_data() {
        QTest::addColumn<QStringList>("values");
        const auto record = [](const QString& condition, const QString& saleType, const QString& freightPayer,
                               const QString& province, const QString& invoice) {
            QStringList values(ItemRecord::kFieldCount);
            values[0] = u"宝贝 \"一\""_s;
            values[1] = u"50010850"_s;
            values[3] = condition;
            values[4] = province;
            values[5] = u"杭州"_s;
            values[6] = saleType;
            values[7] = u"12.50"_s;
            values[8] = u"1.00"_s;
            values[9] = u"10"_s;
            values[10] = u"7"_s;
            values[11] = freightPayer;
            values[12] = u"10.00"_s;
            values[13] = u"25.00"_s;
            values[14] = u"15.00"_s;
            values[17] = invoice;
            values[18] = u"1"_s;
            values[20] = u"0"_s;
            values[21] = u"1"_s;
            values[22] = u"2009-03-01 10:00:00"_s;
            values[24] = u"<p>描述</p>"_s;
            values[26] = u"20000:3275069"_s;
            values[29] = u"123"_s;
            values[30] = u"0"_s;
            return values;
        };
        QTest::newRow("new, fixed price, seller pays") << record(u"5"_s, u"b"_s, u"2"_s, u"浙江"_s, u"1"_s);
        QTest::newRow("used, auction, buyer pays") << record(u"6"_s, u"a"_s, u"1"_s, QString(), u"0"_s);
        QTest::newRow("other condition") << record(u"8"_s, u"b"_s, u"1"_s, u"广东"_s, u"0"_s);
    }

    void extractionKeepsEveryFieldTheLayoutHas() {
        QFETCH(QStringList, values);
        const ItemRecord record = ItemRecord::fromValues(values);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Taobao_1.csv"_s);
        QVERIFY(writeItems(path, {Taobao5Mapping::fromItemRecord(record)}));
        const QList<Taobao5Record> items = readTaobao5Items(path);
        QCOMPARE(items.size(), 1);
        const ItemRecord back = Taobao5Mapping::toItemRecord(items.front(), path);
        // Fields the layout has no place for come back as the constants the parsers put.
        values[2] = u"0"_s;
        values[15] = u"0"_s;
        values[16] = u"1"_s;
        values[19] = u"1"_s;
        values[23] = QString();
        values[25] = QString();
        values[27] = u"0"_s;
        values[28] = u"0"_s;
        QCOMPARE(back.values(), values);
    }

    void roundTripThroughPaiPai() {
        // A current export, converted to PaiPai and back, keeps title, price, quantity,
        // description text and picture.
        QTemporaryDir dir;
        const QString source = dir.filePath(u"export.csv"_s);
        QVERIFY(QDir().mkpath(dir.filePath(u"export"_s)));
        writeBytes(dir.filePath(u"export/abc123.tbi"_s), kJpeg);
        QStringList names = taobao5Names();
        QStringList row;
        for (const QString& name : std::as_const(names)) {
            if (name == u"title")
                row.append(u"\"连衣裙, \"\"新款\"\"\""_s);
            else if (name == u"price")
                row.append(u"128.50"_s);
            else if (name == u"num")
                row.append(u"\"6\""_s);
            else if (name == u"description")
                row.append(u"\"<p>第一行</p>\n<p>第二行</p>\""_s);
            else if (name == u"picture")
                row.append(u"\"xyz:1:1:|http://img/x.jpg;abc123:1:0:|http://img/a.jpg;\""_s);
            else if (name == u"post_fee")
                row.append(u"2.97297e-39"_s);
            else
                row.append(u"\"\""_s);
        }
        writeBytes(source, utf16WithMark(taobao5Text(names, {row})));

        // Current layout -> PaiPai.
        const QString paipai = dir.filePath(u"paipai.csv"_s);
        {
            Taobao5Reader reader;
            QVERIFY(reader.open(source));
            GbkFileWriter output(paipai);
            QVERIFY(output.open());
            const AssistantLayout& layout = AssistantFormat::paipaiConverter();
            output.write(layout.headerLine());
            Taobao5Record item;
            while (reader.readRecord(&item))
                output.writeRow(layout, ConversionMapping::toPaiPai(ConversionMapping::rowFromRecord(
                                            Taobao5Mapping::toItemRecord(item, source))));
            QVERIFY(output.commit());
        }

        // PaiPai -> current layout.
        const AssistantLayout& layout = AssistantFormat::paipaiConverter();
        const QString back = dir.filePath(u"back.csv"_s);
        {
            CsvReader reader;
            QVERIFY(reader.open(paipai));
            QFile file(back);
            QVERIFY(file.open(QIODevice::WriteOnly));
            Taobao5Writer writer(&file);
            writer.writeHeaderIfNew();
            QStringList record;
            int count = 0;
            while (reader.readRecord(&record)) {
                const ItemRecord item = ItemRecord::fromValues(ConversionMapping::toTaobao(
                    ConversionMapping::rowFromLayout(layout, record, Platform::PaiPai)));
                Taobao5Record current = Taobao5Mapping::fromItemRecord(item);
                Taobao5Pictures::attach(&current, Taobao5Pictures::storeFile(item.picture, back));
                writer.writeRecord(current);
                ++count;
            }
            QCOMPARE(count, 1);
            QVERIFY(writer.finish());
        }

        const QList<Taobao5Record> items = readTaobao5Items(back);
        QCOMPARE(items.size(), 1);
        const Taobao5Record& item = items.front();
        QCOMPARE(item[F::Title], u"连衣裙, \"新款\""_s);
        QCOMPARE(item[F::Price].toDouble(), 128.5);
        QCOMPARE(item[F::Num], u"6"_s);
        QCOMPARE(item[F::Description], u"<p>第一行</p><p>第二行</p>"_s);
        QCOMPARE(item[F::PostFee], u"0.000000"_s);
        const QString picture = Taobao5Mapping::localPicturePath(item[F::Picture], back);
        QVERIFY(!picture.isEmpty());
        QCOMPARE(readBytes(picture), kJpeg);
        QCOMPARE(item[F::PictureStatus], u"2;"_s);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestTaobao5Writer)
#include "tst_taobao5writer.moc"
