#include "base/KillPoint.h"
#include "formats/OutputJournal.h"
#include "support/TestMain.h"

#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTest>

#include <csignal>

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

    // Killed with four rows in the journal (their keys and the breakpoint on disk), then the
    // journal is damaged before the next start: the resumed run ends with every item once, and
    // whatever recovery could not read back it says so and fetches again.
    void damagedJournalBetweenKillAndResume_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("told");
        QTest::newRow("intact") << u"none"_s << false;
        QTest::newRow("second row garbled") << u"garble"_s << true;
        QTest::newRow("cut short") << u"cut"_s << true;
    }

    void damagedJournalBetweenKillAndResume() {
        QFETCH(QString, damage);
        QFETCH(bool, told);
        const QString output = u"Taobao_11112222_PaiPai.csv"_s;
        ExtractRun run;
        killAt(run, nullptr);
        QProcessEnvironment environment = run.process.processEnvironment();
        environment.insert(u"KESTRUNE_PAUSE_SCALE"_s, u"0"_s);
        run.process.setProcessEnvironment(environment);
        const QString fifth = u"http://item.taobao.com/item.htm?id=1006"_s;
        m_server.setSlowBody(fifth, 10, 1000);
        m_server.clearRequestedAddresses();
        run.start({u"--platform"_s, u"taobao"_s, u"--format"_s, u"paipai"_s},
                  u"http://shop11112222.taobao.com/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().contains(fifth), 30000);
        run.process.kill();
        run.finish();
        m_server.clearBehaviours();

        const QString journal = OutputJournal::pathFor(run.file(output));
        QFile file(journal);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 6); // the version line, four rows, nothing after the last line end
        if (damage == u"garble")
            lines[2][lines[2].size() / 2] ^= 0x20;
        else if (damage == u"cut")
            lines = lines.mid(0, 3);
        QVERIFY(file.resize(0));
        file.write(lines.join('\n'));
        file.close();

        run.start({u"--resume"_s});
        QCOMPARE(run.finish(), 0);
        const QString err = QString::fromUtf8(run.process.readAllStandardError());
        QCOMPARE(err.contains(u"恢复记录已损坏"_s), told);
        QVERIFY2(err.contains(u"全部采集完成"_s), qPrintable(err));
        // Every item once; an item fetched again comes after the rows recovered.
        const QString text = run.withDataDirMasked(decodeOutput(fileBytes(run.file(output)), u"paipai"_s));
        QStringList rows = text.split(u"\r\n"_s, Qt::SkipEmptyParts);
        QStringList expected =
            decodeOutput(fileBytes(fixturePath(u"expected/taobao_shop11112222.paipai.csv"_s)), u"paipai"_s)
                .split(u"\r\n"_s, Qt::SkipEmptyParts);
        rows.sort();
        expected.sort();
        QCOMPARE(rows, expected);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestE2eRecovery)
#include "tst_e2e_recovery.moc"
