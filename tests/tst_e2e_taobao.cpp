#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "formats/AssistantFormat.h"
#include "formats/OutputJournal.h"
#include "web/TextFileIo.h"

#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

const QString kDataDirMark = QStringLiteral("@DATA_DIR@");
const QString kClockMark = QStringLiteral("@CLOCK@");
const QString kItem = QStringLiteral("http://item.taobao.com/item.htm?id=");

struct FormatCase {
    QString argument; // --format value
    int option;       // Option5 index
    QString suffix;   // of the expected file
};

const QList<FormatCase>& formats() {
    static const QList<FormatCase> cases{
        {QStringLiteral("taobao"), 0, QStringLiteral("taobao")},
        {QStringLiteral("ebay"), 1, QStringLiteral("ebay")},
        {QStringLiteral("paipai"), 2, QStringLiteral("paipai")},
    };
    return cases;
}

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
    QStringList lines = text.split(QStringLiteral("\r\n"));
    for (int i = 1; i < lines.size(); ++i) {
        QStringList fields = lines[i].split(u',');
        if (fields.size() != 88)
            continue;
        for (int column : kClockColumns)
            fields[column] = kClockMark;
        lines[i] = fields.join(u',');
    }
    return lines.join(QStringLiteral("\r\n"));
}

// The output of a run as its expected file holds it: the data folder and the clock masked.
QByteArray comparable(const QByteArray& output, int option, const QString& dataDir) {
    QString text = decode(output, option);
    text.replace(QDir::toNativeSeparators(dataDir), kDataDirMark);
    if (option == 1)
        text = maskClock(text);
    return encode(text, option);
}

