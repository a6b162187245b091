#include "formats/AssistantFormat.h"
#include "formats/OutputJournal.h"
#include "formats/Taobao5Mapping.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "support/TestMain.h"
#include "text/EntityDecoder.h"

#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"
#include "support/Taobao5TestFiles.h"

#include <QFile>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// The rows of an expected older-layout Taobao Assistant file: every record field as the
// extraction gives it, the data folder still named "@DATA_DIR@".
QList<QStringList> olderLayoutRows(const QString& expectedPath) {
    const QString text = decodeOutput(fileBytes(expectedPath), u"taobao"_s).remove(QChar(0xFEFF));
    QList<QStringList> rows;
    const QStringList lines = text.split(u"\r\n"_s, Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i)
        rows.append(lines.at(i).split(u'\t'));
    return rows;
}

bool sameNumber(const QString& written, const QString& record) {
    if (written.isEmpty() || record.isEmpty())
        return written.isEmpty() && record.isEmpty();
    return written.toDouble() == record.toDouble();
}

// Each value of the layout against the record field it comes from; the names of those that
// differ, with both values.
QStringList differences(const Taobao5Record& item, const QStringList& record) {
    using F = Taobao5Field;
    using AssistantFormat::unquoted;
    QStringList found;
    const auto expect = [&](const char* name, const QString& written, const QString& wanted) {
        if (written != wanted)
            found.append(QString::fromLatin1(name) + u": "_s + written + u" instead of "_s + wanted);
    };
    const auto expectNumber = [&](const char* name, const QString& written, const QString& wanted) {
        if (!sameNumber(written, wanted))
            found.append(QString::fromLatin1(name) + u": "_s + written + u" instead of "_s + wanted);
    };
    // A fee the page did not give is written as 0.
    const auto expectFee = [&](const char* name, const QString& written, const QString& wanted) {
        expectNumber(name, written, wanted.isEmpty() ? u"0"_s : wanted);
    };
    const QHash<QString, QString> stuffStatus{{u"5"_s, u"1"_s}, {u"8"_s, u"2"_s}, {u"6"_s, u"3"_s}};
    expect("title", item[F::Title], decodeNamedEntities(unquoted(record[0])));
    expect("stuff_status", item[F::StuffStatus], stuffStatus.value(record[3]));
    expect("location_state", item[F::LocationState], unquoted(record[4]));
    expect("location_city", item[F::LocationCity], unquoted(record[5]));
    expect("item_type", item[F::ItemType], unquoted(record[6]) == u"a" ? u"2"_s : u"1"_s);
    expectNumber("price", item[F::Price], record[7]);
    expectNumber("auction_increment", item[F::AuctionIncrement], record[8]);
    expectNumber("num", item[F::Num], record[9]);
    expectNumber("valid_thru", item[F::ValidThru], record[10]);
    // The older layout says 2 for a seller who pays, the current one 1.
    expect("freight_payer", item[F::FreightPayer], record[11] == u"2" ? u"1"_s : u"2"_s);
    expectFee("post_fee", item[F::PostFee], record[12]);
    expectFee("ems_fee", item[F::EmsFee], record[13]);
    expectFee("express_fee", item[F::ExpressFee], record[14]);
    expect("has_invoice", item[F::HasInvoice], record[17]);
    expect("has_warranty", item[F::HasWarranty], record[18]);
    expect("approve_status", item[F::ApproveStatus], record[20]);
    expect("has_showcase", item[F::HasShowcase], record[21]);
    expect("description", item[F::Description], unquoted(record[24]));
    expect("cateProps", item[F::CateProps], unquoted(record[26]));
    expect("has_discount", item[F::HasDiscount], record[30]);
    return found;
}

} // namespace

