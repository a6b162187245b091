#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"
#include "support/TestSystem.h"

#include <QHash>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

// Every Taobao fixture shop, in every format, writes each of its items once: straight through,
// after a stop and a resume, and after a kill and a resume. Each row names its item's picture
// ("T1a" + item number), so a picture named twice is an item written twice. The file has one
// header line, and what the run says of it is what it holds: "共N个宝贝" is its rows, and the items
// found are its rows and those the run could not collect.
class TestE2eEachItemOnce : public QObject {
    Q_OBJECT

public:
    // How the first run ends before the resume: not at all, by a stop or a kill once the second
    // item page is asked for, or killed by the program itself the moment the first row is in the
    // journal while its key and the breakpoint are not yet on disk.
    enum class Ending { Straight, Stopped, Killed, KilledAfterRow };
    Q_ENUM(Ending)

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

    static QStringList picturesNamedTwice(const QString& text) {
        static const QRegularExpression picture(u"T1a\\d+X+\\.jpg"_s);
        QHash<QString, int> seen;
        for (const QRegularExpressionMatch& match : picture.globalMatch(text))
            ++seen[match.captured(0)];
        QStringList twice;
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            if (it.value() > 1)
                twice << it.key();
        return twice;
    }

    static void addShopRows() {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QString>("format");
        QTest::addColumn<Ending>("ending");
        const std::pair<const char*, Ending> endings[] = {{"straight", Ending::Straight},
                                                          {"stopped", Ending::Stopped},
                                                          {"killed", Ending::Killed},
                                                          {"killed after a row", Ending::KilledAfterRow}};
        for (const char* shop :
             {"11112222", "12345678", "22223333", "33334444", "77771111", "77772222", "77773333"})
            for (const char* format : {"taobao", "paipai", "ebay"})
                for (const auto& [name, ending] : endings)
                    QTest::addRow("%s %s %s", shop, format, name)
                        << QString::fromLatin1(shop) << QString::fromLatin1(format) << ending;
    }

    // The file's lines other than its header, and how often the header line (its first) occurs.
    static QStringList rowsOf(const QString& text, int* headers) {
        QStringList lines = text.split(u"\r\n"_s, Qt::SkipEmptyParts);
        *headers = lines.isEmpty() ? 0 : int(lines.count(lines.first()));
        if (!lines.isEmpty())
            lines.removeAll(QString(lines.first()));
        return lines;
    }

    // The counts of a complete run's ending, -1 where it names none.
    static int countIn(const QString& err, const QString& pattern) {
        const QRegularExpressionMatch match = QRegularExpression(pattern).match(err);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    }

    static void checkCounts(const QString& text, const QString& err) {
        int headers = 0;
        const QStringList rows = rowsOf(text, &headers);
        QCOMPARE(headers, 1);
        const int inFile = countIn(err, u"全部采集完成：共(\\d+)个宝贝"_s);
        QVERIFY2(inFile >= 0, qPrintable(err));
        QCOMPARE(inFile, int(rows.size()));
        const int dropped = std::max(0, countIn(err, u"；(\\d+)个宝贝未能采集（见日志）"_s));
        const int found = countIn(err, u"实际找到(\\d+)个"_s);
        if (found >= 0)
            QCOMPARE(found, inFile + dropped);
    }

    void extract(const QString& shop, const QString& format, Ending ending, QString* text, QString* err) {
        ExtractRun run;
        m_server.clearRequestedAddresses();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // The pauses only slow the test down: what is written does not depend on them.
        environment.insert(u"KESTRUNE_PAUSE_SCALE"_s, u"0.1"_s);
        QProcessEnvironment firstRun = environment;
        if (ending == Ending::KilledAfterRow)
            firstRun.insert(u"KESTRUNE_KILL_AT"_s, u"row-journaled"_s);
        run.process.setProcessEnvironment(firstRun);
        run.start({u"--platform"_s, u"taobao"_s, u"--format"_s, format},
                  u"http://shop%1.taobao.com/"_s.arg(shop));
        if (ending == Ending::Stopped || ending == Ending::Killed) {
            static const QRegularExpression itemPage(u"^http://item\\.taobao\\.com/"_s);
            QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().filter(itemPage).size() >= 2, 60000);
            if (ending == Ending::Stopped)
                QVERIFY(TestSystem::interrupt(run.process));
            else
                run.process.kill();
        }
        if (ending != Ending::Straight) {
            run.finish();
            // The first run may have reached the end before the signal did: nothing to resume.
            *err = QString::fromUtf8(run.process.readAllStandardError());
            if (!fileBytes(run.file(u"Kestrune.ini"_s)).contains("\nBreakPoint=1"))
                return storeText(run, shop, format, text);
            run.process.setProcessEnvironment(environment);
            run.start({u"--resume"_s});
        }
        QCOMPARE(run.finish(), 0);
        *err = QString::fromUtf8(run.process.readAllStandardError());
        storeText(run, shop, format, text);
        // A second run that is not the resumed one replaces the file.
        if (ending == Ending::Straight) {
            run.start({u"--platform"_s, u"taobao"_s, u"--format"_s, format},
                      u"http://shop%1.taobao.com/"_s.arg(shop));
            QCOMPARE(run.finish(), 0);
            *err = QString::fromUtf8(run.process.readAllStandardError());
            storeText(run, shop, format, text);
        }
    }

    static void storeText(const ExtractRun& run, const QString& shop, const QString& format, QString* text) {
        *text =
            decodeOutput(fileBytes(run.file(outputName(u"Taobao_"_s + shop, u"taobao"_s, format))), format);
    }

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(kestruneBinary()));
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void eachItemOnce_data() { addShopRows(); }
    void eachItemOnce() {
        QFETCH(QString, shop);
        QFETCH(QString, format);
        QFETCH(Ending, ending);
        if (ending == Ending::Stopped)
            SKIP_WITHOUT(Interrupt);
        QString text;
        QString err;
        extract(shop, format, ending, &text, &err);
        const QStringList twice = picturesNamedTwice(text);
        QVERIFY2(twice.isEmpty(), qPrintable(twice.join(u' ')));
        checkCounts(text, err);
    }
};

QTEST_GUILESS_MAIN(TestE2eEachItemOnce)
#include "tst_e2e_eachitemonce.moc"
