#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kShop = u"http://shop.paipai.com/20090301/"_s;
// Stands for the program folder, which differs from run to run, in the expected files.
const QString kDataDirMark = u"@DATA_DIR@"_s;
const QByteArray kClockMark = "@CLOCK@";

QByteArray utf16le(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// eBay Assistant rows carry the time of writing: the product number (field 8) and four
// date-time fields (15 to 18). The header line is left alone.
QByteArray maskClockFields(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QList<QByteArray> fields = lines[i].split(',');
        if (fields.size() < 18)
            continue;
        for (int field : {8, 15, 16, 17, 18})
            fields[field - 1] = kClockMark;
        lines[i] = fields.join(',');
    }
    return lines.join('\n');
}

} // namespace

class TestE2ePaiPai : public QObject {
    Q_OBJECT

private slots:
    void extractsShop_data();
    void extractsShop();
};

void TestE2ePaiPai::extractsShop_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expectedFile");
    QTest::newRow("Taobao Assistant") << "taobao"
                                      << "expected/paipai_20090301.taobao.csv";
    QTest::newRow("PaiPai Assistant") << "paipai"
                                      << "expected/paipai_20090301.paipai.csv";
    QTest::newRow("eBay Assistant") << "ebay"
                                    << "expected/paipai_20090301.ebay.csv";
}

void TestE2ePaiPai::extractsShop() {
    QFETCH(QString, format);
    QFETCH(QString, expectedFile);

    FixtureWebServer server(fixturePath(u"web"_s));
    QVERIFY(server.start());
    server.useAsProxy();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    QProcess program;
    program.start(kestruneBinary(), {u"extract"_s, u"--platform"_s, u"paipai"_s, u"--format"_s, format,
                                     u"--agree"_s, u"--data-dir"_s, dir.path(), kShop});
    QVERIFY(program.waitForFinished(60000));
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
             program.readAllStandardError().constData());

    QFile output(dir.filePath(u"PaiPai_20090301.csv"_s));
    QVERIFY(output.open(QIODevice::ReadOnly));
    QByteArray actual = output.readAll();
    const QString programDir = QDir::toNativeSeparators(QDir(dir.path()).absolutePath());
    actual.replace(programDir.toUtf8(), kDataDirMark.toUtf8());
    actual.replace(utf16le(programDir), utf16le(kDataDirMark));
    if (format == u"ebay")
        actual = maskClockFields(actual);

    QFile expected(fixturePath(expectedFile));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    // Compared line by line, so that a failure names the first line that differs.
    QCOMPARE(actual.split('\n'), expected.readAll().split('\n'));

    // The pictures of the three parsed items are stored beside the output file.
    QCOMPARE(QDir(dir.filePath(u"PaiPai_20090301"_s)).entryList(QDir::Files).size(), 3);
}

QTEST_GUILESS_MAIN(TestE2ePaiPai)
#include "tst_e2e_paipai.moc"
