#include "formats/AssistantFormat.h"
#include "support/FormatTestFiles.h"
#include "support/TestMain.h"
#include "support/WriterRun.h"
#include "text/TextFileIo.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kTaobaoRow = QStringLiteral(
    "\"Nike 跑鞋 &amp; 袜\"\t50012345\t0\t5\t\"\"\t\"\"\t\"b\"\t128.000000\t00.000000\t10\t7\t1\t10.000000\t"
    "25.000000\t15.000000\t0\t1\t0\t1\t1\t0\t0\t\"1980-01-01 00:00:00\"\t\"\"\t\"<p>好鞋</p>\"\t"
    "\"http://img.example/1.jpg\"\t\"\"\t0\t0\t0\t0\r\n");

// The Taobao Assistant row holds the record's values in order, its text values in quotes.
ItemRecord sampleRecord(const QString& title = u"Nike 跑鞋 &amp; 袜"_s) {
    QStringList values = kTaobaoRow.chopped(2).split(u'\t');
    for (int i = 0; i < values.size(); ++i) {
        if (AssistantFormat::isTextField(i))
            values[i] = AssistantFormat::unquoted(values[i]);
    }
    ItemRecord record = ItemRecord::fromValues(values);
    record.title = title;
    return record;
}

QString paipaiRow(const QString& category) {
    return u"-1,-1,-1,\"Nike 跑鞋 & 袜\",\"\",\"b\","_s + category +
           QStringLiteral(
               ",\"\",\"\",10,7,\"\",5,128.000000,00.000000,\"\",\"\",2,10.000000,15.000000,0,0,0,0,1,1,"
               "0,\"\",0,\"http://img.example/1.jpg\",,\"<p>好鞋</p>\",\"\",\"-2\",80,80,0,\r\n");
}

// Clock fields read as PNO and DT.
const QString kEbayRow = QStringLiteral(
    "\"Nike 跑鞋 & "
    "袜\",0,10,0,0,128.000000,\"<p>好鞋</p>\",PNO,0,,1,http://img.example/1.jpg|:|,7,0,DT,DT,DT,"
    "DT,0,0,2,1,0,00000000,,,10,116,0,10000000,,0,0,14,1,\"\",2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1,10,0,0,0,"
    "0,0,0,,,,0,,,,,0,,,,,,0,0,0,0,,\"\",\"\",0,0,,0,0,0,0\r\n");

// Replaces the clock fields of eBay rows by PNO and DT once their shape and time are checked.
QString maskClock(QString text, const QDateTime& before, const QDateTime& after) {
    static const QRegularExpression number(u",(\\d{14})00000000,"_s);
    for (auto it = number.globalMatch(text); it.hasNext();) {
        const QDateTime at = QDateTime::fromString(it.next().captured(1), u"yyyyMMddHHmmss"_s);
        if (!at.isValid() || at < before.addMSecs(-before.time().msec()) || at > after)
            return u"product number out of range: "_s + text;
    }
    text.replace(number, u",PNO,"_s);
    static const QRegularExpression dateTime(u"(?<=,)\\d{4}-\\d{1,2}-\\d{1,2} \\d{1,2}:\\d\\d:\\d\\d(?=,)"_s);
    text.replace(dateTime, u"DT"_s);
    return text;
}

} // namespace

class TestRowWriter : public QObject {
    Q_OBJECT

private slots:
    void firstAndSecondRecord_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<int>("inHeader");
        QTest::addColumn<int>("inRow");

