#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"

#include <QHash>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// Every Taobao fixture shop, in every format, writes each of its items once: straight through,
// after a stop and a resume, and after a kill and a resume. Each row names its item's picture
// ("T1a" + item number), so a picture named twice is an item written twice.
class TestE2eEachItemOnce : public QObject {
    Q_OBJECT

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
        QTest::addColumn<int>("signal"); // 0: straight through
        const std::pair<const char*, int> endings[] = {
            {"straight", 0}, {"stopped", SIGINT}, {"killed", SIGKILL}};
        for (const char* shop :
             {"11112222", "12345678", "22223333", "33334444", "77771111", "77772222", "77773333"})
            for (const char* format : {"taobao", "paipai", "ebay"})
                for (const auto& [ending, signal] : endings)
                    QTest::addRow("%s %s %s", shop, format, ending)
                        << QString::fromLatin1(shop) << QString::fromLatin1(format) << signal;
    }

    // Runs the shop, interrupted by `interrupt` once the second item page is asked for (none:
    // straight through), then resumed; puts the output's text into text.
    void extract(const QString& shop, const QString& format, int signal, QString* text) {
        ExtractRun run;
        m_server.clearRequestedAddresses();
        run.start({u"--platform"_s, u"taobao"_s, u"--format"_s, format},
                  u"http://shop%1.taobao.com/"_s.arg(shop));
        if (signal != 0) {
            static const QRegularExpression itemPage(u"^http://item\\.taobao\\.com/"_s);
            QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().filter(itemPage).size() >= 2, 60000);
            ::kill(static_cast<pid_t>(run.process.processId()), signal);
            run.finish();
            run.start({u"--resume"_s});
        }
        run.finish();
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
        QFETCH(int, signal);
        QString text;
        extract(shop, format, signal, &text);
        const QStringList twice = picturesNamedTwice(text);
        QVERIFY2(twice.isEmpty(), qPrintable(twice.join(u' ')));
    }
};

QTEST_GUILESS_MAIN(TestE2eEachItemOnce)
#include "tst_e2e_eachitemonce.moc"
