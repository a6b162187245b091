#include "formats/OutputBatch.h"
#include "run/Messages.h"
#include "run/SettingsKeys.h"
#include "run/StartupSequence.h"
#include "run/WrittenItemSet.h"
#include "support/ExtractionTestSupport.h"
#include "support/FakeWindow.h"
#include "support/TestMain.h"
#include "support/TestSession.h"
#include "support/WebTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<int>("resumeNumber");
        QTest::addColumn<QString>("question");

        const QStringList full = QStringLiteral("1|Taobao_5.csv|http://shop5.taobao.com|12|2|1").split(u'|');
        auto with = [&](int index, const char* value) {
            QStringList keys = full;
            keys[index] = QString::fromUtf8(value);
            return keys;
        };
        const QString address = QStringLiteral("http://shop5.taobao.com");
        const QString offer = Messages::resumeOffer(address, 12);
        const QString fresh = Messages::breakPointNumberUnreadable(QStringLiteral("Taobao_5.csv"));

        addRow("no settings file", QStringList(), false, true, true, Result::NoBreakPoint, Platform::PaiPai,
               FileFormat::TaobaoAssistant, 0, QString());
        addRow("finished run", with(0, "0"), true, true, true, Result::NoBreakPoint, Platform::PaiPai,
               FileFormat::TaobaoAssistant, 0, QString());
        addRow("output file deleted", full, false, true, true, Result::FileMissing, Platform::PaiPai,
               FileFormat::TaobaoAssistant, 0, QString());
        addRow("no file name", with(1, "-"), true, true, true, Result::FileMissing, Platform::PaiPai,
               FileFormat::TaobaoAssistant, 0, QString());
        addRow("file name leaving the folder", with(1, "../Taobao_5.csv"), true, true, true,
               Result::FileMissing, Platform::PaiPai, FileFormat::TaobaoAssistant, 0, QString());
        addRow("declined", full, true, true, false, Result::Declined, Platform::PaiPai,
               FileFormat::TaobaoAssistant, 0, offer);
        addRow("accepted", full, true, true, true, Result::Loaded, Platform::Taobao,
               FileFormat::EbayAssistant, 12, offer);
        addRow("address lost", with(2, "-"), true, true, true, Result::AddressMissing, Platform::PaiPai,
               FileFormat::TaobaoAssistant, 12, Messages::resumeOffer(QString(), 12));
        addRow("number missing", with(3, "-"), true, true, true, Result::Loaded, Platform::Taobao,
               FileFormat::EbayAssistant, 0, Messages::resumeOffer(address, 0));
        addRow("platform out of range", with(4, "7"), true, true, true, Result::Loaded, Platform::PaiPai,
               FileFormat::EbayAssistant, 12, offer);
        addRow("no platform, format ignored", with(4, "-"), true, true, true, Result::Loaded,
               Platform::PaiPai, FileFormat::TaobaoAssistant, 12, offer);
        addRow("loaded without asking", full, true, false, false, Result::Loaded, Platform::Taobao,
               FileFormat::EbayAssistant, 12, QString());
        // A number or a format that cannot be read is never continued from.
        addRow("number not a number, start again", with(3, "abc"), true, true, true, Result::FreshRun,
               Platform::Taobao, FileFormat::EbayAssistant, 0, fresh);
        addRow("number not a number, declined", with(3, "abc"), true, true, false, Result::Declined,
               Platform::PaiPai, FileFormat::TaobaoAssistant, 0, fresh);
        addRow("number unreadable, command line", with(3, "2.5"), true, false, false, Result::Declined,
               Platform::PaiPai, FileFormat::TaobaoAssistant, 0, fresh);
        addRow("format not a number", with(5, "x"), true, true, true, Result::FormatUnreadable,
               Platform::PaiPai, FileFormat::TaobaoAssistant, 0, QString());
        addRow("format out of range", with(5, "9"), true, true, true, Result::FormatUnreadable,
               Platform::PaiPai, FileFormat::TaobaoAssistant, 0, QString());
        addRow("format missing", with(5, "-"), true, true, true, Result::FormatUnreadable, Platform::PaiPai,
               FileFormat::TaobaoAssistant, 0, QString());
    }

    void offerResume() {
        QFETCH(QStringList, keys);
        QFETCH(bool, fileExists);
        QFETCH(bool, ask);
        QFETCH(bool, answer);
        QFETCH(Result, result);
        QFETCH(Platform, platform);
        QFETCH(FileFormat, format);
        QFETCH(int, resumeNumber);
        QFETCH(QString, question);
        const bool restored = result == Result::Loaded || result == Result::FreshRun;
        const QString address = restored ? QStringLiteral("http://shop5.taobao.com") : QString();
        QStringList messages;
        if (result == Result::FileMissing)
            messages << Messages::kBreakPointFileMissing;
        if (result == Result::AddressMissing)
            messages << Messages::kResumeAddressLost;
        if (result == Result::FormatUnreadable)
            messages << Messages::kBreakPointFormatUnreadable;

        QTemporaryDir dir;
        FakeWindow window;
        window.answers = {answer};
        TestSession session(window, dir.path());
        QVERIFY(writeBreakPointKeys(session.settings(), keys));
        if (fileExists)
            putFileBytes(session.paths().inProgramDir(QStringLiteral("Taobao_5.csv")), "");
        const QByteArray settingsBefore = fileBytes(session.paths().settingsFile());

        StartupSequence startup = session.startup();
        QCOMPARE(ask ? startup.offerResume() : startup.loadBreakPoint(), result);
        QCOMPARE(window.questions, question.isEmpty() ? QStringList() : QStringList{question});
        QCOMPARE(window.messages, messages);
        QCOMPARE(window.platform, platform);
        QCOMPARE(window.format, format);
        QCOMPARE(window.address, address);
        const ResumePoint loaded = startup.takeResumePoint();
        QCOMPARE(loaded.itemNumber, resumeNumber);
        QCOMPARE(loaded.shopUrl, result == Result::Loaded ? address : QString());
        // Handed to one run only.
        QVERIFY(startup.resumePoint().isEmpty());
        // Once loaded, the status line says how to go on.
        QCOMPARE(window.statusTexts, restored ? QStringList{Messages::kResumeLoaded} : QStringList());
        // Start-up only reads: a declined offer comes again next time.
        QCOMPARE(fileBytes(session.paths().settingsFile()), settingsBefore);
    }

    // A resume passes over the items the written-item list names: one that cannot say what the
    // output file holds is not resumed, and the question is whether to start the shop again.
    void listOfWrittenItemsChecked_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QByteArray>("list"); // null: none
        QTest::addColumn<bool>("ask");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<Result>("result");

        const QByteArray version = "KESTRUNE-ITEMS 2\n";
        const QByteArray ab = version + "a\nb\n\t2\t18572a97\n";
        addRow("list agrees", 2, ab, true, true, Result::Loaded);
        addRow("list agrees, command line", 2, ab, false, false, Result::Loaded);
        addRow("no rows yet, no list", 0, QByteArray(), true, true, Result::Loaded);
        addRow("earlier version's list agrees", 2, "a\nb\n"_ba, true, true, Result::Loaded);
        addRow("no list, start again", 2, QByteArray(), true, true, Result::FreshRun);
        addRow("no list, declined", 2, QByteArray(), true, false, Result::Declined);
        addRow("damaged list, start again", 2, version + "a\nc\n\t2\t18572a97\n", true, true,
               Result::FreshRun);
        addRow("list names fewer, command line", 2, version + "a\n\t1\tddeaa107\n", false, false,
               Result::Declined);
        addRow("list names more", 1, ab, true, true, Result::FreshRun);
        addRow("earlier version's list names fewer", 2, "a\n"_ba, true, true, Result::FreshRun);
    }

    void listOfWrittenItemsChecked() {
        QFETCH(int, rows);
        QFETCH(QByteArray, list);
        QFETCH(bool, ask);
        QFETCH(bool, answer);
        QFETCH(Result, result);

        QTemporaryDir dir;
        FakeWindow window;
        window.answers = {answer};
        TestSession session(window, dir.path());
        QVERIFY(writeBreakPointKeys(
            session.settings(), QStringLiteral("1|Taobao_5.csv|http://shop5.taobao.com|12|2|1").split(u'|')));
        const QString output = session.paths().inProgramDir(QStringLiteral("Taobao_5.csv"));
        QStringList titles;
        for (int i = 0; i < rows; ++i)
            titles << QString::number(i);
        QVERIFY(writeOutputBatch(output, FileFormat::EbayAssistant,
                                 testOutput(titles, FileFormat::EbayAssistant), false)
                    .ok());
        const QString listPath = WrittenItemSet::pathFor(output);
        if (!list.isNull())
            putFileBytes(listPath, list);

        StartupSequence startup = session.startup();
        QCOMPARE(ask ? startup.offerResume() : startup.loadBreakPoint(), result);
        const bool trusted = result == Result::Loaded;
        QStringList questions;
        if (!trusted)
            questions << Messages::writtenItemsUntrustedStartAgain(QStringLiteral("Taobao_5.csv"));
        else if (ask)
            questions << Messages::resumeOffer(QStringLiteral("http://shop5.taobao.com"), 12);
        QCOMPARE(window.questions, questions);
        QCOMPARE(startup.resumePoint().shopUrl,
                 trusted ? QStringLiteral("http://shop5.taobao.com") : QString());
        // Nothing is touched before the run: the fresh run replaces the file when it writes.
        QCOMPARE(fileBytes(listPath), list);
    }

    // BreakPointNum as the file holds it, byte for byte.
    void itemNumberAsWritten_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("number"); // -1: unreadable

        addRow("zero", "0"_ba, 0);
        addRow("plain", "23"_ba, 23);
        addRow("spaces around", " 23 "_ba, 23);
        addRow("leading zeros", "007"_ba, 7);
        addRow("nine digits", "999999999"_ba, 999999999);
        addRow("huge", "99999999999999999999"_ba, -1);
        addRow("beyond int", "2147483648"_ba, -1);
        addRow("negative", "-3"_ba, -1);
        addRow("plus sign", "+3"_ba, -1);
        addRow("letters", "abc"_ba, -1);
        addRow("fraction", "2.5"_ba, -1);
        addRow("exponent", "1e3"_ba, -1);
        addRow("NUL inside",
               QByteArray("1\0"
                          "2",
                          3),
               -1);
        addRow("invalid GBK", "1\xff"_ba, -1);
        addRow("full-width digits", "\xa3\xb1\xa3\xb2"_ba, -1);
    }

    void itemNumberAsWritten() {
        QFETCH(QByteArray, value);
        QFETCH(int, number);

        QTemporaryDir dir;
        FakeWindow window;
        window.answers = {true};
        TestSession session(window, dir.path());
        QVERIFY(writeBreakPointKeys(
            session.settings(), QStringLiteral("1|Taobao_5.csv|http://shop5.taobao.com|-|2|0").split(u'|')));
        QByteArray ini = fileBytes(session.paths().settingsFile());
        ini += "BreakPointNum=" + value + "\r\n";
        putFileBytes(session.paths().settingsFile(), ini);
        putFileBytes(session.paths().inProgramDir(QStringLiteral("Taobao_5.csv")), "x");

        StartupSequence startup = session.startup();
        const Result result = startup.offerResume();
        QCOMPARE(result, number >= 0 ? Result::Loaded : Result::FreshRun);
        QCOMPARE(startup.resumePoint().itemNumber, qMax(number, 0));
        // Starting again continues nothing: the run replaces the file.
        QCOMPARE(startup.resumePoint().shopUrl.isEmpty(), number < 0);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestStartupSequence)
#include "tst_startupsequence.moc"
