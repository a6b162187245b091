#include "app/ExtractionSession.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/StartupSequence.h"
#include "formats/OutputJournal.h"
#include "support/ExtractionTestSupport.h"
#include "support/FakeWindow.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Result = StartupSequence::ResumeResult;
Q_DECLARE_METATYPE(StartupSequence::ResumeResult)

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStartupSequence : public QObject {
    Q_OBJECT

private slots:
    // Each row: the keys in the settings file ("-" = absent), whether the output file exists,
    // whether the offer is put (the command line's --resume loads without asking), the answer, and
    // what must follow.
    void offerResume_data() {
        QTest::addColumn<QStringList>("keys"); // BreakPoint, FileName, Url, Num, SO, Option
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<bool>("ask");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<Result>("result");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("platform");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("resumeNumber");

        const QString url = QStringLiteral("http://shop5.taobao.com");
        const QStringList offer{Messages::kResumeOffer};
        const QStringList none;
        const QStringList full{QStringLiteral("1"),
                               QStringLiteral("Taobao_5.csv"),
                               url,
                               QStringLiteral("12"),
                               QStringLiteral("2"),
                               QStringLiteral("1")};
        auto with = [&](int index, const QString& value) {
            QStringList keys = full;
            keys[index] = value;
            return keys;
        };

        QTest::newRow("no settings file") << QStringList() << false << true << true << Result::NoBreakPoint
                                          << none << none << 0 << 0 << "" << 0;
        QTest::newRow("finished run") << with(0, QStringLiteral("0")) << true << true << true
                                      << Result::NoBreakPoint << none << none << 0 << 0 << "" << 0;
        QTest::newRow("output file deleted")
            << full << false << true << true << Result::FileMissing << none
            << QStringList{Messages::kBreakPointFileMissing} << 0 << 0 << "" << 0;
        QTest::newRow("no file name")
            << with(1, QStringLiteral("-")) << true << true << true << Result::FileMissing << none
            << QStringList{Messages::kBreakPointFileMissing} << 0 << 0 << "" << 0;
        QTest::newRow("file name leaving the folder")
            << with(1, QStringLiteral("../Taobao_5.csv")) << true << true << true << Result::FileMissing
            << none << QStringList{Messages::kBreakPointFileMissing} << 0 << 0 << "" << 0;
        QTest::newRow("declined") << full << true << true << false << Result::Declined << offer << none << 0
                                  << 0 << "" << 0;
        QTest::newRow("accepted") << full << true << true << true << Result::Loaded << offer << none << 2 << 1
                                  << url << 12;
        QTest::newRow("address lost")
            << with(2, QStringLiteral("-")) << true << true << true << Result::AddressMissing << offer
            << QStringList{Messages::kResumeAddressLost} << 0 << 0 << "" << 12;
        QTest::newRow("number not a number") << with(3, QStringLiteral("abc")) << true << true << true
                                             << Result::Loaded << offer << none << 2 << 1 << url << 0;
        QTest::newRow("number missing") << with(3, QStringLiteral("-")) << true << true << true
                                        << Result::Loaded << offer << none << 2 << 1 << url << 0;
        QTest::newRow("platform out of range") << with(4, QStringLiteral("7")) << true << true << true
                                               << Result::Loaded << offer << none << 0 << 1 << url << 12;
        QTest::newRow("no platform, format ignored")
            << with(4, QStringLiteral("-")) << true << true << true << Result::Loaded << offer << none << 0
            << 0 << url << 12;
        QTest::newRow("loaded without asking")
            << full << true << false << false << Result::Loaded << none << none << 2 << 1 << url << 12;
        QTest::newRow("format not a number") << with(5, QStringLiteral("x")) << true << true << true
                                             << Result::Loaded << offer << none << 2 << 0 << url << 12;
    }

    void offerResume() {
        QFETCH(QStringList, keys);
        QFETCH(bool, fileExists);
        QFETCH(bool, ask);
        QFETCH(bool, answer);
        QFETCH(Result, result);
        QFETCH(QStringList, questions);
        QFETCH(QStringList, messages);
        QFETCH(int, platform);
        QFETCH(int, format);
        QFETCH(QString, address);
        QFETCH(int, resumeNumber);

        QTemporaryDir dir;
        FakeWindow window;
        window.answers = {answer};
        ExtractionSession session(window, dir.path());
        QVERIFY(writeBreakPointKeys(session.settings(), keys));
        if (fileExists) {
            QFile output(session.paths().inProgramDir(QStringLiteral("Taobao_5.csv")));
            QVERIFY(output.open(QIODevice::WriteOnly));
        }
        const QByteArray settingsBefore = readAll(session.paths().settingsFile());

        StartupSequence startup(session);
        startup.applyRunStateDefaults();
        QCOMPARE(ask ? startup.offerResume() : startup.loadBreakPoint(), result);
        QCOMPARE(window.questions, questions);
        QCOMPARE(window.messages, messages);
        QCOMPARE(window.platform, platform);
        QCOMPARE(window.format, format);
        QCOMPARE(window.address, address);
        QCOMPARE(session.state().resumeItemNumber, resumeNumber);
        QCOMPARE(session.state().resumeShopUrl, result == Result::Loaded ? address : QString());
        QCOMPARE(session.state().autoSave, result == Result::Loaded ? 1 : 0);
        // Start-up only reads: a declined offer comes again next time.
        QCOMPARE(readAll(session.paths().settingsFile()), settingsBefore);
    }

    void recoveryWritesTheJournalAndSaysSo() {
        QTemporaryDir dir;
        FakeWindow window;
        ExtractionSession session(window, dir.path());
        const QString output = session.paths().inProgramDir(QStringLiteral("eBay_a.csv"));
        {
            OutputJournal journal;
            QVERIFY(journal.append(output, 1, false, 1, true, QStringLiteral("h\r\nrow1\r\n")));
            QVERIFY(journal.sync());
        }
        StartupSequence(session).recoverInterruptedOutput();
        QCOMPARE(window.messages.size(), 1);
        QVERIFY(window.messages.first().contains(u'1'));
        QVERIFY(QFile::exists(output));
        QVERIFY(!QFile::exists(OutputJournal::pathFor(output)));

        // Nothing left to recover: no message.
        window.messages.clear();
        StartupSequence(session).recoverInterruptedOutput();
        QVERIFY(window.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStartupSequence)
#include "tst_startupsequence.moc"
