#include "formats/CsvReader.h"
#include "formats/TaobaoLineReader.h"
#include "support/FormatTestFiles.h"
#include "support/TestMain.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

using Records = QList<QStringList>;

class TestCsvReader : public QObject {
    Q_OBJECT

private:
    NumberedTestFiles m_files;

private slots:
    void records_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<Records>("records");

        // Every case in GBK and in each encoding a byte-order mark announces.
        const auto addRows = [](const char* name, const QString& text, const QStringList& header,
                                const Records& records) {
            const QByteArray utf16be = QStringEncoder(QStringConverter::Utf16BE).encode(text);
            const QList<std::pair<const char*, QByteArray>> files{
                {"GBK", gbk(text)},
                {"UTF-8 mark", QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
                {"UTF-16LE mark", utf16WithMark(text)},
                {"UTF-16BE mark", QByteArray("\xFE\xFF") + utf16be}};
            for (const auto& [encoding, bytes] : files)
                QTest::addRow("%s, %s", name, encoding) << bytes << header << records;
        };
        addRows("Chinese names, comma inside quotes", u"名称,价格\r\n\"宝贝,一\",12\r\n"_s,
                QStringList{u"名称"_s, u"价格"_s}, Records{{u"宝贝,一"_s, u"12"_s}});
        const QStringList ab{u"a"_s, u"b"_s};
        addRows("plain CR LF", u"a,b\r\n1,2\r\n3,4\r\n"_s, ab, Records{{u"1"_s, u"2"_s}, {u"3"_s, u"4"_s}});
        addRows("LF only, no final line break", u"a,b\n1,2\n3,4"_s, ab,
                Records{{u"1"_s, u"2"_s}, {u"3"_s, u"4"_s}});
        addRows("CR only", u"a,b\r1,2\r"_s, ab, Records{{u"1"_s, u"2"_s}});
        addRows("quoted header names", u"\"a\",\"b\"\r\n1,2\r\n"_s, ab, Records{{u"1"_s, u"2"_s}});
        addRows("blank lines skipped", u"\r\na,b\r\n\r\n1,2\r\n\n\r\n3,4\r\n\r\n"_s, ab,
                Records{{u"1"_s, u"2"_s}, {u"3"_s, u"4"_s}});
        addRows("comma inside quotes", u"a,b\r\n\"x,y\",2\r\n"_s, ab, Records{{u"x,y"_s, u"2"_s}});
        addRows("doubled quotes", u"a,b\r\n\"say \"\"hi\"\"\",\"\"\"\"\r\n"_s, ab,
                Records{{u"say \"hi\""_s, u"\""_s}});
        addRows("line breaks inside quotes", u"a,b\r\n\"one\r\ntwo\n\nthree\",2\r\n3,4\r\n"_s, ab,
                Records{{u"one\r\ntwo\n\nthree"_s, u"2"_s}, {u"3"_s, u"4"_s}});
        addRows("empty fields", u"a,b,c\r\n,,\r\n\"\",x,\r\n"_s, QStringList{u"a"_s, u"b"_s, u"c"_s},
                Records{{QString(), QString(), QString()}, {QString(), u"x"_s, QString()}});
        addRows("short and long records", u"a,b\r\n1\r\n1,2,3\r\n"_s, ab,
                Records{{u"1"_s}, {u"1"_s, u"2"_s, u"3"_s}});
        addRows("text after a closing quote kept", u"a,b\r\n\"x\"y,z\"w\r\n"_s, ab,
                Records{{u"xy"_s, u"z\"w"_s}});
        addRows("unterminated quote runs to the end", u"a,b\r\n\"x,\r\ny"_s, ab, Records{{u"x,\r\ny"_s}});
        addRows("header only", u"a,b\r\n"_s, ab, Records{});
        addRows("empty file", QString(), QStringList{}, Records{});
    }

