#include "app/ExtractionSession.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/StartupSequence.h"
#include "support/ExtractionTestSupport.h"
#include "support/FakeWindow.h"
#include "support/WebTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Result = StartupSequence::ResumeResult;
Q_DECLARE_METATYPE(StartupSequence::ResumeResult)

class TestStartupSequence : public QObject {
    Q_OBJECT

private slots:
    // Each row: the keys in the settings file ("-" = absent), whether the output file exists,
    // whether the offer is put (the command line's --resume loads without asking), the answer, and
    // what must follow. The offer is the only question; a missing file or address the only message.
    void offerResume_data() {
        QTest::addColumn<QStringList>("keys"); // BreakPoint, FileName, Url, Num, SO, Option
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<bool>("ask");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<Result>("result");
        QTest::addColumn<int>("platform");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("resumeNumber");

        const QStringList full = QStringLiteral("1|Taobao_5.csv|http://shop5.taobao.com|12|2|1").split(u'|');
        auto with = [&](int index, const char* value) {
            QStringList keys = full;
            keys[index] = QString::fromUtf8(value);
            return keys;
        };

        addRow("no settings file", QStringList(), false, true, true, Result::NoBreakPoint, 0, 0, 0);
        addRow("finished run", with(0, "0"), true, true, true, Result::NoBreakPoint, 0, 0, 0);
        addRow("output file deleted", full, false, true, true, Result::FileMissing, 0, 0, 0);
        addRow("no file name", with(1, "-"), true, true, true, Result::FileMissing, 0, 0, 0);
        addRow("file name leaving the folder", with(1, "../Taobao_5.csv"), true, true, true,
               Result::FileMissing, 0, 0, 0);
        addRow("declined", full, true, true, false, Result::Declined, 0, 0, 0);
        addRow("accepted", full, true, true, true, Result::Loaded, 2, 1, 12);
        addRow("address lost", with(2, "-"), true, true, true, Result::AddressMissing, 0, 0, 12);
        addRow("number not a number", with(3, "abc"), true, true, true, Result::Loaded, 2, 1, 0);
        addRow("number missing", with(3, "-"), true, true, true, Result::Loaded, 2, 1, 0);
        addRow("platform out of range", with(4, "7"), true, true, true, Result::Loaded, 0, 1, 12);
        addRow("no platform, format ignored", with(4, "-"), true, true, true, Result::Loaded, 0, 0, 12);
        addRow("loaded without asking", full, true, false, false, Result::Loaded, 2, 1, 12);
        addRow("format not a number", with(5, "x"), true, true, true, Result::Loaded, 2, 0, 12);
    }

    void offerResume() {
        QFETCH(QStringList, keys);
        QFETCH(bool, fileExists);
        QFETCH(bool, ask);
        QFETCH(bool, answer);
        QFETCH(Result, result);
        QFETCH(int, platform);
        QFETCH(int, format);
        QFETCH(int, resumeNumber);
        const bool offered = ask && result != Result::NoBreakPoint && result != Result::FileMissing;
        const QString address =
            result == Result::Loaded ? QStringLiteral("http://shop5.taobao.com") : QString();
        QStringList messages;
        if (result == Result::FileMissing)
            messages << Messages::kBreakPointFileMissing;
        if (result == Result::AddressMissing)
            messages << Messages::kResumeAddressLost;

        QTemporaryDir dir;
        FakeWindow window;
        window.answers = {answer};
        ExtractionSession session(window, dir.path());
        QVERIFY(writeBreakPointKeys(session.settings(), keys));
        if (fileExists)
            putFileBytes(session.paths().inProgramDir(QStringLiteral("Taobao_5.csv")), "");
        const QByteArray settingsBefore = fileBytes(session.paths().settingsFile());

        StartupSequence startup(session);
        startup.applyRunStateDefaults();
        QCOMPARE(ask ? startup.offerResume() : startup.loadBreakPoint(), result);
        QCOMPARE(window.questions, offered ? QStringList{Messages::kResumeOffer} : QStringList());
        QCOMPARE(window.messages, messages);
        QCOMPARE(window.platform, platform);
        QCOMPARE(window.format, format);
        QCOMPARE(window.address, address);
        QCOMPARE(session.state().resumeItemNumber, resumeNumber);
        QCOMPARE(session.state().resumeShopUrl, result == Result::Loaded ? address : QString());
        QCOMPARE(session.state().autoSave, result == Result::Loaded ? 1 : 0);
        // Start-up only reads: a declined offer comes again next time.
        QCOMPARE(fileBytes(session.paths().settingsFile()), settingsBefore);
    }
};

QTEST_GUILESS_MAIN(TestStartupSequence)
#include "tst_startupsequence.moc"