QProcessEnvironment environment(const FixtureWebServer& server) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("http_proxy"), server.proxyUrl());
    env.remove(QStringLiteral("no_proxy"));
    env.remove(QStringLiteral("NO_PROXY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

std::unique_ptr<QProcess> startKestrune(const FixtureWebServer& server, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment(server));
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(kestruneBinary(), arguments);
    return process;
}

int finish(QProcess& process, int timeoutMs = 120000) {
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

class TestE2eTaobao : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureWebServer> m_server;

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(kestruneBinary()));
        m_server = std::make_unique<FixtureWebServer>(fixturePath(QStringLiteral("web")));
        QVERIFY(m_server->start());
    }

    void cleanup() { m_server->clearBehaviours(); }

    // The three formats run side by side, each in its own program folder: every item waits its
    // full second, and three shops in a row would make the suite slow for nothing.
    void extractEachFormat() {
        const QString shop = QStringLiteral("http://shop12345678.taobao.com/");
        QList<std::shared_ptr<QTemporaryDir>> dirs;
        QList<std::shared_ptr<QProcess>> processes;
        for (const FormatCase& format : formats()) {
            auto dir = std::make_shared<QTemporaryDir>();
            QVERIFY(dir->isValid());
            dirs.append(dir);
            processes.append(startKestrune(
                *m_server, {QStringLiteral("extract"), QStringLiteral("--platform"), QStringLiteral("taobao"),
                            QStringLiteral("--format"), format.argument, QStringLiteral("--agree"),
                            QStringLiteral("--data-dir"), dir->path(), shop}));
        }
        QList<int> exitCodes;
        for (const auto& process : processes)
            exitCodes.append(finish(*process));

        QStringList differences;
        for (int i = 0; i < formats().size(); ++i) {
            const FormatCase& format = formats().at(i);
            QProcess& process = *processes.at(i);
            const QString out = QString::fromUtf8(process.readAllStandardOutput());
            const QString err = QString::fromUtf8(process.readAllStandardError());
            QVERIFY2(exitCodes.at(i) == 0, qPrintable(format.argument + QStringLiteral(": ") + err));

            const QString output = QDir(dirs.at(i)->path()).filePath(QStringLiteral("Taobao_12345678.csv"));
            QVERIFY2(out.contains(QDir::toNativeSeparators(output)), qPrintable(out));
            QVERIFY2(out.contains(QStringLiteral("10")), qPrintable(out));
            // The run finished the shop, so no journal stays behind.
            QVERIFY(!QFile::exists(OutputJournal::pathFor(output)));

            const QString expectedPath =
                fixturePath(QStringLiteral("expected/taobao_shop12345678.%1.csv").arg(format.suffix));
            const QByteArray actual = comparable(readAll(output), format.option, dirs.at(i)->path());
            if (actual != readAll(expectedPath)) {
                // What came out is left in the temporary folder for a look.
                QFile dump(
                    QDir::temp().filePath(QStringLiteral("taobao_shop12345678.%1.csv").arg(format.suffix)));
                if (dump.open(QIODevice::WriteOnly))
                    dump.write(actual);
                differences.append(QStringLiteral("%1 differs from %2 (actual in %3)")
                                       .arg(format.argument, expectedPath, dump.fileName()));
            }
        }
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    }

    void killAndResume_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("option");
        for (const FormatCase& format : formats())
            QTest::newRow(qPrintable(format.argument)) << format.argument << format.option;
    }

    // Killed during the fourth item's download, then resumed: every item once, in shop order.
    void killAndResume() {
        QFETCH(QString, format);
        QFETCH(int, option);

        QTemporaryDir dir;
        const QString shop = QStringLiteral("http://shop77778888.taobao.com/");
        const QString fourth = kItem + QStringLiteral("2004");
        m_server->clearRequestedAddresses();
        m_server->setSlowBody(fourth, 20, 250);

        auto first = startKestrune(*m_server, {QStringLiteral("extract"), QStringLiteral("--platform"),
                                               QStringLiteral("taobao"), QStringLiteral("--format"), format,
                                               QStringLiteral("--agree"), QStringLiteral("--data-dir"),
                                               dir.path(), shop});
        QTRY_VERIFY_WITH_TIMEOUT(m_server->requestedAddresses().contains(fourth), 60000);
        QThread::msleep(300);
        first->kill();
        first->waitForFinished();
        m_server->clearBehaviours();
        // Three items were done and on disk only in the journal when the fourth was cut off.
        SettingsStore settings(QDir(dir.path()).filePath(QStringLiteral("Kestrune.ini")));
        QCOMPARE(settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum),
                 QStringLiteral("3"));
        const QString output = QDir(dir.path()).filePath(QStringLiteral("Taobao_77778888.csv"));
        QVERIFY(QFile::exists(OutputJournal::pathFor(output)));
        QVERIFY(!QFile::exists(output));

        auto resumed =
            startKestrune(*m_server, {QStringLiteral("extract"), QStringLiteral("--resume"),
                                      QStringLiteral("--agree"), QStringLiteral("--data-dir"), dir.path()});
        const int exitCode = finish(*resumed);
        const QString err = QString::fromUtf8(resumed->readAllStandardError());
        QVERIFY2(exitCode == 0, qPrintable(err));

        const QString text =
            decode(readAll(QDir(dir.path()).filePath(QStringLiteral("Taobao_77778888.csv"))), option);
        // Rows carry the title in double quotes; the descriptions repeat it without them.
        QStringList titles;
        for (const char* name :
             {"竹纤维浴巾", "记忆棉枕头", "纯棉四件套", "骨瓷餐具套装", "不锈钢保温杯", "帆布鞋 1号"})
            titles.append(QStringLiteral("\"") + QString::fromUtf8(name) + QStringLiteral("\""));
        qsizetype previous = -1;
        for (const QString& title : titles) {
            QVERIFY2(text.count(title) == 1, qPrintable(title + QStringLiteral(" in:\n") + text));
            const qsizetype at = text.indexOf(title);
            QVERIFY2(at > previous, qPrintable(title));
            previous = at;
        }
        const QString header = AssistantFormat::forOption(option).headerLine();
        // The Taobao Assistant file gets one header per written batch; the others keep one.
        QCOMPARE(text.count(header), isUnicodeFormat(option) ? 2 : 1);
    }
};

QTEST_GUILESS_MAIN(TestE2eTaobao)
#include "tst_e2e_taobao.moc"
