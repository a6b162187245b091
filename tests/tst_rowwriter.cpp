#include "app/AppPaths.h"
#include "app/RunState.h"
#include "formats/AssistantFormat.h"
#include "formats/CsvReader.h"
#include "formats/RowWriter.h"
#include "support/FakeWindow.h"
#include "support/FormatTestFiles.h"
#include "web/TextFileIo.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum Format { Taobao = 0, Ebay = 1, PaiPai = 2 };
enum Platform { OnPaiPai = 0, OnEbay = 1, OnTaobao = 2 };

const QString kTaobaoRow = QStringLiteral(
    "\"Nike 跑鞋 &amp; 袜\"\t50012345\t0\t5\t\"\"\t\"\"\t\"b\"\t128.000000\t00.000000\t10\t7\t1\t10.000000\t"
    "25.000000\t15.000000\t0\t1\t0\t1\t1\t0\t0\t\"1980-01-01 00:00:00\"\t\"\"\t\"<p>好鞋</p>\"\t"
    "\"http://img.example/1.jpg\"\t\"\"\t0\t0\t0\t0\r\n");

// The Taobao Assistant writes a record's values unchanged, so its row is the sample record.
ItemRecord sampleRecord(const QString& title = QStringLiteral("\"Nike 跑鞋 &amp; 袜\"")) {
    ItemRecord record = ItemRecord::fromValues(kTaobaoRow.chopped(2).split(u'\t'));
    record.title = title;
    return record;
}

QString paipaiRow(const QString& category) {
    return QStringLiteral("-1,-1,-1,\"Nike 跑鞋 & 袜\",\"\",\"b\",") + category +
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
    static const QRegularExpression number(QStringLiteral(",(\\d{14})00000000,"));
    for (auto it = number.globalMatch(text); it.hasNext();) {
        const QDateTime at = QDateTime::fromString(it.next().captured(1), QStringLiteral("yyyyMMddHHmmss"));
        if (!at.isValid() || at < before.addMSecs(-before.time().msec()) || at > after)
            return QStringLiteral("product number out of range: ") + text;
    }
    text.replace(number, QStringLiteral(",PNO,"));
    static const QRegularExpression dateTime(
        QStringLiteral("(?<=,)\\d{4}-\\d{1,2}-\\d{1,2} \\d{1,2}:\\d\\d:\\d\\d(?=,)"));
    text.replace(dateTime, QStringLiteral("DT"));
    return text;
}

// The records of a flushed comma-separated output as the converter's CSV reader reads them back,
// the header's names first.
QList<QStringList> readBack(const QString& path) {
    CsvReader reader;
    QList<QStringList> records;
    if (!reader.open(path))
        return records;
    records.append(reader.columnNames());
    QStringList record;
    while (reader.readRecord(&record))
        records.append(record);
    return records;
}

struct Fixture {
    QTemporaryDir dir;
    FakeWindow window;
    RunState state;
    AppPaths paths{dir.path()};
    RowWriter writer{state, window, paths};

    Fixture(int format, int platform) {
        window.format = format;
        window.platform = platform;
        state.outputBaseName = QStringLiteral("PaiPai_shop");
        state.stopRequested = false;
    }
    QString outputPath() const { return paths.outputFile(state.outputBaseName, state.outputExtension); }
};

} // namespace

class TestRowWriter : public QObject {
    Q_OBJECT

private slots:
    void firstAndSecondRecord_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("platform");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<int>("inHeader");
        QTest::addColumn<int>("inRow");

