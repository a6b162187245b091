#include "base/KillPoint.h"
#include "formats/OutputJournal.h"

#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// The real program killed between writing its output and removing the journal, then again in the
// middle of the next start's recovery: the file still holds every item exactly once.
class TestE2eRecovery : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

    static void killAt(ExtractRun& run, const char* moment) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (moment)
            environment.insert(u"KESTRUNE_KILL_AT"_s, QString::fromLatin1(moment));
        else
            environment.remove(u"KESTRUNE_KILL_AT"_s);
        run.process.setProcessEnvironment(environment);
    }

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(kestruneBinary()));
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void killedWhileWritingAndRecovering_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("output");
        QTest::newRow("Taobao Assistant") << u"taobao"_s << u"Taobao_11112222.csv"_s;
        QTest::newRow("PaiPai Assistant") << u"paipai"_s << u"Taobao_11112222_PaiPai.csv"_s;
        QTest::newRow("eBay Assistant") << u"ebay"_s << u"Taobao_11112222_eBay.csv"_s;
        QTest::newRow("current Taobao Assistant") << u"taobao5"_s << u"Taobao_11112222_Taobao5.csv"_s;
    }

    void killedWhileWritingAndRecovering() {
        QFETCH(QString, format);
        QFETCH(QString, output);
        ExtractRun run;
        killAt(run, KillPoint::kBatchWritten);
        run.start({u"--platform"_s, u"taobao"_s, u"--format"_s, format},
                  u"http://shop11112222.taobao.com/"_s);
        QCOMPARE(run.finish(), -1);
        const QString journal = OutputJournal::pathFor(run.file(output));
        QVERIFY(QFile::exists(run.file(output)));
        QVERIFY(QFile::exists(journal));

        // Each start recovers before it looks for a breakpoint; the finished shop left none.
        killAt(run, KillPoint::kRecoveryWritten);
        run.start({u"--resume"_s});
        QCOMPARE(run.finish(), -1);
        QVERIFY(QFile::exists(journal));

        killAt(run, nullptr);
        run.start({u"--resume"_s});
        run.finish();
        QVERIFY(!QFile::exists(journal));
        const QString difference = run.differenceFromExpected(
            output, format, fixturePath(u"expected/taobao_shop11112222.%1.csv"_s.arg(format)));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
};

QTEST_GUILESS_MAIN(TestE2eRecovery)
#include "tst_e2e_recovery.moc"
