#include "formats/CsvReader.h"
#include "support/FormatTestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using Records = QList<QStringList>;

class TestCsvReader : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString writeFile(const QByteArray& bytes) {
        const QString path = m_dir.filePath(QStringLiteral("f%1.csv").arg(++m_files));
        writeBytes(path, bytes);
        return path;
    }

    static Records readAll(CsvReader& reader) {
        Records records;
        QStringList record;
        while (reader.readRecord(&record))
            records.append(record);
        return records;
    }

private slots:
    void records_data();
    void records();
    void encodings_data();
    void encodings();
    void longFieldsAcrossReadBlocks();
    void missingFileDoesNotOpen();
};

void TestCsvReader::records_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<Records>("records");

    const QStringList ab{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("plain CR LF") << QStringLiteral("a,b\r\n1,2\r\n3,4\r\n") << ab
                                 << Records{{QStringLiteral("1"), QStringLiteral("2")},
                                            {QStringLiteral("3"), QStringLiteral("4")}};
    QTest::newRow("LF only, no final line break")
        << QStringLiteral("a,b\n1,2\n3,4") << ab
        << Records{{QStringLiteral("1"), QStringLiteral("2")}, {QStringLiteral("3"), QStringLiteral("4")}};
    QTest::newRow("CR only") << QStringLiteral("a,b\r1,2\r") << ab
                             << Records{{QStringLiteral("1"), QStringLiteral("2")}};
    QTest::newRow("quoted header names") << QStringLiteral("\"a\",\"b\"\r\n1,2\r\n") << ab
                                         << Records{{QStringLiteral("1"), QStringLiteral("2")}};
    QTest::newRow("blank lines skipped")
        << QStringLiteral("\r\na,b\r\n\r\n1,2\r\n\n\r\n3,4\r\n\r\n") << ab
        << Records{{QStringLiteral("1"), QStringLiteral("2")}, {QStringLiteral("3"), QStringLiteral("4")}};
    QTest::newRow("comma inside quotes") << QStringLiteral("a,b\r\n\"x,y\",2\r\n") << ab
                                         << Records{{QStringLiteral("x,y"), QStringLiteral("2")}};
    QTest::newRow("doubled quotes") << QStringLiteral("a,b\r\n\"say \"\"hi\"\"\",\"\"\"\"\r\n") << ab
                                    << Records{{QStringLiteral("say \"hi\""), QStringLiteral("\"")}};
    QTest::newRow("line breaks inside quotes")
        << QStringLiteral("a,b\r\n\"one\r\ntwo\n\nthree\",2\r\n3,4\r\n") << ab
        << Records{{QStringLiteral("one\r\ntwo\n\nthree"), QStringLiteral("2")},
                   {QStringLiteral("3"), QStringLiteral("4")}};
    QTest::newRow("empty fields") << QStringLiteral("a,b,c\r\n,,\r\n\"\",x,\r\n")
                                  << QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                                 QStringLiteral("c")}
                                  << Records{{QString(), QString(), QString()},
                                             {QString(), QStringLiteral("x"), QString()}};
    QTest::newRow("short and long records")
        << QStringLiteral("a,b\r\n1\r\n1,2,3\r\n") << ab
        << Records{{QStringLiteral("1")}, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}};
    QTest::newRow("text after a closing quote kept")
        << QStringLiteral("a,b\r\n\"x\"y,z\"w\r\n") << ab
        << Records{{QStringLiteral("xy"), QStringLiteral("z\"w")}};
    QTest::newRow("unterminated quote runs to the end")
        << QStringLiteral("a,b\r\n\"x,\r\ny") << ab << Records{{QStringLiteral("x,\r\ny")}};
    QTest::newRow("header only") << QStringLiteral("a,b\r\n") << ab << Records{};
    QTest::newRow("empty file") << QString() << QStringList{} << Records{};
}

void TestCsvReader::records() {
    QFETCH(QString, text);
    QFETCH(QStringList, header);
    QFETCH(Records, records);

    CsvReader reader;
    QVERIFY(reader.open(writeFile(gbk(text))));
    QCOMPARE(reader.columnNames(), header);
    QCOMPARE(readAll(reader), records);
}

void TestCsvReader::encodings_data() {
    QTest::addColumn<QByteArray>("bytes");

    const QString text = QStringLiteral("名称,价格\r\n\"宝贝,一\",12\r\n");
    QTest::newRow("GBK without a mark") << gbk(text);
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QTest::newRow("UTF-16LE mark") << utf16WithMark(text);
    QTest::newRow("UTF-16BE mark") << QByteArray("\xFE\xFF") +
                                          QByteArray(QStringEncoder(QStringConverter::Utf16BE).encode(text));
}

void TestCsvReader::encodings() {
    QFETCH(QByteArray, bytes);

    CsvReader reader;
    QVERIFY(reader.open(writeFile(bytes)));
    QCOMPARE(reader.columnNames(), (QStringList{QStringLiteral("名称"), QStringLiteral("价格")}));
    QCOMPARE(readAll(reader), (Records{{QStringLiteral("宝贝,一"), QStringLiteral("12")}}));
}

void TestCsvReader::longFieldsAcrossReadBlocks() {
    // Two-byte GBK characters and a doubled quote land on every possible block boundary.
    QString longValue;
    for (int i = 0; i < 50000; ++i)
        longValue += i % 7 == 0 ? QStringLiteral("\"") : QStringLiteral("宝");
    QString quotedValue = longValue;
    quotedValue.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    const QString text = QStringLiteral("a,b\r\n\"") + quotedValue + QStringLiteral("\",x\r\n\r\n1,2\r\n");

    CsvReader reader;
    QVERIFY(reader.open(writeFile(gbk(text))));
    const Records records = readAll(reader);
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0).size(), 2);
    QVERIFY(records.at(0).at(0) == longValue);
    QCOMPARE(records.at(0).at(1), QStringLiteral("x"));
    QCOMPARE(records.at(1), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
}

void TestCsvReader::missingFileDoesNotOpen() {
    CsvReader reader;
    QVERIFY(!reader.open(m_dir.filePath(QStringLiteral("absent.csv"))));
    QStringList record;
    QVERIFY(!reader.readRecord(&record));
}

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
