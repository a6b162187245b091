#include "formats/OutputBatch.h"
#include "formats/Taobao5Mapping.h"
#include "formats/Taobao5Output.h"
#include "formats/Taobao5Pictures.h"
#include "support/FormatTestFiles.h"
#include "support/Taobao5TestFiles.h"
#include "support/TestMain.h"
#include "support/WriterRun.h"

#include <QCryptographicHash>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr FileFormat kTaobao5 = FileFormat::TaobaoAssistant5;

// An item as an extraction hands it over: plain texts, the old layout's codes, the picture's path.
ItemRecord extractedItem(const QString& title, const QString& picture = QString()) {
    QStringList values(ItemRecord::kFieldCount, u"0"_s);
    values[0] = title;
    values[3] = u"8"_s;            // condition: unused
    values[4] = u"浙江"_s;         // province
    values[5] = u"杭州"_s;         // city
    values[6] = u"a"_s;            // auction
    values[7] = u"35.500000"_s;    // price
    values[11] = u"1"_s;           // the buyer pays the freight
    values[12] = u"10.000000"_s;   // post fee
    values[14] = u"2.37782e+13"_s; // express fee left as garbage
    values[24] = u"<p>好\"货\"</p>"_s;
    values[25] = picture;
    return ItemRecord::fromValues(values);
}

QByteArray currentLayoutFile(const QStringList& titles) {
    QList<QStringList> rows;
    for (const QString& title : titles)
        rows.append({csvQuoted(title), u"35"_s});
    return utf16WithMark(taobao5Text({u"title"_s, u"price"_s}, rows));
}

QStringList titlesIn(const QString& path) {
    QStringList titles;
    for (const Taobao5Record& item : readTaobao5Items(path))
        titles.append(item[Taobao5Field::Title]);
    return titles;
}

// Emits one item per title and flushes.
Status emitAndFlush(WriterRun& run, const QStringList& titles) {
    for (const QString& title : titles)
        run.writer->appendRecord(extractedItem(title), 1);
    return run.writer->flush();
}

} // namespace

// The row writer's batches in today's Taobao layout: one header per file, pictures as .tbi files
// beside it, never an append to a file of another kind, and a journal that recovers the same bytes.
class TestTaobao5Output : public QObject {
    Q_OBJECT

private slots:
    void fileKeepsOneHeader_data() {
        QTest::addColumn<QByteArray>("existing"); // empty: no file
        QTest::addColumn<bool>("resumed");
        QTest::addColumn<QStringList>("titles");

        const QByteArray earlier = currentLayoutFile({u"旧1"_s, u"旧2"_s});
        QByteArray lastRowCut = earlier;
        lastRowCut.chop(2); // the LF of the last row
        QTest::newRow("new file") << QByteArray() << false << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
        QTest::newRow("resumed run continues the file")
            << earlier << true << QStringList{u"旧1"_s, u"旧2"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s};
        QTest::newRow("last row left without its line end")
            << lastRowCut << true << QStringList{u"旧1"_s, u"旧2"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s};
        QTest::newRow("run from the first item replaces the file")
            << earlier << false << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
        QTest::newRow("resumed run on an empty file")
            << QByteArray("") << true << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
    }

    // Two batches per run (a stop, then the rows the crawl still brought), as the stop command and
    // the crawler's own stop write them.
    void fileKeepsOneHeader() {
        QFETCH(QByteArray, existing);
        QFETCH(bool, resumed);
        QFETCH(QStringList, titles);
        WriterRun run(kTaobao5);
        if (!existing.isNull())
            writeBytes(run.output(), existing);
        run.writer->setAppendToExisting(resumed);

        QVERIFY(emitAndFlush(run, {u"a"_s, u"b"_s}));
        QVERIFY(emitAndFlush(run, {u"c"_s, u"d"_s}));

        const QByteArray bytes = readBytes(run.output());
        QVERIFY(bytes.startsWith("\xFF\xFE"));
        const QString text = QStringDecoder(QStringConverter::Utf16LE).decode(bytes.mid(2));
        QCOMPARE(text.count(u"version 1.00\n"_s), 1);
        QVERIFY(text.endsWith(u'\n'));
        QVERIFY(!text.contains(u'\r'));
        QCOMPARE(titlesIn(run.output()), titles);
        QVERIFY(!QFile::exists(run.journal()));
    }

