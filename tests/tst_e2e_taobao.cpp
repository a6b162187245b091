#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "formats/AssistantFormat.h"
#include "formats/OutputJournal.h"
#include "web/TextFileIo.h"

#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kDataDirMark = u"@DATA_DIR@"_s;
const QString kClockMark = u"@CLOCK@"_s;

struct Format {
    QString argument; // --format value, also the suffix of the expected file
    int option;       // Option5 index
};

// Every item waits its full second, so the three formats always run side by side.
const Format kFormats[] = {{u"taobao"_s, 0}, {u"ebay"_s, 1}, {u"paipai"_s, 2}};
constexpr int kFormatCount = 3;

bool isUnicodeFormat(int option) {
    return option == 0;
}

QString decode(const QByteArray& bytes, int option) {
    if (isUnicodeFormat(option)) {
        QStringDecoder utf16(QStringDecoder::Utf16LE);
        return utf16(bytes.startsWith("\xff\xfe") ? bytes.mid(2) : bytes);
    }
    return DecodeGbk(bytes);
}

QByteArray encode(const QString& text, int option) {
    if (isUnicodeFormat(option)) {
        QStringEncoder utf16(QStringEncoder::Utf16LE);
        return QByteArray("\xff\xfe", 2) + QByteArray(utf16(text));
    }
    return EncodeGbk(text);
}

// The eBay rows carry the local clock in the product number and the four date-time columns.
QString maskClock(const QString& text) {
    static const int kClockColumns[] = {7, 14, 15, 16, 17};
    QStringList lines = text.split(u"\r\n"_s);
    for (int i = 1; i < lines.size(); ++i) {
        QStringList fields = lines[i].split(u',');
        if (fields.size() != 88)
            continue;
        for (int column : kClockColumns)
            fields[column] = kClockMark;
        lines[i] = fields.join(u',');
    }
    return lines.join(u"\r\n"_s);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// One `kestrune extract` in a program folder of its own, reaching the fixture web as its proxy.
struct Run {
    QTemporaryDir dir;
    QProcess process;

    void start(const QStringList& options, const QString& shop = QString()) {
        QStringList arguments = QStringList{u"extract"_s} + options;
        arguments << u"--agree"_s << u"--data-dir"_s << dir.path();
        if (!shop.isEmpty())
            arguments << shop;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(kestruneBinary(), arguments);
    }
    int finish() {
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString file(const QString& name) const { return QDir(dir.path()).filePath(name); }
    // The output as its expected file holds it: the data folder and the clock masked.
    QByteArray comparableOutput(const QString& name, int option) const {
        QString text = decode(readAll(file(name)), option);
        text.replace(QDir::toNativeSeparators(dir.path()), kDataDirMark);
        if (option == 1)
            text = maskClock(text);
        return encode(text, option);
    }
};

} // namespace

class TestE2eTaobao : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureWebServer> m_server;

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(kestruneBinary()));
        m_server = std::make_unique<FixtureWebServer>(fixturePath(u"web"_s));
        QVERIFY(m_server->start());
        m_server->useAsProxy();
    }

    void extractEachFormat() {
        const QString output = u"Taobao_11112222.csv"_s;
        Run runs[kFormatCount];
        for (int i = 0; i < kFormatCount; ++i)
            runs[i].start({u"--platform"_s, u"taobao"_s, u"--format"_s, kFormats[i].argument},
                          u"http://shop11112222.taobao.com/"_s);

        QStringList differences;
        for (int i = 0; i < kFormatCount; ++i) {
            const Format& format = kFormats[i];
            Run& run = runs[i];
            const int exitCode = run.finish();
            QVERIFY2(exitCode == 0, run.process.readAllStandardError().constData());
            const QString out = QString::fromUtf8(run.process.readAllStandardOutput());
            QVERIFY2(out.contains(QDir::toNativeSeparators(run.file(output))), qPrintable(out));
            QVERIFY2(out.contains(u"items written: 7"_s), qPrintable(out));
            // The run finished the shop, so no journal stays behind.
            QVERIFY(!QFile::exists(OutputJournal::pathFor(run.file(output))));

            const QString expectedPath =
                fixturePath(u"expected/taobao_shop11112222.%1.csv"_s.arg(format.argument));
            const QByteArray actual = run.comparableOutput(output, format.option);
            if (actual != readAll(expectedPath)) {
                // What came out is left in the temporary folder for a look.
                QFile dump(QDir::temp().filePath(QFileInfo(expectedPath).fileName()));
                if (dump.open(QIODevice::WriteOnly))
                    dump.write(actual);
                differences.append(u"%1 differs from %2 (actual in %3)"_s.arg(format.argument, expectedPath,
                                                                              dump.fileName()));
            }
        }
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    }

    // Each format's shop is killed during its third item's download, then resumed: every item
    // once, in shop order.
    void killAndResumeEachFormat() {
        const int firstItems[] = {3001, 3005, 3009};
        const QString shops[] = {u"77771111"_s, u"77772222"_s, u"77773333"_s};
        auto item = [](int id) { return u"http://item.taobao.com/item.htm?id=%1"_s.arg(id); };
        auto output = [&](int i) -> QString { return u"Taobao_"_s + shops[i] + u".csv"_s; };

        Run runs[kFormatCount];
        for (int i = 0; i < kFormatCount; ++i) {
            m_server->setSlowBody(item(firstItems[i] + 2), 20, 250);
            runs[i].start({u"--platform"_s, u"taobao"_s, u"--format"_s, kFormats[i].argument},
                          u"http://shop%1.taobao.com/"_s.arg(shops[i]));
        }
        for (int i = 0; i < kFormatCount; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(m_server->requestedAddresses().contains(item(firstItems[i] + 2)), 60000);
        QThread::msleep(300);
        for (Run& run : runs) {
            run.process.kill();
            run.process.waitForFinished();
        }
        m_server->clearBehaviours();

        for (int i = 0; i < kFormatCount; ++i) {
            // Two items were done, and on disk only in the journal, when the third was cut off.
            SettingsStore settings(runs[i].file(u"Kestrune.ini"_s));
            QCOMPARE(settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum), u"2"_s);
            QVERIFY(QFile::exists(OutputJournal::pathFor(runs[i].file(output(i)))));
            QVERIFY(!QFile::exists(runs[i].file(output(i))));
            runs[i].start({u"--resume"_s});
        }

        for (int i = 0; i < kFormatCount; ++i) {
            const int option = kFormats[i].option;
            const int exitCode = runs[i].finish();
            QVERIFY2(exitCode == 0, runs[i].process.readAllStandardError().constData());
            const QString text = decode(readAll(runs[i].file(output(i))), option);
            // Each row names its picture once, and the picture is named after the item.
            qsizetype previous = -1;
            for (int id = firstItems[i]; id < firstItems[i] + 4; ++id) {
                const QString picture = u"T1a%1XXXXXXXX.jpg"_s.arg(id);
                QVERIFY2(text.count(picture) == 1, qPrintable(picture + u" in:\n"_s + text));
                const qsizetype at = text.indexOf(picture);
                QVERIFY2(at > previous, qPrintable(picture));
                previous = at;
            }
            // The Taobao Assistant file gets one header per written batch; the others keep one.
            QCOMPARE(text.count(AssistantFormat::forOption(option).headerLine()),
                     isUnicodeFormat(option) ? 2 : 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestE2eTaobao)
#include "tst_e2e_taobao.moc"
