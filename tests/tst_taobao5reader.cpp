#include "formats/Taobao5Reader.h"
#include "support/Taobao5TestFiles.h"
#include "support/TestMain.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

using Items = QList<QStringList>;

namespace {

// What a case checks of every item: title, price, num, description.
QStringList projection(const Taobao5Record& record) {
    return {record[Taobao5Field::Title], record[Taobao5Field::Price], record[Taobao5Field::Num],
            record[Taobao5Field::Description]};
}

Items readAll(Taobao5Reader& reader) {
    Items items;
    Taobao5Record record;
    while (reader.readRecord(&record))
        items.append(projection(record));
    return items;
}

// A row in the 63-name order with the four checked values set and the rest as the assistant
// leaves them.
QStringList fullRow(const QString& title, const QString& price, const QString& num,
                    const QString& description) {
    QStringList row;
    for (int i = 0; i < Taobao5Layout::kFieldCount; ++i)
        row.append(Taobao5Layout::isText(static_cast<Taobao5Field>(i)) ? u"\"\""_s : u"0"_s);
    row[int(Taobao5Field::Title)] = title;
    row[int(Taobao5Field::Price)] = price;
    row[int(Taobao5Field::Num)] = num;
    row[int(Taobao5Field::Description)] = description;
    return row;
}

} // namespace

class TestTaobao5Reader : public QObject {
    Q_OBJECT

private:
    NumberedTestFiles m_files;

private slots:
    void items_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Items>("items");

        const auto addRows = [](const char* name, const QString& text, const Items& items) {
            for (const auto& [encodingName, encoding] : allFileEncodings())
                QTest::addRow("%s, %s", name, encodingName) << encodeAs(encoding, text) << items;
        };
        const QStringList names = taobao5Names();
        const QString html = u"<p align=\"center\">第一行</p>\n<p>\t第二行</p>\r\n<img src=\"a.jpg\">"_s;

        addRows(
            "multi-line description, doubled quotes",
            taobao5Text(names, {fullRow(u"\"连衣裙 \"\"新款\"\"\""_s, u"12.50"_s, u"3"_s, csvQuoted(html))}),
            Items{{u"连衣裙 \"新款\""_s, u"12.50"_s, u"3"_s, html}});
        addRows("CR LF line ends",
                taobao5Text(names,
                            {fullRow(u"\"一\""_s, u"1"_s, u"1"_s, u"\"a\r\nb\""_s),
                             fullRow(u"\"二\""_s, u"2"_s, u"2"_s, u"\"\""_s)},
                            u"\r\n"_s),
                Items{{u"一"_s, u"1"_s, u"1"_s, u"a\r\nb"_s}, {u"二"_s, u"2"_s, u"2"_s, QString()}});
        addRows("TAB inside quotes",
                taobao5Text(names, {fullRow(u"\"a\tb\""_s, u"5"_s, u"1"_s, u"\"\t\""_s)}),
                Items{{u"a\tb"_s, u"5"_s, u"1"_s, u"\t"_s}});
        addRows("quoted and bare numbers",
                taobao5Text(names, {fullRow(u"\"x\""_s, u"\"9.90\""_s, u"7"_s, u"\"\""_s)}),
                Items{{u"x"_s, u"9.90"_s, u"7"_s, QString()}});
        addRows("garbled caption line",
                taobao5Text(names, {fullRow(u"\"x\""_s, u"1"_s, u"1"_s, u"\"d\""_s)}, u"\n"_s,
                            u"\"æ\u0095°å\tç\u0085§\"\u00b1"_s),
                Items{{u"x"_s, u"1"_s, u"1"_s, u"d"_s}});
        addRows("blank and empty rows skipped",
                taobao5Text(names, {fullRow(u"\"x\""_s, u"1"_s, u"1"_s, u"\"\""_s),
                                    {},
                                    {u""_s, u""_s},
                                    fullRow(u"\"y\""_s, u"2"_s, u"2"_s, u"\"\""_s)}),
                Items{{u"x"_s, u"1"_s, u"1"_s, QString()}, {u"y"_s, u"2"_s, u"2"_s, QString()}});
        addRows("last row without line end",
                taobao5Text(names, {fullRow(u"\"x\""_s, u"1"_s, u"1"_s, u"\"d\""_s)}).chopped(1),
                Items{{u"x"_s, u"1"_s, u"1"_s, u"d"_s}});
        {
            const QStringList open = fullRow(u"\"x\""_s, u"1"_s, u"1"_s, u"\"d\n"_s);
            // Every later "" reads as one quote inside the open field, which never closes.
            const QString rest =
                QString(u"\n\t"_s + open.mid(int(Taobao5Field::Description) + 1).join(u'\t') + u"\n"_s)
                    .replace(u"\"\""_s, u"\""_s);
            addRows("quote left open runs to the end", taobao5Text(names, {open}),
                    Items{{u"x"_s, u"1"_s, u"1"_s, u"d"_s + rest}});
        }
        addRows("no items", taobao5Text(names, {}), Items{});

