#include "formats/AssistantFormat.h"
#include "formats/OutputFormats.h"
#include "formats/SourceFormatDetector.h"
#include "support/Taobao5TestFiles.h"
#include "support/TestMain.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString nameOf(const SourceDetection& detection) {
    return detection.file ? OutputFormats::describe(*detection.file).caption : QString();
}

} // namespace

class TestSourceFormatDetector : public QObject {
    Q_OBJECT

private slots:
    void detect_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("file"); // the assistant's name, empty for no assistant file

        const QString current = taobao5Text(taobao5Names(), {{u"\"x\""_s, u"1"_s}});
        for (const auto& [name, encoding] : allFileEncodings())
            QTest::addRow("current layout, %s", name) << encodeAs(encoding, current) << u"淘宝助理5"_s;
        QTest::newRow("current layout, CR LF, garbled captions")
            << utf16WithMark(taobao5Text(taobao5Names(), {}, u"\r\n"_s, u"Ã¦Â±Â\tÂ"_s)) << u"淘宝助理5"_s;
        QTest::newRow("current layout, 53 names")
            << utf16WithMark(taobao5Text(taobao5Names().mid(0, 53), {})) << u"淘宝助理5"_s;

        const QString old = taobaoHeaderNames() + u"\r\n\"x\"\t1\r\n"_s;
        QTest::newRow("old layout, UTF-16") << utf16WithMark(old) << u"淘宝助理"_s;
        QTest::newRow("old layout, GBK") << gbk(old) << u"淘宝助理"_s;
        QTest::newRow("PaiPai, row writer") << gbk(AssistantFormat::paipai().headerLine()) << u"拍拍助理"_s;
        QTest::newRow("PaiPai, converter")
            << gbk(AssistantFormat::paipaiConverter().headerLine()) << u"拍拍助理"_s;
        QTest::newRow("PaiPai, re-saved as UTF-8 with a mark")
            << QByteArray("\xEF\xBB\xBF") + AssistantFormat::paipai().headerLine().toUtf8() << u"拍拍助理"_s;
        QTest::newRow("eBay") << gbk(AssistantFormat::ebay().headerLine()) << u"易趣助理"_s;
        QTest::newRow("eBay, blank line first")
            << gbk(u"\r\n"_s + AssistantFormat::ebay().headerLine()) << u"易趣助理"_s;

        QTest::newRow("empty file") << QByteArray() << QString();
        QTest::newRow("blank lines only") << QByteArray("\r\n\r\n") << QString();
        QTest::newRow("PNG picture") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) << QString();
        QTest::newRow("JPEG picture") << QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF", 10) << QString();
        QTest::newRow("spreadsheet") << QByteArray("PK\x03\x04\x14\0\x06\0", 8) << QString();
        QTest::newRow("other comma file") << gbk(u"名称,价格\r\n宝贝,12\r\n"_s) << QString();
        QTest::newRow("version line without names") << QByteArray("version 1.00\nfoo\tbar\n") << QString();
        QTest::newRow("old caption not first") << utf16WithMark(u"宝贝类目\t宝贝名称\r\n"_s) << QString();
    }

    void detect() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"source.csv"_s);
        writeBytes(path, bytes);
        QCOMPARE(nameOf(SourceFormatDetector::detect(path)), file);

        // A device is left where it was, for the reader that follows.
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(nameOf(SourceFormatDetector::detect(buffer)), file);
        QCOMPARE(buffer.pos(), 0);
    }

    void missingFileIsUnknown() { QVERIFY(!SourceFormatDetector::detect(u"/nonexistent/source.csv"_s).file); }

    void chosenSource_data() {
        QTest::addColumn<FileFormat>("chosen");
        QTest::addColumn<FileFormat>("detected");
        QTest::addColumn<bool>("matches");
        QTest::addColumn<QString>("message");

        QTest::newRow("PaiPai file chosen as Taobao")
            << FileFormat::TaobaoAssistant << FileFormat::PaiPaiAssistant << false
            << u"该文件是拍拍助理格式，不是淘宝助理格式"_s;
        QTest::newRow("current Taobao file chosen as eBay")
            << FileFormat::EbayAssistant << FileFormat::TaobaoAssistant5 << false
            << u"该文件是淘宝助理5格式，不是易趣助理格式"_s;
        QTest::newRow("current Taobao file chosen as Taobao")
            << FileFormat::TaobaoAssistant << FileFormat::TaobaoAssistant5 << true << QString();
        QTest::newRow("old Taobao file chosen as current Taobao")
            << FileFormat::TaobaoAssistant5 << FileFormat::TaobaoAssistant << true << QString();
        QTest::newRow("eBay as eBay")
            << FileFormat::EbayAssistant << FileFormat::EbayAssistant << true << QString();
    }

    void chosenSource() {
        QFETCH(FileFormat, chosen);
        QFETCH(FileFormat, detected);
        QFETCH(bool, matches);
        QFETCH(QString, message);
        QCOMPARE(SourceFormatDetector::matchesChosenSource(chosen, detected), matches);
        if (!matches)
            QCOMPARE(SourceFormatDetector::mismatchMessage(chosen, detected), message);
    }

    void messages() {
        QCOMPARE(SourceFormatDetector::unknownFormatMessage(u"D:/x/a.png"_s),
                 u"无法识别的文件格式："_s + QDir::toNativeSeparators(u"D:/x/a.png"_s));
        QCOMPARE(SourceFormatDetector::noItemsMessage(), u"源文件中没有宝贝"_s);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestSourceFormatDetector)
#include "tst_sourceformatdetector.moc"