    void otherFilesAreNeverContinued_data() {
        QTest::addColumn<QByteArray>("existing");
        QTest::newRow("older Taobao layout") << utf16WithMark(taobaoHeaderNames() + u"\r\n\"a\"\t0\r\n"_s);
        QTest::newRow("PaiPai file") << gbk(u"\"id\",\"商品名称\"\r\n-1,\"a\"\r\n"_s);
        QTest::newRow("current layout saved as UTF-8")
            << taobao5Text({u"title"_s, u"price"_s}, {{u"\"a\""_s, u"1"_s}}).toUtf8();
        QTest::newRow("current layout in UTF-16 without its mark") << currentLayoutFile({u"a"_s}).mid(2);
        QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    }

    void otherFilesAreNeverContinued() {
        QFETCH(QByteArray, existing);
        WriterRun run(kTaobao5);
        writeBytes(run.output(), existing);
        QVERIFY(!Taobao5Output::canContinue(run.output()));

        run.writer->setAppendToExisting(true);
        const Status status = emitAndFlush(run, {u"a"_s});
        QVERIFY(!status);
        QCOMPARE(status.message(), Taobao5Output::notContinuableMessage(run.output()));
        QCOMPARE(readBytes(run.output()), existing);
        // The rows wait for a flush that can write them.
        QVERIFY(run.writer->hasPendingOutput());
    }

    void valuesOfTheRecord() {
        WriterRun run(kTaobao5);
        QVERIFY(emitAndFlush(run, {u"Nike 跑鞋 &amp; &quot;袜&quot;"_s}));
        const QList<Taobao5Record> items = readTaobao5Items(run.output());
        QCOMPARE(items.size(), 1);
        const Taobao5Record& item = items.front();
        // Entities decoded as every other target decodes them; the quotes they give are text.
        QCOMPARE(item[Taobao5Field::Title], u"Nike 跑鞋 & \"袜\""_s);
        QCOMPARE(item[Taobao5Field::StuffStatus], u"2"_s);
        QCOMPARE(item[Taobao5Field::LocationState], u"浙江"_s);
        QCOMPARE(item[Taobao5Field::LocationCity], u"杭州"_s);
        QCOMPARE(item[Taobao5Field::ItemType], u"2"_s);
        QCOMPARE(item[Taobao5Field::Price].toDouble(), 35.5);
        QCOMPARE(item[Taobao5Field::FreightPayer], u"2"_s);
        QCOMPARE(item[Taobao5Field::PostFee].toDouble(), 10.0);
        QCOMPARE(item[Taobao5Field::ExpressFee], u"0"_s);
        QCOMPARE(item[Taobao5Field::Description], u"<p>好\"货\"</p>"_s);
        QCOMPARE(item[Taobao5Field::Picture], QString());
    }

    void picturesLandBesideTheFile_data() {
        QTest::addColumn<QByteArray>("picture"); // empty: the download failed
        QTest::newRow("JPEG") << QByteArray("\xFF\xD8\xFF\xE0 a picture");
        QTest::newRow("no picture") << QByteArray();
    }

    void picturesLandBesideTheFile() {
        QFETCH(QByteArray, picture);
        WriterRun run(kTaobao5);
        // Where the extraction's download put it: the folder named after the output file.
        const QString folder = Taobao5Mapping::pictureFolder(run.output());
        QDir().mkpath(folder);
        const QString downloaded = QDir(folder).filePath(u"T1a1001.jpg"_s);
        if (!picture.isEmpty())
            writeBytes(downloaded, picture);
        run.writer->appendRecord(extractedItem(u"a"_s, downloaded), 1);
        QVERIFY(run.writer->flush());

        const Taobao5Record item = readTaobao5Items(run.output()).value(0);
        if (picture.isEmpty()) {
            QCOMPARE(item[Taobao5Field::Picture], QString());
            QCOMPARE(item[Taobao5Field::PictureStatus], QString());
            QCOMPARE(QDir(folder).entryList({u"*.tbi"_s}, QDir::Files), QStringList());
            return;
        }
        const QString name =
            QString::fromLatin1(QCryptographicHash::hash(picture, QCryptographicHash::Md5).toHex());
        QCOMPARE(item[Taobao5Field::Picture], name + u":1:0:|;"_s);
        QCOMPARE(item[Taobao5Field::PictureStatus], u"2;"_s);
        QCOMPARE(readBytes(QDir(folder).filePath(name + u".tbi"_s)), picture);
        // The converter's reading finds the same file again.
        QCOMPARE(Taobao5Mapping::localPicturePath(item[Taobao5Field::Picture], run.output()),
                 QDir(folder).filePath(name + u".tbi"_s));
    }

