#include "formats/AssistantColumns.h"
#include "formats/FormatConverter.h"
#include "formats/ItemRecord.h"
#include "formats/OutputFormats.h"
#include "formats/Taobao5Mapping.h"
#include "formats/Taobao5Reader.h"
#include "support/Taobao5TestFiles.h"
#include "support/TestMain.h"
#include "support/TestSystem.h"

#include "formats/AssistantFormat.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

using Field = ItemRecord::Field;

constexpr qsizetype field(Field name) {
    return ItemRecord::indexOf(name);
}

// Conversions from and to the current Taobao Assistant layout, through the whole converter.
namespace {

const QDateTime kClock(QDate(2026, 3, 7), QTime(9, 5, 3));

const QString kDescription = u"<p align=\"center\">第一行</p>\n<p>\t第二行, 好</p>"_s;

// Two items: the first with a multi-line description, doubled quotes, a TAB inside quotes and the
// garbage fees a postage template leaves; the second plain.
QList<QStringList> twoItems(const QStringList& names, const QString& picture = QString()) {
    using F = Taobao5Field;
    return {rowFor(names, {{F::Title, u"\"连衣裙 \"\"新款\"\"\tA\""_s},
                           {F::Price, u"12.50"_s},
                           {F::Num, u"3"_s},
                           {F::StuffStatus, u"2"_s},
                           {F::PostFee, u"2.97297e-39"_s},
                           {F::EmsFee, u"2.37782e+13"_s},
                           {F::ExpressFee, u"8"_s},
                           {F::Description, csvQuoted(kDescription)},
                           {F::Picture, csvQuoted(picture)}}),
            rowFor(names, {{F::Title, u"\"二号\""_s}, {F::Price, u"\"9.90\""_s}, {F::Num, u"1"_s}})};
}

QStringList shuffled(QStringList names, int extra) {
    for (int i = 0; i < extra; ++i)
        names.append(u"tmall_extend_%1"_s.arg(i));
    std::reverse(names.begin(), names.end());
    return names;
}

struct Converted {
    FormatConverter::Result result;
    QString folder;
};

Converted convertIn(const QString& folder, const QString& source, std::optional<FileFormat> from,
                    FileFormat to, const QString& saveName = u"out.csv"_s) {
    FormatConverter converter;
    converter.setClock([] { return kClock; });
    return {converter.run({source, folder + u'/' + saveName, from, to}), folder};
}

} // namespace

