#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestE2ePaiPai : public QObject {
    Q_OBJECT

private slots:
    void extractsShop_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("Taobao Assistant") << u"taobao"_s;
        QTest::newRow("PaiPai Assistant") << u"paipai"_s;
        QTest::newRow("eBay Assistant") << u"ebay"_s;
    }

    void extractsShop() {
        QFETCH(QString, format);
        FixtureWebServer server(fixturePath(u"web"_s));
        QVERIFY(server.start());
        server.useAsProxy();

        ExtractRun run;
        run.start({u"--platform"_s, u"paipai"_s, u"--format"_s, format},
                  u"http://shop.paipai.com/20090301/"_s);
        const int exitCode = run.finish();
        QVERIFY2(exitCode == 0, run.process.readAllStandardError().constData());
        const QString difference =
            run.differenceFromExpected(outputName(u"PaiPai_20090301"_s, u"paipai"_s, format), format,
                                       fixturePath(u"expected/paipai_20090301.%1.csv"_s.arg(format)));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));

        // The pictures of the two parsed items are stored beside the output file; the untitled item
        // is dropped before its picture is fetched.
        const QString pictures = outputName(u"PaiPai_20090301"_s, u"paipai"_s, format).chopped(4);
        QCOMPARE(QDir(run.file(pictures)).entryList(QDir::Files).size(), 2);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestE2ePaiPai)
#include "tst_e2e_paipai.moc"