        QTest::newRow("Taobao Assistant keeps entities")
            << int(Taobao) << int(OnTaobao) << AssistantFormat::taobao().headerLine() << kTaobaoRow << "\t"
            << 30 << 30;
        QTest::newRow("PaiPai Assistant on a PaiPai shop")
            << int(PaiPai) << int(OnPaiPai) << AssistantFormat::paipai().headerLine()
            << paipaiRow(QStringLiteral("50012345")) << "," << 37 << 37;
        QTest::newRow("PaiPai Assistant on a Taobao shop")
            << int(PaiPai) << int(OnTaobao) << AssistantFormat::paipai().headerLine()
            << paipaiRow(QStringLiteral("0")) << "," << 37 << 37;
        QTest::newRow("PaiPai Assistant on an eBay shop")
            << int(PaiPai) << int(OnEbay) << AssistantFormat::paipai().headerLine()
            << paipaiRow(QStringLiteral("0")) << "," << 37 << 37;
        QTest::newRow("eBay Assistant") << int(Ebay) << int(OnEbay) << AssistantFormat::ebay().headerLine()
                                        << kEbayRow << "," << 88 << 87;
    }

    void firstAndSecondRecord() {
        QFETCH(int, format);
        QFETCH(int, platform);
        QFETCH(QString, header);
        QFETCH(QString, row);
        QFETCH(QString, separator);
        QFETCH(int, inHeader);
        QFETCH(int, inRow);

        Fixture f(format, platform);
        const QDateTime before = QDateTime::currentDateTime();
        f.writer.EmitItemRecord(sampleRecord());
        QVERIFY(f.state.headerWritten);
        QCOMPARE(f.state.fieldSeparator, separator);
        QCOMPARE(maskClock(f.state.outputBuffer, before, QDateTime::currentDateTime()), header + row);

        f.writer.EmitItemRecord(sampleRecord());
        QCOMPARE(maskClock(f.state.outputBuffer, before, QDateTime::currentDateTime()), header + row + row);
        const QStringList lines = f.state.outputBuffer.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0].count(separator), inHeader);
        QCOMPARE(lines[1].count(separator), inRow);
    }

    void ebayPictureField_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("field");

        QTest::newRow("empty picture") << ""
                                       << "|:|";
        QTest::newRow("quoted picture") << "\"http://p/a.jpg\""
                                        << "http://p/a.jpg|:|";
        QTest::newRow("quotes inside") << "\"a\"\"b\""
                                       << "ab|:|";
    }

    void ebayPictureField() {
        QFETCH(QString, picture);
        QFETCH(QString, field);
        Fixture f(Ebay, OnEbay);
        ItemRecord record = sampleRecord();
        record.picture = picture;
        f.writer.EmitItemRecord(record);
        QVERIFY(f.writer.FlushOutputBuffer().ok());
        const QList<QStringList> records = readBack(f.outputPath());
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[1].size(), 88);
        QCOMPARE(records[1][11], field);
        QCOMPARE(records[1][7].size(), 22);
    }

    void formatSwitchedMidRun() {
        Fixture f(Taobao, OnPaiPai);
        f.writer.EmitItemRecord(sampleRecord());
        f.window.format = PaiPai;
        f.writer.EmitItemRecord(sampleRecord());
        QCOMPARE(f.state.fieldSeparator, QStringLiteral(","));
        QCOMPARE(f.state.outputBuffer,
                 AssistantFormat::taobao().headerLine() + kTaobaoRow + paipaiRow(QStringLiteral("50012345")));
    }

    void rowIntegrity_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<int>("fields");

        QTest::newRow("Taobao Assistant") << int(Taobao) << QChar(u'\t') << 31;
        QTest::newRow("PaiPai Assistant") << int(PaiPai) << QChar(u',') << 38;
        QTest::newRow("eBay Assistant") << int(Ebay) << QChar(u',') << 88;
    }

    void rowIntegrity() {
        QFETCH(int, format);
        QFETCH(QChar, separator);
        QFETCH(int, fields);

        Fixture f(format, OnPaiPai);
        ItemRecord record = sampleRecord(QStringLiteral("\"5&quot; 屏幕, 黑\tA\""));
        record.increment = QStringLiteral("1,000.00");
        record.price = QStringLiteral("1,280.00");
        record.description = QStringLiteral("\"<p>a\r\nb \"c\"</p>\"");
        f.writer.EmitItemRecord(record);
        f.writer.EmitItemRecord(sampleRecord());

        QList<QStringList> records;
        if (format == Taobao) {
            for (const QString& line : f.state.outputBuffer.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
                records.append(line.split(separator));
        } else {
            QVERIFY(f.writer.FlushOutputBuffer().ok());
            records = readBack(f.outputPath());
        }
        QCOMPARE(records.size(), 3);
        // The eBay header closes with a separator of its own.
        QCOMPARE(records[0].size(), format == Ebay ? fields + 1 : fields);
        QCOMPARE(records[1].size(), fields);
        QCOMPARE(records[2].size(), fields);
        if (format == PaiPai) {
            QCOMPARE(records[1][3], QStringLiteral("5\" 屏幕, 黑\tA"));
            QCOMPARE(records[1][14], QStringLiteral("1,000.00"));
            QCOMPARE(records[1][31], QStringLiteral("<p>a\r\nb \"c\"</p>"));
        } else if (format == Ebay) {
            QCOMPARE(records[1][0], QStringLiteral("5\" 屏幕, 黑\tA"));
            QCOMPARE(records[1][5], QStringLiteral("1,280.00"));
        } else {
            QCOMPARE(records[1][0], QStringLiteral("\"5&quot; 屏幕, 黑 A\""));
            QCOMPARE(records[1][24], QStringLiteral("\"<p>a  b \"c\"</p>\""));
        }
    }

    void ansiFlush_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("resumed");
        QTest::addColumn<QByteArray>("oldContent");
        QTest::addColumn<int>("rowsBefore"); // rows of the earlier content kept

        const QByteArray paipaiOld = gbk(AssistantFormat::paipai().headerLine() +
                                         paipaiRow(QStringLiteral("0")) + QStringLiteral("\r\n"));
        QTest::newRow("fresh run creates the file") << int(PaiPai) << false << QByteArray() << 0;
        QTest::newRow("fresh run replaces an old file") << int(PaiPai) << false << QByteArray("old\r\n") << 0;
        QTest::newRow("resumed run without a file writes a header")
            << int(PaiPai) << true << QByteArray() << 0;
        QTest::newRow("resumed run appends to the file") << int(PaiPai) << true << paipaiOld << 1;
        QTest::newRow("resumed run onto an empty file writes a header")
            << int(PaiPai) << true << QByteArray("") << 0;
    }

    void ansiFlush() {
        QFETCH(int, format);
        QFETCH(bool, resumed);
        QFETCH(QByteArray, oldContent);
        QFETCH(int, rowsBefore);

        Fixture f(format, OnTaobao);
        if (!oldContent.isNull())
            writeBytes(f.outputPath(), oldContent);
        f.state.appendToExisting = resumed;
        f.writer.EmitItemRecord(sampleRecord());
        QVERIFY(f.writer.FlushOutputBuffer().ok());
        QVERIFY(f.state.appendToExisting);

        QString expected = AssistantFormat::paipai().headerLine();
        for (int i = 0; i < rowsBefore + 1; ++i)
            expected += paipaiRow(QStringLiteral("0"));
        QCOMPARE(fromGbk(readBytes(f.outputPath())), expected + QStringLiteral("\r\n"));
    }

    void flushAfterStopAppendsWithoutSecondHeader_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("PaiPai Assistant") << int(PaiPai);
        QTest::newRow("eBay Assistant") << int(Ebay);
    }

    void flushAfterStopAppendsWithoutSecondHeader() {
        QFETCH(int, format);
        Fixture f(format, OnPaiPai);
        const QDateTime before = QDateTime::currentDateTime();
        f.writer.EmitItemRecord(sampleRecord());
        f.writer.EmitItemRecord(sampleRecord());
        QVERIFY(f.writer.FlushOutputBuffer().ok()); // the user's stop
        f.writer.EmitItemRecord(sampleRecord());    // the item in progress finishes
        QVERIFY(f.state.headerWritten);
        QVERIFY(f.writer.FlushOutputBuffer().ok()); // the crawler's own stop

        const AssistantLayout& layout = AssistantFormat::forOption(format);
        const QString row = format == PaiPai ? paipaiRow(QStringLiteral("50012345")) : kEbayRow;
        QCOMPARE(maskClock(fromGbk(readBytes(f.outputPath())), before, QDateTime::currentDateTime()),
                 layout.headerLine() + row + row + row + QStringLiteral("\r\n"));
    }

    void chineseRowIsGbk() {
        Fixture f(PaiPai, OnPaiPai);
        f.writer.EmitItemRecord(sampleRecord(QStringLiteral("\"宝贝 €5 \U0001F600\"")));
        QVERIFY(f.writer.FlushOutputBuffer().ok());
        const QByteArray bytes = readBytes(f.outputPath());
        // 商品名称 in the header, then the title: 宝贝, the euro sign, one '?' for the emoji.
        QVERIFY(bytes.startsWith(
            "\"id\",\"tree_node_id\",\"old_tree_node_id\",\"\xC9\xCC\xC6\xB7\xC3\xFB\xB3\xC6\","));
        QVERIFY(bytes.contains("\r\n-1,-1,-1,\"\xB1\xA6\xB1\xB4 \x80"
                               "5 ?\",\"\","));
        QVERIFY(bytes.endsWith(",0,\r\n\r\n"));
    }

    void gbkAsTheEncoderHasIt() {
        // Every BMP character, each after an ASCII one, as Qt's ICU encoder writes it, except that
        // a character it writes nothing for (U+00AD, U+200B) still leaves its "?".
        QStringEncoder encoder("GBK");
        QString all;
        QByteArray expected;
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            if (QChar::isSurrogate(unit))
                continue;
            const QChar neighbour(u'a' + unit % 26);
            const QChar c(unit);
            all.append(neighbour).append(c);
            const QByteArray bytes = encoder.encode(QStringView(&c, 1));
            expected.append(char(neighbour.unicode())).append(bytes.isEmpty() ? QByteArray("?") : bytes);
        }
        QVERIFY(EncodeGbk(all) == expected);
    }

    void gbkOutsideTheBmp_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("pair") << QString::fromUcs4(U"x\U0001F600y") << QByteArray("x?y");
        QTest::newRow("ignorable tag") << QString::fromUcs4(U"x\U000E0001y") << QByteArray("x?y");
        QTest::newRow("lone low half") << QString(u"x" + QChar(0xDC00) + u"y") << QByteArray("x?y");
        QTest::newRow("two high halves")
            << QString(u"x" + QChar(0xD800) + QChar(0xD800) + u"y") << QByteArray("x??y");
        // The encoder alone would hold this one back and lose it.
        QTest::newRow("high half at the end") << QString(u"x" + QChar(0xD800)) << QByteArray("x?");
    }

    void gbkOutsideTheBmp() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EncodeGbk(text), bytes);
    }

    void failedFlushKeepsBuffer() {
        Fixture f(PaiPai, OnPaiPai);
        AppPaths missing(f.dir.filePath(QStringLiteral("absent/folder")));
        RowWriter writer(f.state, f.window, missing);
        writer.EmitItemRecord(sampleRecord());
        const QString buffer = f.state.outputBuffer;
        QVERIFY(!writer.FlushOutputBuffer().ok());
        QCOMPARE(f.state.outputBuffer, buffer);
        QVERIFY(f.state.headerWritten);
        QVERIFY(!f.state.appendToExisting);
    }
};

QTEST_GUILESS_MAIN(TestRowWriter)
#include "tst_rowwriter.moc"