class TestConvertCurrentLayout : public QObject {
    Q_OBJECT

private:
    CaseFolders m_folders;
    QString freshFolder() { return m_folders.fresh(); }

private slots:
    // title, price, quantity and the fees of each older target, for each encoding and name list.
    void toOlderLayouts_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("to");
        const QList<std::pair<const char*, QStringList>> nameLists{
            {"63 names", taobao5Names()},
            {"54 names shuffled", shuffled(taobao5Names().mid(0, 54), 0)},
            {"67 names shuffled", shuffled(taobao5Names(), 4)}};
        for (const auto& [encodingName, encoding] : allFileEncodings()) {
            for (const auto& [listName, names] : nameLists) {
                const QString text = taobao5Text(names, twoItems(names), u"\r\n"_s, u"Ã¦Â±Â\tÂ"_s);
                for (const FileFormat to :
                     {FileFormat::PaiPaiAssistant, FileFormat::EbayAssistant, FileFormat::TaobaoAssistant})
                    QTest::addRow("%s, %s, to %s", encodingName, listName,
                                  qPrintable(OutputFormats::describe(to).word))
                        << encodeAs(encoding, text) << OutputFormats::describe(to).converterIndex;
            }
        }
    }

    void toOlderLayouts() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, to);
        const FileFormat target = *OutputFormats::fromConverterIndex(to);
        const QString folder = freshFolder();
        writeBytes(folder + u"/shop.csv"_s, bytes);
        const Converted run = convertIn(folder, folder + u"/shop.csv"_s, std::nullopt, target);
        QCOMPARE(run.result.outcome, FormatConverter::Outcome::Completed);
        QCOMPARE(run.result.convertedCount, 2);

        // title, price, quantity, post fee, EMS fee, express fee, condition as each layout has them.
        QStringList first;
        QStringList second;
        if (target == FileFormat::TaobaoAssistant) {
            const QStringList lines =
                fromGbk(readBytes(run.result.outputPath)).split(u'\r', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 3);
            const QStringList a = lines.at(1).split(u'\t');
            const QStringList b = lines.at(2).split(u'\t');
            QCOMPARE(a.size(), 31);
            first = {a[field(Field::Title)],    a[field(Field::Price)],  a[field(Field::Quantity)],
                     a[field(Field::PostFee)],  a[field(Field::EmsFee)], a[field(Field::ExpressFee)],
                     a[field(Field::Condition)]};
            second = {b[field(Field::Title)], b[field(Field::Price)], b[field(Field::Quantity)]};
            QVERIFY(a[field(Field::Description)].contains(u"第一行"_s) &&
                    a[field(Field::Description)].contains(u"第二行"_s));
            QCOMPARE(first, (QStringList{u"\"连衣裙 \"\"新款\"\" A\""_s, u"12.50"_s, u"3"_s, u"0"_s, u"0"_s,
                                         u"8"_s, u"8"_s}));
            QCOMPARE(second, (QStringList{u"\"二号\""_s, u"9.90"_s, u"1"_s}));
            return;
        }
        const QList<QStringList> records = readCsvFile(run.result.outputPath);
        QCOMPARE(records.size(), 3);
        if (target == FileFormat::PaiPaiAssistant) {
            const QStringList& a = records[1];
            QCOMPARE(a.size(), 35);
            QCOMPARE((QStringList{a[columnIndex(PaiPaiConverterColumn::Title)],
                                  a[columnIndex(PaiPaiConverterColumn::Price)],
                                  a[columnIndex(PaiPaiConverterColumn::Quantity)],
                                  a[columnIndex(PaiPaiConverterColumn::PostFee)],
                                  a[columnIndex(PaiPaiConverterColumn::ExpressFee)],
                                  a[columnIndex(PaiPaiConverterColumn::Condition)]}),
                     (QStringList{u"连衣裙 \"新款\" A"_s, u"12.50"_s, u"3"_s, u"0"_s, u"8"_s, u"8"_s}));
            // One line, commas made full-width, markup kept.
            QCOMPARE(a[columnIndex(PaiPaiConverterColumn::Description)],
                     u"<p align='center'>第一行</p><p>第二行， 好</p>"_s);
            QCOMPARE((QStringList{records[2][columnIndex(PaiPaiConverterColumn::Title)],
                                  records[2][columnIndex(PaiPaiConverterColumn::Price)],
                                  records[2][columnIndex(PaiPaiConverterColumn::Quantity)]}),
                     (QStringList{u"二号"_s, u"9.90"_s, u"1"_s}));
        } else {
            const QStringList& a = records[1];
            QCOMPARE(a.size(), 88);
            QCOMPARE((QStringList{a[columnIndex(EbayColumn::Title)], a[columnIndex(EbayColumn::Price)],
                                  a[columnIndex(EbayColumn::Quantity)]}),
                     (QStringList{u"连衣裙 \"新款\" A"_s, u"12.50"_s, u"3"_s}));
            QVERIFY(a[columnIndex(EbayColumn::Description)].contains(u"第一行"_s) &&
                    a[columnIndex(EbayColumn::Description)].contains(u"第二行"_s));
            QCOMPARE((QStringList{records[2][columnIndex(EbayColumn::Title)],
                                  records[2][columnIndex(EbayColumn::Price)],
                                  records[2][columnIndex(EbayColumn::Quantity)]}),
                     (QStringList{u"二号"_s, u"9.90"_s, u"1"_s}));
        }
    }

    // current → PaiPai → current keeps title, price, quantity, description text and picture.
    void roundTripThroughPaiPai_data() {
        QTest::addColumn<int>("encoding");
        for (const auto& [name, encoding] : allFileEncodings())
            QTest::addRow("%s", name) << int(encoding);
    }

    void roundTripThroughPaiPai() {
        QFETCH(int, encoding);
        const QString folder = freshFolder();
        const QByteArray picture("\x89PNG\r\n\x1A\nnot really a picture", 27);
        QDir().mkpath(folder + u"/export"_s);
        writeBytes(folder + u"/export/main1.tbi"_s, picture);
        const QString source = folder + u"/export.csv"_s;
        const QStringList names = taobao5Names();
        writeBytes(source,
                   encodeAs(FileEncoding(encoding),
                            taobao5Text(names, twoItems(names, u"side:1:1:|http://x/s.jpg;main1:1:0:|;"_s))));

        const Converted toPaiPai =
            convertIn(folder, source, FileFormat::TaobaoAssistant5, FileFormat::PaiPaiAssistant, u"pp.csv"_s);
        QCOMPARE(toPaiPai.result.message,
                 u"转换2个宝贝完成，生成文件为："_s + QDir::toNativeSeparators(folder + u"/pp.csv"_s));
        const Converted back = convertIn(folder, folder + u"/pp.csv"_s, std::nullopt,
                                         FileFormat::TaobaoAssistant5, u"back.csv"_s);
        QCOMPARE(back.result.outcome, FormatConverter::Outcome::Completed);

        const QByteArray written = readBytes(folder + u"/back.csv"_s);
        QVERIFY(written.startsWith("\xFF\xFE"));
        const QString writtenText = QStringDecoder(QStringConverter::Utf16LE).decode(written.sliced(2));
        QVERIFY(writtenText.startsWith(u"version 1.00\n"_s));
        const QList<Taobao5Record> items = readTaobao5Items(folder + u"/back.csv"_s);
        QCOMPARE(items.size(), 2);
        using F = Taobao5Field;
        QCOMPARE(items[0][F::Title], u"连衣裙 \"新款\" A"_s);
        QCOMPARE(items[0][F::Price].toDouble(), 12.5);
        QCOMPARE(items[0][F::Num], u"3"_s);
        QVERIFY(items[0][F::Description].contains(u"第一行</p><p>第二行"_s));
        QCOMPARE(items[1][F::Title], u"二号"_s);
        QCOMPARE(items[1][F::Price].toDouble(), 9.9);
        QVERIFY(items[1][F::Picture].isEmpty());

        // The picture lands beside the file, named in the item as a file the assistant imports.
        const QString name =
            QString::fromLatin1(QCryptographicHash::hash(picture, QCryptographicHash::Md5).toHex());
        QCOMPARE(items[0][F::Picture], name + u":1:0:|;"_s);
        QCOMPARE(items[0][F::PictureStatus], u"2;"_s);
        QCOMPARE(readBytes(folder + u"/back/"_s + name + u".tbi"_s), picture);
    }

    // Each older source into the current layout: one header, both items, UTF-16LE with a mark.
    void fromOlderLayouts_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<int>("from");
        QTest::addColumn<QStringList>("titles");
        // Entities of older Taobao titles are decoded, as the PaiPai and eBay targets decode them.
        QTest::newRow("Taobao") << u"taobao_source.csv"_s << 0
                                << QStringList{u"测试宝贝&一号"_s, u"二号 <新款 >"_s};
        QTest::newRow("Taobao, recognised")
            << u"taobao_source.csv"_s << -1 << QStringList{u"测试宝贝&一号"_s, u"二号 <新款 >"_s};
        QTest::newRow("PaiPai") << u"paipai_source.csv"_s << 1
                                << QStringList{u"拍拍宝贝,逗号版 & 好"_s, u"第二件"_s};
        QTest::newRow("eBay export") << u"ebay_source.csv"_s << 2
                                     << QStringList{u"易趣宝贝 & 配件"_s, u"第二个易趣"_s};
    }

    void fromOlderLayouts() {
        QFETCH(QString, fixture);
        QFETCH(int, from);
        QFETCH(QStringList, titles);
        const QString folder = freshFolder();
        const QString source = copyConvertFixture(fixture, folder + u"/shop.csv"_s);
        const Converted run =
            convertIn(folder, source, OutputFormats::fromConverterIndex(from), FileFormat::TaobaoAssistant5);
        QCOMPARE(run.result.outcome, FormatConverter::Outcome::Completed);
        QCOMPARE(run.result.outputPath, folder + u"/out.csv"_s);
        const QByteArray bytes = readBytes(run.result.outputPath);
        QVERIFY(bytes.startsWith("\xFF\xFE"));
        const QString text = QStringDecoder(QStringConverter::Utf16LE)(bytes.sliced(2));
        QCOMPARE(text.count(u"version 1.00"_s), 1);
        QVERIFY(!text.contains(u'\r'));
        const QList<Taobao5Record> items = readTaobao5Items(run.result.outputPath);
        QCOMPARE(items.size(), 2);
        if (!titles.isEmpty()) {
            QCOMPARE(items[0][Taobao5Field::Title], titles[0]);
            QCOMPARE(items[1][Taobao5Field::Title], titles[1]);
        }
        for (const Taobao5Record& item : items) {
            // Fees are plain decimals, never exponent notation.
            for (const Taobao5Field fee :
                 {Taobao5Field::PostFee, Taobao5Field::EmsFee, Taobao5Field::ExpressFee})
                QCOMPARE(Taobao5Mapping::fee(item[fee]), item[fee]);
        }
    }

    // A source may name any file as an item's picture: only a regular file of at most 64 MB that
    // starts as a picture is read; any other leaves the item without a picture, and says why.
    void sourcePicturesAreCheckedFirst_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("problem"); // empty: the picture is taken

        QTest::newRow("jpeg") << u"jpeg"_s << QString();
        QTest::newRow("text file") << u"text"_s << u"不是图片"_s;
        QTest::newRow("web page named .jpg") << u"page"_s << u"不是图片"_s;
        QTest::newRow("missing file") << u"missing"_s << u"无法读取"_s;
        QTest::newRow("folder") << u"folder"_s << u"不是普通文件"_s;
        QTest::newRow("FIFO nobody writes to") << u"fifo"_s << u"不是普通文件"_s;
        QTest::newRow("endless device") << u"device"_s << u"不是普通文件"_s;
        QTest::newRow("over 64 MB") << u"large"_s << u"图片文件过大（超过64MB）"_s;
    }

    void sourcePicturesAreCheckedFirst() {
        QFETCH(QString, kind);
        QFETCH(QString, problem);
        if (kind == u"fifo" || kind == u"device")
            SKIP_WITHOUT(SpecialFiles);
        const QString folder = freshFolder();
        const QByteArray jpeg("\xFF\xD8\xFF\xE0 a picture", 15);
        QString picture = folder + u"/pic.jpg"_s;
        if (kind == u"jpeg")
            writeBytes(picture, jpeg);
        else if (kind == u"text")
            writeBytes(picture, "localhost\n");
        else if (kind == u"page")
            writeBytes(picture, "<html><body>404</body></html>");
        else if (kind == u"folder")
            QVERIFY(QDir().mkpath(picture));
        else if (kind == u"fifo")
            QVERIFY(TestSystem::makeFifo(picture));
        else if (kind == u"device")
            picture = TestSystem::zeroDevice();
        else if (kind == u"large") {
            writeBytes(picture, jpeg);
            QFile file(picture);
            QVERIFY(file.resize(64LL * 1024 * 1024 + 1));
        }
        QStringList values(ItemRecord::kFieldCount, u"0"_s);
        values[field(Field::Title)] = u"\"宝贝\""_s;
        values[field(Field::Picture)] = u'"' + picture + u'"';
        const QString source = folder + u"/shop.csv"_s;
        writeBytes(source,
                   utf16WithMark(AssistantFormat::taobao().headerLine() + values.join(u'\t') + u"\r\n"_s));

        const Converted run =
            convertIn(folder, source, FileFormat::TaobaoAssistant, FileFormat::TaobaoAssistant5);
        QCOMPARE(run.result.outcome, FormatConverter::Outcome::Completed);
        const QList<Taobao5Record> items = readTaobao5Items(run.result.outputPath);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0][Taobao5Field::Picture].isEmpty(), !problem.isEmpty());
        if (problem.isEmpty()) {
            QVERIFY(!run.result.message.contains(u"张图片未能保存"_s));
            QVERIFY(run.result.warnings.isEmpty());
            return;
        }
        QVERIFY2(run.result.message.endsWith(u"；1张图片未能保存"_s), qPrintable(run.result.message));
        QCOMPARE(run.result.warnings,
                 QStringList{u"第1个宝贝的图片未能保存（%1）：%2"_s.arg(problem, picture)});
        // Nothing but the output itself was left beside it.
        QVERIFY(!QFileInfo::exists(folder + u"/out"_s) || QDir(folder + u"/out"_s).isEmpty());
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestConvertCurrentLayout)
#include "tst_convertcurrentlayout.moc"