        QTest::newRow("Taobao Assistant keeps entities")
            << FileFormat::TaobaoAssistant << Platform::Taobao << kTaobaoRow << u"\t"_s << 30 << 30;
        QTest::newRow("PaiPai Assistant on a PaiPai shop") << FileFormat::PaiPaiAssistant << Platform::PaiPai
                                                           << paipaiRow(u"50012345"_s) << u","_s << 37 << 37;
        QTest::newRow("PaiPai Assistant on a Taobao shop")
            << FileFormat::PaiPaiAssistant << Platform::Taobao << paipaiRow(u"0"_s) << u","_s << 37 << 37;
        QTest::newRow("PaiPai Assistant on an eBay shop")
            << FileFormat::PaiPaiAssistant << Platform::Ebay << paipaiRow(u"0"_s) << u","_s << 37 << 37;
        QTest::newRow("eBay Assistant")
            << FileFormat::EbayAssistant << Platform::Ebay << kEbayRow << u","_s << 88 << 87;
    }

    void firstAndSecondRecord() {
        QFETCH(FileFormat, format);
        QFETCH(Platform, platform);
        QFETCH(QString, row);
        QFETCH(QString, separator);
        QFETCH(int, inHeader);
        QFETCH(int, inRow);

        const QString header = AssistantFormat::forFormat(format).headerLine();
        WriterRun f(format, platform);
        const QDateTime before = QDateTime::currentDateTime();
        f.writer->appendRecord(sampleRecord(), 1);
        QVERIFY(f.writer->hasPendingOutput());
        QCOMPARE(QString(f.writer->lastSeparator()), separator);
        QCOMPARE(maskClock(f.writer->pendingOutput(), before, QDateTime::currentDateTime()), header + row);

        f.writer->appendRecord(sampleRecord(), 1);
        QCOMPARE(maskClock(f.writer->pendingOutput(), before, QDateTime::currentDateTime()),
                 header + row + row);
        const QStringList lines = f.writer->pendingOutput().split(u"\r\n"_s);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0].count(separator), inHeader);
        QCOMPARE(lines[1].count(separator), inRow);
    }

    void ebayPictureField_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("field");

        QTest::newRow("empty picture") << u""_s << u"|:|"_s;
        QTest::newRow("picture") << u"http://p/a.jpg"_s << u"http://p/a.jpg|:|"_s;
        QTest::newRow("quotes inside") << u"\"a\"\"b\""_s << u"ab|:|"_s;
    }

    void ebayPictureField() {
        QFETCH(QString, picture);
        QFETCH(QString, field);
        WriterRun f(FileFormat::EbayAssistant, Platform::Ebay);
        ItemRecord record = sampleRecord();
        record.picture = picture;
        f.writer->appendRecord(record, 1);
        QVERIFY(f.writer->flush().ok());
        const QList<QStringList> records = readCsvFile(f.output());
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[1].size(), 88);
        QCOMPARE(records[1][columnIndex(EbayColumn::Picture)], field);
        QCOMPARE(records[1][columnIndex(EbayColumn::ProductNumber)].size(), 22);
    }

    void formatSwitchedMidRun() {
        WriterRun f(FileFormat::TaobaoAssistant, Platform::PaiPai);
        f.writer->appendRecord(sampleRecord(), 1);
        f.switchFormat(FileFormat::PaiPaiAssistant);
        f.writer->appendRecord(sampleRecord(), 1);
        QCOMPARE(f.writer->lastSeparator(), u',');
        QCOMPARE(f.writer->pendingOutput(),
                 AssistantFormat::taobao().headerLine() + kTaobaoRow + paipaiRow(u"50012345"_s));
    }

    void rowIntegrity_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<int>("fields");

        QTest::newRow("Taobao Assistant") << FileFormat::TaobaoAssistant << 31;
        QTest::newRow("PaiPai Assistant") << FileFormat::PaiPaiAssistant << 38;
        QTest::newRow("eBay Assistant") << FileFormat::EbayAssistant << 88;
    }

    void rowIntegrity() {
        QFETCH(FileFormat, format);
        QFETCH(int, fields);

        WriterRun f(format, Platform::PaiPai);
        ItemRecord record = sampleRecord(u"5&quot; 屏幕, 黑\tA"_s);
        record.increment = u"1,000.00"_s;
        record.price = u"1,280.00"_s;
        record.description = u"<p>a\r\nb \"c\"</p>"_s;
        f.writer->appendRecord(record, 1);
        f.writer->appendRecord(sampleRecord(), 1);

        QList<QStringList> records;
        if (format == FileFormat::TaobaoAssistant) {
            for (const QString& line : f.writer->pendingOutput().split(u"\r\n"_s, Qt::SkipEmptyParts))
                records.append(line.split(u'\t'));
        } else {
            QVERIFY(f.writer->flush().ok());
            records = readCsvFile(f.output());
        }
        QCOMPARE(records.size(), 3);
        // The eBay header closes with a separator of its own.
        QCOMPARE(records[0].size(), format == FileFormat::EbayAssistant ? fields + 1 : fields);
        QCOMPARE(records[1].size(), fields);
        QCOMPARE(records[2].size(), fields);
        if (format == FileFormat::PaiPaiAssistant) {
            QCOMPARE(records[1][columnIndex(PaiPaiColumn::Title)], u"5\" 屏幕, 黑\tA"_s);
            QCOMPARE(records[1][columnIndex(PaiPaiColumn::Increment)], u"1,000.00"_s);
            QCOMPARE(records[1][columnIndex(PaiPaiColumn::Description)], u"<p>a\r\nb \"c\"</p>"_s);
        } else if (format == FileFormat::EbayAssistant) {
            QCOMPARE(records[1][columnIndex(EbayColumn::Title)], u"5\" 屏幕, 黑\tA"_s);
            QCOMPARE(records[1][columnIndex(EbayColumn::Price)], u"1,280.00"_s);
        } else {
            QCOMPARE(records[1][ItemRecord::indexOf(ItemRecord::Field::Title)], u"\"5&quot; 屏幕, 黑 A\""_s);
            QCOMPARE(records[1][ItemRecord::indexOf(ItemRecord::Field::Description)],
                     u"\"<p>a  b \"c\"</p>\""_s);
        }
    }

    // A fresh run replaces an ANSI file, a resumed one appends to it, and a flush after the user's
    // stop (the item in progress finishing) appends too: never a second header.
    void ansiFlush_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<bool>("resumed");
        QTest::addColumn<QByteArray>("oldContent");
        QTest::addColumn<int>("rowsBefore"); // rows of the earlier content kept
        QTest::addColumn<bool>("lateRow");   // a row emitted and flushed after the first flush

        const QByteArray paipaiOld =
            gbk(AssistantFormat::paipai().headerLine() + paipaiRow(u"0"_s) + u"\r\n"_s);
        QTest::newRow("fresh run creates the file")
            << FileFormat::PaiPaiAssistant << false << QByteArray() << 0 << false;
        QTest::newRow("fresh run replaces an old file")
            << FileFormat::PaiPaiAssistant << false << QByteArray("old\r\n") << 0 << false;
        QTest::newRow("resumed run without a file writes a header")
            << FileFormat::PaiPaiAssistant << true << QByteArray() << 0 << false;
        QTest::newRow("resumed run appends to the file")
            << FileFormat::PaiPaiAssistant << true << paipaiOld << 1 << false;
        QTest::newRow("resumed run onto an empty file writes a header")
            << FileFormat::PaiPaiAssistant << true << QByteArray("") << 0 << false;
        QTest::newRow("PaiPai flush after stop")
            << FileFormat::PaiPaiAssistant << false << QByteArray() << 0 << true;
        QTest::newRow("eBay flush after stop")
            << FileFormat::EbayAssistant << false << QByteArray() << 0 << true;
    }

    void ansiFlush() {
        QFETCH(FileFormat, format);
        QFETCH(bool, resumed);
        QFETCH(QByteArray, oldContent);
        QFETCH(int, rowsBefore);
        QFETCH(bool, lateRow);

        WriterRun f(format, Platform::Taobao);
        if (!oldContent.isNull())
            writeBytes(f.output(), oldContent);
        f.writer->setAppendToExisting(resumed);
        const QDateTime before = QDateTime::currentDateTime();
        f.writer->appendRecord(sampleRecord(), 1);
        QVERIFY(f.writer->flush().ok());
        QVERIFY(f.writer->appendsToExisting());
        if (lateRow) {
            f.writer->appendRecord(sampleRecord(), 1);
            QVERIFY(f.writer->hasPendingOutput());
            QVERIFY(f.writer->flush().ok());
        }

        const QString row = format == FileFormat::PaiPaiAssistant ? paipaiRow(u"0"_s) : kEbayRow;
        const QString expected = AssistantFormat::forFormat(format).headerLine() +
                                 row.repeated(rowsBefore + 1 + (lateRow ? 1 : 0)) + u"\r\n"_s;
        QCOMPARE(maskClock(fromGbk(readBytes(f.output())), before, QDateTime::currentDateTime()), expected);
    }

    // A run from the first item replaces whatever file is there, the program's own or one of
    // another encoding, instead of mixing two runs or two encodings.
    void taobaoFreshRunOntoAnOldFile_data() {
        QTest::addColumn<QByteArray>("oldContent");

        const QString old = AssistantFormat::taobao().headerLine() + kTaobaoRow;
        QTest::newRow("own file") << utf16WithMark(old);
        QTest::newRow("re-saved as GBK") << gbk(old);
        QTest::newRow("re-saved as UTF-8") << old.toUtf8();
        QTest::newRow("UTF-16 of another header") << utf16WithMark(u"标题\t价格\r\n"_s);
    }

    void taobaoFreshRunOntoAnOldFile() {
        QFETCH(QByteArray, oldContent);

        WriterRun f(FileFormat::TaobaoAssistant, Platform::Taobao);
        writeBytes(f.output(), oldContent);
        f.writer->setAppendToExisting(false);
        f.writer->appendRecord(sampleRecord(), 1);
        QVERIFY(f.writer->flush().ok());
        QCOMPARE(readBytes(f.output()), utf16WithMark(AssistantFormat::taobao().headerLine() + kTaobaoRow));
    }

    // Text values with quotes, separators and line breaks at either end: each layout writes the
    // field as the extraction always has, and the comma layouts read back the value. A value whose
    // quotes all come in pairs is doubled now, where it used to read back with half of them.
    void textValueQuoting_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("tabField");
        QTest::addColumn<QString>("commaField");

        QTest::newRow("plain") << u"a b"_s << u"\"a b\""_s << u"\"a b\""_s;
        QTest::newRow("empty") << QString() << u"\"\""_s << u"\"\""_s;
        QTest::newRow("number stays quoted") << u"12"_s << u"\"12\""_s << u"\"12\""_s;
        QTest::newRow("quotes at both ends") << u"\"a\""_s << u"\"\"a\"\""_s << u"\"\"\"a\"\"\""_s;
        QTest::newRow("lone quote") << u"\""_s << u"\"\"\""_s << u"\"\"\"\""_s;
        QTest::newRow("comma first, quote last") << u",x\""_s << u"\",x\"\""_s << u"\",x\"\"\""_s;
        QTest::newRow("quote first, comma last") << u"\"x,"_s << u"\"\"x,\""_s << u"\"\"\"x,\""_s;
        QTest::newRow("TAB and line breaks at the ends") << u"\ta\r\n"_s << u"\" a  \""_s << u"\"\ta\r\n\""_s;
        QTest::newRow("CR first, LF last") << u"\rb\n"_s << u"\" b \""_s << u"\"\rb\n\""_s;
        QTest::newRow("paired quotes") << u"a\"\"b"_s << u"\"a\"\"\"\"b\""_s << u"\"a\"\"\"\"b\""_s;
    }

    void textValueQuoting() {
        QFETCH(QString, value);
        QFETCH(QString, tabField);
        QFETCH(QString, commaField);

        ItemRecord record = sampleRecord(value);
        record.description = value;
        const auto rowOf = [&](FileFormat format) {
            WriterRun f(format, Platform::Taobao);
            f.writer->appendRecord(record, 1);
            const QString output = f.writer->pendingOutput();
            return output.mid(AssistantFormat::forFormat(format).headerLine().size());
        };
        QVERIFY(rowOf(FileFormat::TaobaoAssistant).startsWith(tabField + u"\t50012345\t"_s));
        QVERIFY(rowOf(FileFormat::TaobaoAssistant).contains(u"\t"_s + tabField + u"\t\"http:"_s));
        QVERIFY(rowOf(FileFormat::PaiPaiAssistant).startsWith(u"-1,-1,-1,"_s + commaField + u",\"\","_s));
        QVERIFY(rowOf(FileFormat::PaiPaiAssistant).contains(u",,"_s + commaField + u",\"\","_s));
        const QString ebay = rowOf(FileFormat::EbayAssistant);
        QVERIFY(ebay.startsWith(commaField + u",0,10,0,0,128.000000,"_s + commaField + u","_s));

        for (FileFormat format : {FileFormat::PaiPaiAssistant, FileFormat::EbayAssistant}) {
            WriterRun f(format, Platform::Taobao);
            f.writer->appendRecord(record, 1);
            QVERIFY(f.writer->flush().ok());
            const QList<QStringList> records = readCsvFile(f.output());
            QCOMPARE(records.size(), 2);
            const bool paipai = format == FileFormat::PaiPaiAssistant;
            QCOMPARE(records[1][paipai ? columnIndex(PaiPaiColumn::Title) : columnIndex(EbayColumn::Title)],
                     value);
            QCOMPARE(records[1][paipai ? columnIndex(PaiPaiColumn::Description)
                                       : columnIndex(EbayColumn::Description)],
                     value);
        }
    }

    void chineseRowIsGbk() {
        WriterRun f(FileFormat::PaiPaiAssistant, Platform::PaiPai);
        f.writer->appendRecord(sampleRecord(u"宝贝 €5 \U0001F600"_s), 1);
        QVERIFY(f.writer->flush().ok());
        const QByteArray bytes = readBytes(f.output());
        // 商品名称 in the header, then the title: 宝贝, the euro sign, one '?' for the emoji.
        QVERIFY(bytes.startsWith(
            "\"id\",\"tree_node_id\",\"old_tree_node_id\",\"\xC9\xCC\xC6\xB7\xC3\xFB\xB3\xC6\","));
        QVERIFY(bytes.contains("\r\n-1,-1,-1,\"\xB1\xA6\xB1\xB4 \x80"
                               "5 ?\",\"\","));
        QVERIFY(bytes.endsWith(",0,\r\n\r\n"));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestRowWriter)
#include "tst_rowwriter.moc"