        // Field name variants, in shuffled order and with names the reader does not know.
        const auto variant = [&names](int count, const QStringList& extra) {
            QStringList chosen = names.mid(0, count) + extra;
            std::reverse(chosen.begin(), chosen.end());
            std::rotate(chosen.begin(), chosen.begin() + 7, chosen.end());
            QStringList row;
            for (const QString& name : chosen) {
                if (name == u"title")
                    row.append(u"\"标题\""_s);
                else if (name == u"price")
                    row.append(u"88"_s);
                else if (name == u"num")
                    row.append(u"4"_s);
                else if (name == u"description")
                    row.append(u"\"多行\n描述\""_s);
                else
                    row.append(u"\"?\""_s);
            }
            return taobao5Text(chosen, {row});
        };
        const Items variantItems{{u"标题"_s, u"88"_s, u"4"_s, u"多行\n描述"_s}};
        addRows("53 names shuffled", variant(53, {}), variantItems);
        addRows("63 names shuffled", variant(63, {}), variantItems);
        addRows("67 names shuffled",
                variant(63, {u"tmall_extend"_s, u"product_combine"_s, u"tmall_item_prop_combine"_s,
                             u"taoschema_extend"_s}),
                variantItems);
    }

    void items() {
        QFETCH(QByteArray, bytes);
        QFETCH(Items, items);
        Taobao5Reader reader;
        QVERIFY(reader.open(m_files.write(bytes)));
        QCOMPARE(readAll(reader), items);
    }

    void encodingOfFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        const QString text = taobao5Text(taobao5Names(), {fullRow(u"\"宝贝\""_s, u"1"_s, u"1"_s, u"\"\""_s)});
        QTest::newRow("UTF-16LE mark") << encodeAs(FileEncoding::Utf16LEMark, text) << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16BE mark") << encodeAs(FileEncoding::Utf16BEMark, text) << TextEncoding::Utf16BE;
        QTest::newRow("UTF-8 mark") << encodeAs(FileEncoding::Utf8Mark, text) << TextEncoding::Utf8;
        QTest::newRow("UTF-8") << encodeAs(FileEncoding::Utf8, text) << TextEncoding::Utf8;
        QTest::newRow("GBK") << encodeAs(FileEncoding::Gbk, text) << TextEncoding::Gbk;
        QTest::newRow("UTF-16LE without mark")
            << encodeAs(FileEncoding::Utf16LEMark, text).mid(2) << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16BE without mark")
            << encodeAs(FileEncoding::Utf16BEMark, text).mid(2) << TextEncoding::Utf16BE;
        // Only ASCII in the first megabytes: the GBK further on still decides.
        // Captions saved under another locale as question marks, so nothing but ASCII comes first.
        // (Six items of half a megabyte: a record stays below the reader's bound.)
        const QStringList longRow = fullRow(u"\"x\""_s, u"1"_s, u"1"_s, csvQuoted(QString(500'000, u'a')));
        const QString late =
            taobao5Text(taobao5Names(), QList<QStringList>(6, longRow), u"\n"_s, u"????\t????"_s) +
            u"\"宝贝\"\t1\n"_s;
        QTest::newRow("GBK after 3 MB of ASCII") << gbk(late) << TextEncoding::Gbk;
        QTest::newRow("UTF-8 after 3 MB of ASCII") << late.toUtf8() << TextEncoding::Utf8;
        // A damaged byte does not make all the rest GBK: it alone is lost.
        QByteArray damaged = encodeAs(FileEncoding::Utf8, text);
        damaged.insert(damaged.size() - 3, '\xFF');
        QTest::newRow("UTF-8 with a damaged byte") << damaged << TextEncoding::Utf8;
        QTest::newRow("UTF-8 with a damaged byte after 3 MB of ASCII")
            << late.toUtf8() + u"\"宝贝\"\t2\n"_s.repeated(10).toUtf8() + "\"\xC0\"\t3\n"
            << TextEncoding::Utf8;
    }

    void encodingOfFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        Taobao5Reader reader;
        QVERIFY(reader.open(m_files.write(bytes)));
        QCOMPARE(reader.encoding(), encoding);
        Taobao5Record record;
        QVERIFY(reader.readRecord(&record));
        QVERIFY(!record[Taobao5Field::Title].contains(QChar::ReplacementCharacter));
    }

    void notThisLayout_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QString names = taobao5Names().join(u'\t');
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("old layout") << utf16WithMark(taobaoHeaderNames() + u"\r\n"_s);
        QTest::newRow("other version") << utf16WithMark(u"version 2.00\n"_s + names + u"\n"_s);
        QTest::newRow("names without title") << utf16WithMark(u"version 1.00\ncid\tprice\n"_s);
        QTest::newRow("version line alone") << utf16WithMark(u"version 1.00\n"_s);
        QTest::newRow("comma file") << gbk(u"\"id\",\"tree_node_id\"\r\n1,2\r\n"_s);
        QTest::newRow("binary without line breaks") << QByteArray(200'000, '\x89');
    }

    void notThisLayout() {
        QFETCH(QByteArray, bytes);
        Taobao5Reader reader;
        QVERIFY(!reader.open(m_files.write(bytes)));
        Taobao5Record record;
        QVERIFY(!reader.readRecord(&record));
    }

    void fieldsFoundByNameWhateverTheOrder() {
        // Every field of the layout reads back under its own name from reversed columns.
        QStringList names = taobao5Names();
        std::reverse(names.begin(), names.end());
        QStringList row;
        for (const QString& name : std::as_const(names))
            row.append(csvQuoted(u"value of "_s + name));
        Taobao5Reader reader;
        QVERIFY(reader.open(m_files.write(utf16WithMark(taobao5Text(names, {row})))));
        Taobao5Record record;
        QVERIFY(reader.readRecord(&record));
        for (int i = 0; i < Taobao5Layout::kFieldCount; ++i) {
            const auto field = static_cast<Taobao5Field>(i);
            QCOMPARE(record[field], u"value of "_s + Taobao5Layout::fieldName(field));
        }
        QVERIFY(!reader.readRecord(&record));
    }

    void longRecordsAcrossReadBlocks() {
        // Descriptions far larger than a read block, with a doubled quote, a CR LF and surrogate
        // pairs landing on every kind of boundary, in both UTF-16 byte orders and in GBK.
        QString description;
        for (int i = 0; i < 300'000; ++i)
            description += i % 13 == 0 ? u"\""_s : i % 29 == 0 ? u"\r\n"_s : i % 31 == 0 ? u"😀"_s : u"宝"_s;
        QString gbkSafe = description;
        gbkSafe.replace(u"😀"_s, u"贝"_s);
        const QList<std::pair<FileEncoding, QString>> cases{{FileEncoding::Utf16LEMark, description},
                                                            {FileEncoding::Utf16BEMark, description},
                                                            {FileEncoding::Gbk, gbkSafe}};
        for (const auto& [encoding, text] : cases) {
            const QString file =
                taobao5Text(taobao5Names(), {fullRow(u"\"a\""_s, u"1"_s, u"1"_s, csvQuoted(text)),
                                             fullRow(u"\"b\""_s, u"2"_s, u"2"_s, u"\"\""_s)});
            Taobao5Reader reader;
            QVERIFY(reader.open(m_files.write(encodeAs(encoding, file))));
            const Items items = readAll(reader);
            QCOMPARE(items.size(), 2);
            QVERIFY(items.at(0).at(3) == text);
            QCOMPARE(items.at(1), (QStringList{u"b"_s, u"2"_s, u"2"_s, QString()}));
        }
    }

    void damagedFilesEndCleanly() {
        // Valid files cut short and with bytes overwritten, in every encoding: reading comes to
        // an end, without a crash, having split the damaged text into a few items at most.
        QRandomGenerator random(2016);
        const QString text =
            taobao5Text(taobao5Names(), {fullRow(u"\"宝贝\""_s, u"1"_s, u"1"_s, u"\"a\"\"\n\tb\""_s),
                                         fullRow(u"\"二\""_s, u"2"_s, u"2"_s, u"\"\""_s)});
        for (const auto& [name, encoding] : allFileEncodings()) {
            const QByteArray original = encodeAs(encoding, text);
            for (int round = 0; round < 100; ++round) {
                QByteArray bytes = original.left(random.bounded(original.size() + 1));
                for (int hits = random.bounded(4); hits > 0 && !bytes.isEmpty(); --hits)
                    bytes[random.bounded(bytes.size())] = char(random.bounded(256));
                QBuffer buffer(&bytes);
                QVERIFY(buffer.open(QIODevice::ReadOnly));
                Taobao5Reader reader;
                if (!reader.open(&buffer))
                    continue;
                Taobao5Record record;
                int items = 0;
                while (reader.readRecord(&record))
                    QVERIFY2(++items <= 6, name);
            }
        }
    }

    void readsFromAnyDevice() {
        // Bytes in memory, as a fuzzer hands them over.
        QByteArray bytes =
            encodeAs(FileEncoding::Utf8,
                     taobao5Text(taobao5Names(), {fullRow(u"\"x\""_s, u"1"_s, u"1"_s, u"\"\""_s)}));
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        Taobao5Reader reader;
        QVERIFY(reader.open(&buffer));
        QCOMPARE(readAll(reader), (Items{{u"x"_s, u"1"_s, u"1"_s, QString()}}));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestTaobao5Reader)
#include "tst_taobao5reader.moc"
