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

    void missingFileDoesNotOpen() {
        CsvReader reader;
        QVERIFY(!reader.open(m_files.path(u"absent.csv"_s)));
        QStringList record;
        QVERIFY(!reader.readRecord(&record));
    }
};

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
