#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kDataMask = u"@DATA@"_s;
const QString kClockMask = u"@CLOCK@"_s;

// The Taobao Assistant file is UTF-16 (with its byte order mark, kept as a character so that the
// round trip is exact); the other two are in GBK.
QString decode(const QByteArray& bytes, const QString& format) {
    if (format == u"taobao") {
        QStringDecoder decoder(QStringConverter::Utf16LE, QStringConverter::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    QStringDecoder decoder("GB18030");
    return decoder(bytes);
}

QByteArray encode(const QString& text, const QString& format) {
    if (format == u"taobao") {
        QStringEncoder encoder(QStringConverter::Utf16LE);
        return encoder(text);
    }
    QStringEncoder encoder("GB18030");
    return encoder(text);
}

// The eBay Assistant rows carry the time they were written: the product number (column 8) and
// the four date-time columns 15 to 18. Each is checked for its shape before it is masked.
QString maskClock(const QString& text, QStringList* malformed) {
    static const QRegularExpression productNumber(u"^\\d{14}00000000$"_s);
    static const QRegularExpression dateTime(u"^\\d{4}\\D\\d{1,2}\\D\\d{1,2} \\d{1,2}:\\d{2}:\\d{2}$"_s);
    QStringList lines = text.split(u"\r\n"_s);
    for (int i = 1; i < lines.size(); ++i) {
        QStringList fields = lines[i].split(u',');
        if (fields.size() != 88)
            continue;
        if (!productNumber.match(fields[7]).hasMatch())
            malformed->append(fields[7]);
        for (int column : {15, 16, 17, 18})
            if (!dateTime.match(fields[column - 1]).hasMatch())
                malformed->append(fields[column - 1]);
        for (int column : {8, 15, 16, 17, 18})
            fields[column - 1] = kClockMask;
        lines[i] = fields.join(u',');
    }
    return lines.join(u"\r\n"_s);
}

} // namespace

class TestE2eEbay : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void extract_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("Taobao Assistant") << "taobao";
        QTest::newRow("PaiPai Assistant") << "paipai";
        QTest::newRow("eBay Assistant") << "ebay";
    }

    // The real program against the fixture store: the output file is compared byte for byte,
    // with the data folder and the eBay format's clock fields masked.
    void extract() {
        QFETCH(QString, format);
        QTemporaryDir folder;
        const QString dataDir = QDir(folder.path()).absolutePath();

        QProcess program;
        program.start(kestruneBinary(),
                      {u"extract"_s, u"--platform"_s, u"ebay"_s, u"--format"_s, format, u"--agree"_s,
                       u"--data-dir"_s, dataDir, u"http://stores.ebay.com.cn/QingShiXuan"_s});
        QVERIFY(program.waitForFinished(120000));
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, qPrintable(errors));
        QVERIFY2(errors.contains(u"全部采集完成"_s), qPrintable(errors));

        QFile output(QDir(dataDir).filePath(u"eBay_qingshixuan.csv"_s));
        QVERIFY(output.open(QIODevice::ReadOnly));
        const QByteArray actualBytes = output.readAll();
        QFile expected(fixturePath(u"expected/eBay_qingshixuan.%1.csv"_s.arg(format)));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        const QByteArray expectedBytes = expected.readAll();

        QString actual = decode(actualBytes, format);
        actual.replace(QDir::toNativeSeparators(dataDir), kDataMask);
        if (format == u"ebay") {
            QStringList malformed;
            actual = maskClock(actual, &malformed);
            QVERIFY2(malformed.isEmpty(), qPrintable(malformed.join(u' ')));
        }
        QCOMPARE(actual, decode(expectedBytes, format));
        QCOMPARE(encode(actual, format), expectedBytes);

        QVERIFY(QFile::exists(QDir(dataDir).filePath(u"eBay_qingshixuan/330040000001_1.JPG"_s)));
    }
};

QTEST_GUILESS_MAIN(TestE2eEbay)
#include "tst_e2e_ebay.moc"
