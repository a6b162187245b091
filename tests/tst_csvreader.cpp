#include "formats/CsvReader.h"
#include "support/FormatTestFiles.h"

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

    void missingFileDoesNotOpen() {
        CsvReader reader;
        QVERIFY(!reader.open(m_files.path(u"absent.csv"_s)));
        QStringList record;
        QVERIFY(!reader.readRecord(&record));
    }
};

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