// Shops of the three marketplaces extracted into today's Taobao Assistant layout, read back with
// the layout's own reader.
class TestE2eTaobao5 : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(kestruneBinary()));
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    // The older layout writes the record fields as they are, so its expected files tell what
    // every item holds.
    void extractedShopKeepsEveryField_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QString>("olderLayout");
        QTest::newRow("Taobao shop") << u"taobao"_s << u"http://shop11112222.taobao.com/"_s
                                     << u"Taobao_11112222"_s << u"taobao_shop11112222.taobao.csv"_s;
        QTest::newRow("PaiPai shop") << u"paipai"_s << u"http://shop.paipai.com/20090301/"_s
                                     << u"PaiPai_20090301"_s << u"paipai_20090301.taobao.csv"_s;
        QTest::newRow("eBay shop") << u"ebay"_s << u"http://stores.ebay.com.cn/QingShiXuan"_s
                                   << u"eBay_qingshixuan"_s << u"eBay_qingshixuan.taobao.csv"_s;
    }

    void extractedShopKeepsEveryField() {
        QFETCH(QString, platform);
        QFETCH(QString, address);
        QFETCH(QString, baseName);
        QFETCH(QString, olderLayout);
        const QList<QStringList> records = olderLayoutRows(fixturePath(u"expected/"_s + olderLayout));
        QVERIFY(!records.isEmpty());

        ExtractRun run;
        run.start({u"--platform"_s, platform, u"--format"_s, u"taobao5"_s}, address);
        const int exitCode = run.finish();
        QVERIFY2(exitCode == 0, run.process.readAllStandardError().constData());
        const QString output = run.file(baseName + u"_Taobao5.csv"_s);
        const QString out = QString::fromUtf8(run.process.readAllStandardOutput());
        QVERIFY2(out.contains(QDir::toNativeSeparators(output)), qPrintable(out));
        QVERIFY2(out.contains(u"已写入%1个宝贝"_s.arg(records.size())), qPrintable(out));

        const QByteArray bytes = fileBytes(output);
        QVERIFY(bytes.startsWith(QByteArray("\xFF\xFEv\0e\0r\0s\0i\0o\0n\0", 16)));
        const QList<Taobao5Record> items = readTaobao5Items(output);
        QCOMPARE(items.size(), records.size());
        const QString folder = run.file(baseName + u"_Taobao5"_s);
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QStringList found = differences(items[i], records[i]);
            QVERIFY2(found.isEmpty(), qPrintable(u"item %1: "_s.arg(i + 1) + found.join(u"; "_s)));

            // The picture the extraction downloaded travels as NAME.tbi beside the file.
            const QString downloaded =
                QDir(folder).filePath(QFileInfo(AssistantFormat::unquoted(records[i][25])).fileName());
            const QString stored = Taobao5Mapping::localPicturePath(items[i][Taobao5Field::Picture], output);
            if (!QFileInfo(downloaded).isFile()) {
                QCOMPARE(items[i][Taobao5Field::Picture], QString());
                continue;
            }
            QVERIFY2(!stored.isEmpty(), qPrintable(items[i][Taobao5Field::Picture]));
            QVERIFY(stored.endsWith(u".tbi"_s));
            QCOMPARE(fileBytes(stored), fileBytes(downloaded));
            QCOMPARE(items[i][Taobao5Field::PictureStatus], u"2;"_s);
        }
    }

    // Killed during its third item's download, then resumed: the file holds one header and
    // every item once, in shop order.
    void resumedExtractionAppendsRowsOnly() {
        const QString slowItem = u"http://item.taobao.com/item.htm?id=3003"_s;
        const QString output = u"Taobao_77771111_Taobao5.csv"_s;
        m_server.setSlowBody(slowItem, 20, 250);
        ExtractRun run;
        run.start({u"--platform"_s, u"taobao"_s, u"--format"_s, u"taobao5"_s},
                  u"http://shop77771111.taobao.com/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().contains(slowItem), 60000);
        QThread::msleep(300);
        run.process.kill();
        run.process.waitForFinished();
        m_server.clearBehaviours();

        SettingsStore settings(run.file(u"Kestrune.ini"_s));
        QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum), u"2"_s);
        QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointOption), u"3"_s);
        QVERIFY(QFile::exists(OutputJournal::pathFor(run.file(output))));

        run.start({u"--resume"_s});
        const int exitCode = run.finish();
        QVERIFY2(exitCode == 0, run.process.readAllStandardError().constData());
        const QByteArray bytes = fileBytes(run.file(output));
        QCOMPARE(bytes.count(QByteArray("v\0e\0r\0s\0i\0o\0n\0 \0001\0.\0000\0000\0", 24)), 1);
        QCOMPARE(bytes.count("\xFF\xFE"), 1);
        const QList<Taobao5Record> items = readTaobao5Items(run.file(output));
        QStringList titles;
        for (const Taobao5Record& item : items)
            titles.append(item[Taobao5Field::Title]);
        QCOMPARE(titles, (QStringList{u"帆布鞋 1号"_s, u"雪地靴 2号"_s, u"平底单鞋 3号"_s, u"凉鞋 4号"_s}));
        for (const Taobao5Record& item : items)
            QVERIFY(
                !Taobao5Mapping::localPicturePath(item[Taobao5Field::Picture], run.file(output)).isEmpty());
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestE2eTaobao5)
#include "tst_e2e_taobao5.moc"