    void records() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, header);
        QFETCH(Records, records);
        QCOMPARE(readCsvFile(m_files.write(bytes)), Records{header} + records);
    }

    void longFieldsAcrossReadBlocks() {
        // Two-byte GBK characters and a doubled quote land on every possible block boundary.
        QString longValue;
        for (int i = 0; i < 50000; ++i)
            longValue += i % 7 == 0 ? u"\""_s : u"宝"_s;
        QString quotedValue = longValue;
        quotedValue.replace(u"\""_s, u"\"\""_s);
        const QString text = u"a,b\r\n\""_s + quotedValue + u"\",x\r\n\r\n1,2\r\n"_s;

        const Records records = readCsvFile(m_files.write(gbk(text)));
        QCOMPARE(records.size(), 3);
        QCOMPARE(records.at(1).size(), 2);
        QVERIFY(records.at(1).at(0) == longValue);
        QCOMPARE(records.at(1).at(1), u"x"_s);
        QCOMPARE(records.at(2), (QStringList{u"1"_s, u"2"_s}));
    }

    // A record is held in memory only up to a bound: a quote that never closes, or data without
    // line breaks, stops the reading and names the line where it began.
    void oversizedRecordsStopTheReading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Records>("records"); // read before the fault, header included
        QTest::addColumn<QString>("error");

        const qsizetype limit = QuotedRecordReader::kRecordLimit;
        const QString endless(limit + 1, u'x');
        const QStringList ab{u"a"_s, u"b"_s};
        QTest::newRow("quote open after a quoted line break")
            << u"a,b\r\n\"one\r\ntwo\",2\r\n3,\""_s + endless << Records{ab, {u"one\r\ntwo"_s, u"2"_s}}
            << u"第4行开始的引号在1MB之内没有闭合"_s;
        QTest::newRow("quote open on a later line of its record")
            << u"a,b\n\"p\nq\",\"x"_s + endless << Records{ab} << u"第3行开始的引号在1MB之内没有闭合"_s;
        QTest::newRow("line without a break, after a blank line")
            << u"a,b\n\n1,2\n"_s + endless << Records{ab, {u"1"_s, u"2"_s}} << u"第4行的记录超过1MB"_s;
        QTest::newRow("CR line breaks") << u"a,b\r1,2\r\""_s + endless << Records{ab, {u"1"_s, u"2"_s}}
                                        << u"第3行开始的引号在1MB之内没有闭合"_s;
        QTest::newRow("a record at the bound") << u"a,b\r\n"_s + QString(limit - 1, u'x') + u"\r\n"_s
                                               << Records{ab, {QString(limit - 1, u'x')}} << QString();
    }

    void oversizedRecordsStopTheReading() {
        QFETCH(QString, text);
        QFETCH(Records, records);
        QFETCH(QString, error);

        CsvReader reader;
        QVERIFY(reader.open(m_files.write(gbk(text))));
        Records read{reader.columnNames()};
        QStringList record;
        while (reader.readRecord(&record))
            read.append(record);
        QCOMPARE(read, records);
        QCOMPARE(reader.error(), error);
    }

    // Older Taobao files: one item per line, read a block at a time. Line ends of every kind land
    // on the end of a block, where a CR may be the first half of a CR LF.
    void taobaoLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<qint64>("tooLongAt"); // the line found too long; 0: none

        const QStringList ab{u"a\tb"_s, u"1\t2"_s};
        QTest::newRow("CR LF") << utf16WithMark(u"a\tb\r\n1\t2\r\n"_s) << ab << qint64(0);
        QTest::newRow("CR alone, no final line end") << utf16WithMark(u"a\tb\r1\t2"_s) << ab << qint64(0);
        QTest::newRow("LF alone, blank lines kept")
            << utf16WithMark(u"a\tb\n\n1\t2\n"_s) << QStringList{u"a\tb"_s, QString(), u"1\t2"_s}
            << qint64(0);
        QTest::newRow("LF CR is two line ends")
            << utf16WithMark(u"a\tb\n\r1\t2"_s) << QStringList{u"a\tb"_s, QString(), u"1\t2"_s} << qint64(0);
        QTest::newRow("CR at the end of the file")
            << utf16WithMark(u"a\tb\r"_s) << QStringList{u"a\tb"_s} << qint64(0);
        QTest::newRow("GBK without a mark") << gbk(u"宝贝名称\t价格\r\n宝贝\t1\r\n"_s)
                                            << QStringList{u"宝贝名称\t价格"_s, u"宝贝\t1"_s} << qint64(0);
        QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF") + u"宝\r\n贝"_s.toUtf8()
                                             << QStringList{u"宝"_s, u"贝"_s} << qint64(0);
        QTest::newRow("UTF-16 a byte short")
            << utf16WithMark(u"a\r\nb"_s).chopped(1)
            << QStringList{u"a"_s, QString(QChar::ReplacementCharacter)} << qint64(0);
        QTest::newRow("empty file") << QByteArray() << QStringList{} << qint64(0);

        // Units of the first block (the mark is read before it). The line end falls on its last
        // units: a CR LF split by the block's end, then ending it, then just inside it.
        const qsizetype block = TaobaoLineReader::kBlockBytes / 2;
        for (qsizetype after : {0, 1, 2}) {
            const QString first(block - 1 - after, u'宝');
            QTest::addRow("CR LF, the CR %lld units before the block's end", qlonglong(after))
                << utf16WithMark(first + u"\r\n"_s + u"1\t2\r\n"_s) << QStringList{first, u"1\t2"_s}
                << qint64(0);
            QTest::addRow("CR alone, %lld units before the block's end", qlonglong(after))
                << utf16WithMark(first + u"\r"_s + u"1\t2"_s) << QStringList{first, u"1\t2"_s} << qint64(0);
        }
        // The CR ends the block, a TAB stands before it: the search goes over the TAB again.
        const QString beforeCr = QString(block - 2, u'宝') + u'\t';
        QTest::newRow("a TAB before a CR that ends the block")
            << utf16WithMark(beforeCr + u"\r\n\t1\t\r\n"_s) << QStringList{beforeCr, u"\t1\t"_s} << qint64(0);
        QString tabbed = QString(block * 19 / 10, u'贝');
        for (qsizetype at = 999; at < tabbed.size(); at += 1000)
            tabbed[at] = u'\t';
        QTest::newRow("TABs over parts of two blocks")
            << utf16WithMark(tabbed + u"\r\nb"_s) << QStringList{tabbed, u"b"_s} << qint64(0);
        const QString longLine(block * 19 / 10, u'贝');
        QTest::newRow("a line over parts of three blocks")
            << utf16WithMark(u"a\r\n"_s + longLine + u"\r\nb"_s) << QStringList{u"a"_s, longLine, u"b"_s}
            << qint64(0);
        const qsizetype limit = QuotedRecordReader::kRecordLimit;
        QTest::newRow("a line at the bound")
            << utf16WithMark(u"a\r\n"_s + QString(limit, u'x') + u"\r\nb"_s)
            << QStringList{u"a"_s, QString(limit, u'x'), u"b"_s} << qint64(0);
        QTest::newRow("a line over the bound, ended")
            << utf16WithMark(u"a\r\n"_s + QString(limit + 1, u'x') + u"\r\nb"_s) << QStringList{u"a"_s}
            << qint64(2);
        QTest::newRow("a line over the bound, never ended")
            << utf16WithMark(u"a\rb\r"_s + QString(3 * block, u'x')) << QStringList{u"a"_s, u"b"_s}
            << qint64(3);
    }

    void taobaoLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(qint64, tooLongAt);

        TaobaoLineReader reader;
        QVERIFY(reader.open(m_files.write(bytes)));
        QStringList read;
        QStringView line;
        while (reader.readLine(&line, QuotedRecordReader::kRecordLimit)) {
            read.append(line.toString());
            QList<qsizetype> tabs;
            for (qsizetype at = line.indexOf(u'\t'); at >= 0; at = line.indexOf(u'\t', at + 1))
                tabs.append(at);
            QCOMPARE(QList<qsizetype>(reader.tabs().begin(), reader.tabs().end()), tabs);
        }
        QCOMPARE(read.size(), lines.size());
        QVERIFY(read == lines);
        QCOMPARE(reader.tooLong(), tooLongAt != 0);
        if (tooLongAt != 0)
            QCOMPARE(reader.lineNumber(), tooLongAt);
    }

    void missingFileDoesNotOpen() {
        CsvReader reader;
        QVERIFY(!reader.open(m_files.path(u"absent.csv"_s)));
        QStringList record;
        QVERIFY(!reader.readRecord(&record));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
