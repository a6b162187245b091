#include "formats/AssistantFormat.h"
#include "formats/OutputJournal.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "support/TestMain.h"

#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"

#include <QFile>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

struct Format {
    QString argument; // --format value, also the suffix of the expected file
    FileFormat format;
};

// Every item waits its full second, so the formats always run side by side.
const Format kFormats[] = {{u"taobao"_s, FileFormat::TaobaoAssistant},
                           {u"ebay"_s, FileFormat::EbayAssistant},
                           {u"paipai"_s, FileFormat::PaiPaiAssistant}};
constexpr int kFormatCount = 3;
// The current Taobao layout and the store files write files of their own names.
const Format kAllFormats[] = {
    {u"taobao"_s, FileFormat::TaobaoAssistant}, {u"ebay"_s, FileFormat::EbayAssistant},
    {u"paipai"_s, FileFormat::PaiPaiAssistant}, {u"taobao5"_s, FileFormat::TaobaoAssistant5},
    {u"shopify"_s, FileFormat::Shopify},        {u"woocommerce"_s, FileFormat::WooCommerce}};

QString outputOf(const Format& format, const QString& shop) {
    return outputName(u"Taobao_"_s + shop, u"taobao"_s, format.argument);
}

} // namespace

class TestE2eTaobao : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(kestruneBinary()));
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    // Three different pictures the site names alike in three folders are three files, each row
    // naming its own; a web page served in a picture's place is no picture, and the ending says so.
    void picturesArePictures() {
        ExtractRun run;
        run.start(
            {u"--platform"_s, u"taobao"_s, u"--format"_s, u"taobao"_s, u"--log"_s, run.file(u"run.log"_s)},
            u"http://shop77774444.taobao.com/"_s);
        QCOMPARE(run.finish(), 0);
        const QString err = QString::fromUtf8(run.process.readAllStandardError());
        QVERIFY2(err.contains(u"全部采集完成：共4个宝贝"_s) && err.contains(u"；1张图片未能保存"_s),
                 qPrintable(err));

        const QDir pictures(run.file(u"Taobao_77774444"_s));
        QCOMPARE(pictures.entryList(QDir::Files),
                 (QStringList{u"same.jpg"_s, u"same_2.jpg"_s, u"same_3.jpg"_s}));
        const QString site = fixturePath(u"web/img01.taobaocdn.com/bao/uploaded/"_s);
        const QString text = decodeOutput(fileBytes(run.file(u"Taobao_77774444.csv"_s)), u"taobao"_s);
        const QStringList rows = text.split(u"\r\n"_s).mid(1, 4);
        const QStringList names{u"same.jpg"_s, u"same_2.jpg"_s, u"same_3.jpg"_s};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(fileBytes(pictures.filePath(names[i])), fileBytes(site + u"i%1/same.jpg"_s.arg(i + 1)));
            QVERIFY2(rows.at(i).contains(QDir::toNativeSeparators(pictures.filePath(names[i])) + u'"'),
                     qPrintable(rows.at(i)));
        }
        QVERIFY(QString::fromUtf8(fileBytes(run.file(u"run.log"_s)))
                    .contains(u" 图片 不是图片：notfound.jpg "_s));
    }

    void extractEachFormat() {
        constexpr int kCount = std::size(kAllFormats);
        ExtractRun runs[kCount];
        for (int i = 0; i < kCount; ++i)
            runs[i].start({u"--platform"_s, u"taobao"_s, u"--format"_s, kAllFormats[i].argument},
                          u"http://shop11112222.taobao.com/"_s);

        QStringList differences;
        for (int i = 0; i < kCount; ++i) {
            const Format& format = kAllFormats[i];
            const QString output = outputOf(format, u"11112222"_s);
            ExtractRun& run = runs[i];
            const int exitCode = run.finish();
            QVERIFY2(exitCode == 0, run.process.readAllStandardError().constData());
            const QString out = QString::fromUtf8(run.process.readAllStandardOutput());
            QVERIFY2(out.contains(QDir::toNativeSeparators(run.file(output))), qPrintable(out));
            QVERIFY2(out.contains(u"已写入7个宝贝"_s), qPrintable(out));
            // The run finished the shop, so no journal stays behind.
            QVERIFY(!QFile::exists(OutputJournal::pathFor(run.file(output))));

            const QString difference = run.differenceFromExpected(
                output, format.argument,
                fixturePath(u"expected/taobao_shop11112222.%1.csv"_s.arg(format.argument)));
            if (!difference.isEmpty())
                differences.append(difference);
        }
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    }

    // Each format's shop is killed during its third item's download, then resumed: every item
    // once, in shop order.
    void killAndResumeEachFormat() {
        const int firstItems[] = {3001, 3005, 3009};
        const QString shops[] = {u"77771111"_s, u"77772222"_s, u"77773333"_s};
        auto item = [](int id) { return u"http://item.taobao.com/item.htm?id=%1"_s.arg(id); };
        auto output = [&](int i) -> QString {
            return outputName(u"Taobao_"_s + shops[i], u"taobao"_s, kFormats[i].argument);
        };

        ExtractRun runs[kFormatCount];
        for (int i = 0; i < kFormatCount; ++i) {
            m_server.setSlowBody(item(firstItems[i] + 2), 20, 250);
            runs[i].start({u"--platform"_s, u"taobao"_s, u"--format"_s, kFormats[i].argument},
                          u"http://shop%1.taobao.com/"_s.arg(shops[i]));
        }
        for (int i = 0; i < kFormatCount; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().contains(item(firstItems[i] + 2)), 60000);
        QThread::msleep(300);
        for (ExtractRun& run : runs) {
            run.process.kill();
            run.process.waitForFinished();
        }
        m_server.clearBehaviours();

        for (int i = 0; i < kFormatCount; ++i) {
            // Two items were done, and on disk only in the journal, when the third was cut off.
            SettingsStore settings(runs[i].file(u"Kestrune.ini"_s));
            QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum), u"2"_s);
            QVERIFY(QFile::exists(OutputJournal::pathFor(runs[i].file(output(i)))));
            QVERIFY(!QFile::exists(runs[i].file(output(i))));
            runs[i].start({u"--resume"_s});
        }

        for (int i = 0; i < kFormatCount; ++i) {
            const int exitCode = runs[i].finish();
            QVERIFY2(exitCode == 0, runs[i].process.readAllStandardError().constData());
            const QString text = decodeOutput(fileBytes(runs[i].file(output(i))), kFormats[i].argument);
            // Each row names its picture once, and the picture is named after the item.
            qsizetype previous = -1;
            for (int id = firstItems[i]; id < firstItems[i] + 4; ++id) {
                const QString picture = u"T1a%1XXXXXXXX.jpg"_s.arg(id);
                QVERIFY2(text.count(picture) == 1, qPrintable(picture + u" in:\n"_s + text));
                const qsizetype at = text.indexOf(picture);
                QVERIFY2(at > previous, qPrintable(picture));
                previous = at;
            }
            // A resumed file keeps its one header line, in every format.
            QCOMPARE(text.count(AssistantFormat::forFormat(kFormats[i].format).headerLine()), 1);
        }
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestE2eTaobao)
#include "tst_e2e_taobao.moc"