    // A program that died with rows only in the journal: the next start writes what the stop would
    // have written, even when it dies again after writing (the recovery runs twice).
    void recoveryWritesWhatTheFlushWould_data() {
        QTest::addColumn<bool>("resumed");
        QTest::addColumn<bool>("diesAfterWriting");
        QTest::newRow("new file") << false << false;
        QTest::newRow("resumed run") << true << false;
        QTest::newRow("resumed run, died after the batch was written") << true << true;
        QTest::newRow("new file, died after the batch was written") << false << true;
    }

    void recoveryWritesWhatTheFlushWould() {
        QFETCH(bool, resumed);
        QFETCH(bool, diesAfterWriting);
        const QByteArray earlier = currentLayoutFile({u"旧1"_s});
        const QStringList titles{u"a &amp; b"_s, u"多行\n描述"_s};

        WriterRun flushed(kTaobao5);
        writeBytes(flushed.output(), earlier);
        flushed.writer->setAppendToExisting(resumed);
        QVERIFY(emitAndFlush(flushed, titles));

        WriterRun died(kTaobao5);
        writeBytes(died.output(), earlier);
        died.writer->setAppendToExisting(resumed);
        for (const QString& title : titles)
            died.writer->appendRecord(extractedItem(title), 1);
        QVERIFY(died.writer->syncJournal());
        if (diesAfterWriting) {
            const OutputJournal::Contents contents = OutputJournal::read(died.journal());
            QVERIFY(writeOutputBatch(died.output(), kTaobao5, contents.batch, resumed));
        }
        died.die();
        QCOMPARE(died.recover(), 2);
        QCOMPARE(readBytes(died.output()), readBytes(flushed.output()));
        QVERIFY(!QFile::exists(died.journal()));
    }

    // A write that does not happen takes back the pictures it stored; pictures that were there
    // before, and a folder that held them, stay.
    void removeCreatedTakesBackOnlyWhatWasMade_data() {
        QTest::addColumn<bool>("folderExisted");
        QTest::newRow("new folder") << false;
        QTest::newRow("folder with an earlier picture") << true;
    }

    void removeCreatedTakesBackOnlyWhatWasMade() {
        QFETCH(bool, folderExisted);
        QTemporaryDir dir;
        const QString output = dir.filePath(u"shop_Taobao5.csv"_s);
        const QString folder = Taobao5Mapping::pictureFolder(output);
        QString earlier;
        if (folderExisted)
            earlier = Taobao5Pictures::storeBytes("earlier", output);

        QStringList created;
        const QString fresh = Taobao5Pictures::storeBytes("fresh", output, &created);
        const QString freshPath = QDir(folder).filePath(fresh + u".tbi"_s);
        // A picture stored before is not made again.
        if (folderExisted)
            QCOMPARE(Taobao5Pictures::storeBytes("earlier", output, &created), earlier);
        const QStringList made = folderExisted ? QStringList{freshPath} : QStringList{folder, freshPath};
        QCOMPARE(created, made);

        Taobao5Output::removeCreated(created);
        QCOMPARE(QFileInfo(folder).isDir(), folderExisted);
        QVERIFY(!QFile::exists(freshPath));
        if (folderExisted)
            QVERIFY(QFile::exists(QDir(folder).filePath(earlier + u".tbi"_s)));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestTaobao5Output)
#include "tst_taobao5output.moc"
