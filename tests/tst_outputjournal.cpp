#include "formats/AssistantFormat.h"
#include "formats/OutputBatch.h"
#include "formats/OutputFormats.h"
#include "formats/OutputJournal.h"
#include "formats/RowWriter.h"
#include "formats/StoreOutput.h"
#include "run/CollectCommand.h"
#include "run/JournalRecovery.h"
#include "run/RunState.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "run/ShopWalkHost.h"
#include "run/WrittenItemSet.h"
#include "support/CrawlTestSupport.h"
#include "support/ExtractionTestSupport.h"
#include "support/FormatTestFiles.h"
#include "support/TestMain.h"
#include "support/TestSystem.h"
#include "support/WriterRun.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class KilledAt { BeforeTheWrite, AfterTheOutputWrite, DuringRecovery };

ItemRecord record(int n) {
    QStringList values;
    for (int i = 0; i < ItemRecord::kFieldCount; ++i)
        values.append(u"v%1"_s.arg(i));
    ItemRecord r = ItemRecord::fromValues(values);
    r.title = u"宝贝 %1 &quot;\\n"_s.arg(n); // a decoded quote and a backslash
    r.description = u"<p>第%1件\t说明</p>"_s.arg(n);
    r.picture = u"http://img.example/%1.jpg"_s.arg(n);
    return r;
}

// The check value the journal's earlier versions wrote: FNV-1a, as sixteen hex digits.
QByteArray fnv(const QByteArray& bytes) {
    quint64 hash = 14695981039346656037ULL;
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return QByteArray::number(hash, 16).rightJustified(16, '0');
}

QByteArray escapedLine(QString text) {
    text.replace(u"\\"_s, u"\\\\"_s)
        .replace(u"\t"_s, u"\\t"_s)
        .replace(u"\r"_s, u"\\r"_s)
        .replace(u"\n"_s, u"\\n"_s);
    return text.toUtf8();
}

void emitItems(WriterRun& run, int first, int last) {
    for (int n = first; n <= last; ++n) {
        run.writer->appendRecord(record(n), n);
        run.writer->syncJournal();
    }
}

} // namespace

class TestOutputJournal : public QObject {
    Q_OBJECT

private slots:
    void journalHoldsTheBufferUntilTheFlush_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<bool>("resumed");
        QTest::newRow("Taobao Assistant") << FileFormat::TaobaoAssistant << false;
        QTest::newRow("PaiPai Assistant") << FileFormat::PaiPaiAssistant << false;
        QTest::newRow("eBay Assistant, resumed") << FileFormat::EbayAssistant << true;
    }

    void journalHoldsTheBufferUntilTheFlush() {
        QFETCH(FileFormat, format);
        QFETCH(bool, resumed);
        WriterRun run(format);
        run.writer->setAppendToExisting(resumed);
        emitItems(run, 4, 6);

        // A hidden sibling of the output file.
        QCOMPARE(run.journal(),
                 QDir::toNativeSeparators(run.paths.programDir() + u"/.PaiPai_shop.csv.journal"_s));
        const OutputJournal::Contents contents = OutputJournal::read(run.journal());
        QVERIFY(contents.valid);
        QCOMPARE(contents.format, format);
        QCOMPARE(contents.appendToExisting, resumed);
        QCOMPARE(contents.rows, 3);
        QCOMPARE(contents.highestItem, 6);
        QCOMPARE(contents.droppedLines, 0);
        QCOMPARE(contents.batch, run.writer->pendingOutput());

        // A normal flush writes the file as without a journal, then leaves no journal behind.
        const QString buffer = run.writer->pendingOutput();
        QVERIFY(run.writer->flush().ok());
        QVERIFY(!QFile::exists(run.journal()));
        QCOMPARE(readBytes(run.output()),
                 format == FileFormat::TaobaoAssistant ? utf16WithMark(buffer) : gbk(buffer + u"\r\n"_s));
        QCOMPARE(run.files(), QStringList{u"PaiPai_shop.csv"_s});
    }

    // The output path is a folder: neither the stop's flush nor a later recovery can write the file,
    // and each keeps what it could not write.
    void unwritableOutputLosesNothing() {
        WriterRun run(FileFormat::PaiPaiAssistant);
        emitItems(run, 1, 2);
        QVERIFY(QDir(run.paths.programDir()).mkdir(u"PaiPai_shop.csv"_s));
        const QString buffer = run.writer->pendingOutput();
        QVERIFY(!run.writer->flush().ok());
        QCOMPARE(run.writer->pendingOutput(), buffer);
        QVERIFY(run.writer->hasPendingOutput());
        QVERIFY(!run.writer->appendsToExisting());
        QVERIFY(QFile::exists(run.journal()));
        emitItems(run, 3, 3);
        QCOMPARE(OutputJournal::read(run.journal()).batch, run.writer->pendingOutput());

        run.die();
        QString message;
        QCOMPARE(run.recover(&message), 0);
        QVERIFY(!message.isEmpty());
        QVERIFY(QFile::exists(run.journal()));
    }

    void recoveryWritesWhatTheStopWould_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<bool>("resumed");
        QTest::addColumn<int>("killedAt");

        const struct {
            const char* name;
            FileFormat format;
        } formats[] = {{"Taobao Assistant", FileFormat::TaobaoAssistant},
                       {"PaiPai Assistant", FileFormat::PaiPaiAssistant},
                       {"eBay Assistant", FileFormat::EbayAssistant},
                       {"Shopify", FileFormat::Shopify},
                       {"WooCommerce", FileFormat::WooCommerce}};
        const struct {
            const char* name;
            KilledAt moment;
        } moments[] = {{"", KilledAt::BeforeTheWrite},
                       {", killed after the output was written", KilledAt::AfterTheOutputWrite},
                       {", killed again during the recovery", KilledAt::DuringRecovery}};
        for (const auto& moment : moments)
            for (const auto& format : formats)
                for (bool resumed : {false, true})
                    QTest::addRow("%s, %s run%s", format.name, resumed ? "resumed" : "fresh", moment.name)
                        << format.format << resumed << int(moment.moment);
    }

    // Whenever the run died, and however often recovery itself was cut short, the file ends up as
    // the stop would have written it: each row once.
    void recoveryWritesWhatTheStopWould() {
        QFETCH(FileFormat, format);
        QFETCH(bool, resumed);
        QFETCH(int, killedAt);

        // The interrupted run wrote items 1 and 2 on stop; the resumed run died after items 3 to 5.
        WriterRun first(format);
        emitItems(first, 1, 2);
        const QString firstBuffer = first.writer->pendingOutput();
        QVERIFY(first.writer->flush().ok());
        const QByteArray firstFile = readBytes(first.output());

        WriterRun second(format, Platform::PaiPai, first.paths.programDir());
        second.writer->setAppendToExisting(resumed);
        emitItems(second, 3, 5);
        const QString secondBuffer = second.writer->pendingOutput();
        if (killedAt != int(KilledAt::BeforeTheWrite))
            QVERIFY(writeOutputBatch(second.output(), format, secondBuffer, resumed).ok());
        second.die();
        QVERIFY(QFile::exists(second.journal()));
        if (killedAt == int(KilledAt::DuringRecovery)) {
            const QByteArray journal = readBytes(second.journal());
            QCOMPARE(second.recover(), 3);
            writeBytes(second.journal(), journal);
        }

        QString message;
        QCOMPARE(second.recover(&message), 3);
        QCOMPARE(message, u"已恢复上次意外中断时未保存的3个宝贝"_s);
        QVERIFY(!QFile::exists(second.journal()));

        const bool store = OutputFormats::describe(format).storeFile;
        const QString header =
            store ? StoreOutput::header(format) : AssistantFormat::forFormat(format).headerLine();
        QByteArray expected;
        if (store)
            expected = (resumed ? firstBuffer + secondBuffer.mid(header.size()) : secondBuffer).toUtf8();
        else if (format == FileFormat::TaobaoAssistant)
            expected = utf16WithMark(resumed ? firstBuffer + secondBuffer.mid(header.size()) : secondBuffer);
        else if (resumed)
            expected = gbk(firstBuffer + secondBuffer.mid(header.size()) + u"\r\n"_s);
        else
            expected = gbk(secondBuffer + u"\r\n"_s);
        QCOMPARE(readBytes(first.output()), expected);
        QVERIFY(firstFile != expected);
    }

    void tornAndDamagedLines_data() {
        QTest::addColumn<int>("cut");         // bytes cut from the end of the journal
        QTest::addColumn<QByteArray>("tail"); // bytes added after the cut
        QTest::addColumn<int>("rows");

        QTest::newRow("intact") << 0 << QByteArray() << 3;
        QTest::newRow("line end missing") << 1 << QByteArray() << 2;
        QTest::newRow("last line half written") << 40 << QByteArray() << 2;
        QTest::newRow("zeros after a power loss") << 0 << QByteArray(64, '\0') << 3;
        QTest::newRow("zeros in place of the last line") << 30 << QByteArray(30, '\0') + '\n' << 2;
    }

    void tornAndDamagedLines() {
        QFETCH(int, cut);
        QFETCH(QByteArray, tail);
        QFETCH(int, rows);
        WriterRun run(FileFormat::PaiPaiAssistant);
        emitItems(run, 1, 3);
        run.die();
        QByteArray bytes = readBytes(run.journal());
        bytes.chop(cut);
        writeBytes(run.journal(), bytes + tail);

        const OutputJournal::Contents contents = OutputJournal::read(run.journal());
        QCOMPARE(contents.rows, rows);
        QCOMPARE(contents.highestItem, rows);
        QCOMPARE(contents.droppedLines > 0, rows < 3 || !tail.isEmpty());

        QCOMPARE(run.recover(), rows);
        const QList<QByteArray> lines = readBytes(run.output()).split('\n');
        QCOMPARE(lines.size(), rows + 3); // header, rows, the closing CR LF, nothing after it
        QVERIFY(!QFile::exists(run.journal()));
    }

    // Recovered rows are known as written, so the resumed run does not write their items again
    // when a later list names them; an earlier run's keys stay, a key torn by the kill does not.
    void recoveredItemsAreKnownAsWritten() {
        WriterRun run(FileFormat::PaiPaiAssistant);
        const QStringList keys{u"1001"_s, u"a\tb\\c"_s, u"#3"_s};
        for (int n = 1; n <= 3; ++n)
            run.writer->appendRecord(record(n), n, keys[n - 1]);
        run.die();
        QCOMPARE(OutputJournal::read(run.journal()).itemKeys, keys);
        const QString itemsFile = WrittenItemSet::pathFor(run.output());
        writeBytes(itemsFile, "900\n90");

        QCOMPARE(run.recover(), 3);
        WrittenItemSet items(itemsFile);
        QVERIFY(items.load());
        QCOMPARE(items.size(), 4);
        for (const QString& key : keys + QStringList{u"900"_s})
            QVERIFY2(items.contains(key), qPrintable(key));
    }

    // Journals the program wrote before each line carried its batch (versions 1 and 2: a first
    // line with the batch's mode, a key line after each row) are still recovered, up to a
    // damaged line; the rows from it on are told as lost.
    void earlierVersions_data() {
        QTest::addColumn<QByteArray>("firstLine");
        QTest::addColumn<int>("damagedRow"); // 0: none
        QTest::addColumn<int>("recovered");
        QTest::addColumn<int>("lost");
        QTest::newRow("version 1") << QByteArray("KESTRUNE-JOURNAL\t1\t0") << 0 << 3 << 0;
        QTest::newRow("version 2") << QByteArray("KESTRUNE-JOURNAL\t2\t0\t0") << 0 << 3 << 0;
        QTest::newRow("version 2, second row damaged")
            << QByteArray("KESTRUNE-JOURNAL\t2\t0\t0") << 2 << 1 << 2;
        QTest::newRow("version 2, length no number")
            << QByteArray("KESTRUNE-JOURNAL\t2\t0\tx") << 0 << 0 << 0;
    }

    void earlierVersions() {
        QFETCH(QByteArray, firstLine);
        QFETCH(int, damagedRow);
        QFETCH(int, recovered);
        QFETCH(int, lost);
        WriterRun run(FileFormat::PaiPaiAssistant);
        const QByteArray format =
            QByteArray::number(OutputFormats::describe(FileFormat::PaiPaiAssistant).outputIndex);
        QByteArray bytes = firstLine + '\n';
        QString batch;
        for (int n = 1; n <= 3; ++n) {
            const QString piece =
                (n == 1 ? AssistantFormat::paipai().headerLine() : QString()) + u"row %1\r\n"_s.arg(n);
            const QByteArray fields =
                "R\t" + QByteArray::number(n) + '\t' + format + '\t' + (n == 1 ? "1" : "0") + '\t';
            QByteArray row = fields + fnv(fields + escapedLine(piece)) + '\t' + escapedLine(piece) + '\n';
            if (n == damagedRow)
                row[row.size() - 3] = '#';
            const QByteArray key = QByteArray::number(1000 + n);
            bytes += row + "K\t" + fnv("K\t" + key) + '\t' + key + '\n';
            if (n <= recovered)
                batch += piece;
        }
        writeBytes(run.journal(), bytes);

        QString message;
        QCOMPARE(run.recover(&message), recovered);
        QCOMPARE(message.contains(u"恢复记录已损坏：%1个宝贝未能恢复，请重新采集此店铺"_s.arg(lost)),
                 lost > 0);
        if (recovered > 0)
            QCOMPARE(readBytes(run.output()), gbk(batch + u"\r\n"_s));
        WrittenItemSet items(WrittenItemSet::pathFor(run.output()));
        QVERIFY(items.load());
        QCOMPARE(items.size(), recovered);
    }

    // Each line stands on its own: a damaged or missing line costs its own row, and the keys of
    // rows that were lost leave the written-item list, so the resumed run fetches them again.
    // The list held "old" before the batch of five rows, and all five keys after it.
    void damagedLinesCostTheirOwnRows_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QList<int>>("recoveredRows");
        QTest::newRow("intact") << u"none"_s << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("middle row garbled") << u"garble 3"_s << QList<int>{1, 2, 4, 5};
        QTest::newRow("row with the header garbled") << u"garble 1"_s << QList<int>{2, 3, 4, 5};
        QTest::newRow("version line garbled") << u"garble 0"_s << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("two line ends lost") << u"join 2"_s << QList<int>{1, 4, 5};
        QTest::newRow("cut short after a line") << u"cut 2"_s << QList<int>{1, 2};
        QTest::newRow("cut short in a line") << u"cut 3.5"_s << QList<int>{1, 2, 3};
        QTest::newRow("zeros over the end") << u"zero 3"_s << QList<int>{1, 2, 3};
    }

    void damagedLinesCostTheirOwnRows() {
        QFETCH(QString, damage);
        QFETCH(QList<int>, recoveredRows);
        WriterRun run(FileFormat::PaiPaiAssistant);
        const QString itemsFile = WrittenItemSet::pathFor(run.output());
        writeBytes(itemsFile, "old\n");
        run.writer->setItemKeysInFile(1);
        QByteArray committed = "old\n";
        QString batch;
        for (int n = 1; n <= 5; ++n) {
            run.writer->appendRecord(record(n), n, u"k%1"_s.arg(n));
            QVERIFY(run.writer->syncJournal());
            committed += "k" + QByteArray::number(n) + '\n';
        }
        writeBytes(itemsFile, committed);
        run.die();

        QList<QByteArray> lines = readBytes(run.journal()).split('\n');
        lines.removeLast(); // after the last line end
        const QStringList how = damage.split(u' ');
        const double at = how.value(1).toDouble();
        const int line = int(at);
        if (how[0] == u"garble")
            lines[line][lines[line].size() / 2] ^= 0x20;
        QByteArray bytes = lines.join('\n') + '\n';
        if (how[0] == u"join") {
            lines[line] += lines[line + 1];
            lines.removeAt(line + 1);
            bytes = lines.join('\n') + '\n';
        } else if (how[0] == u"cut") {
            bytes = lines.mid(0, line + 1).join('\n') + '\n';
            if (at != line)
                bytes += lines[line + 1].left(lines[line + 1].size() / 2);
        } else if (how[0] == u"zero") {
            bytes = lines.mid(0, line + 1).join('\n') + '\n' + QByteArray(200, '\0');
        }
        writeBytes(run.journal(), bytes);
        SettingsStore settings(run.paths.settingsFile());
        settings.writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPointFileName,
                            QFileInfo(run.output()).fileName());
        settings.writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum, u"5"_s);

        QString message;
        QCOMPARE(run.recover(&message), int(recoveredRows.size()));
        const int lost = 5 - int(recoveredRows.size());
        QCOMPARE(message.contains(u"恢复记录已损坏：%1个宝贝未能恢复，请重新采集此店铺"_s.arg(lost)),
                 lost > 0);
        QCOMPARE(message.contains(u"恢复记录已损坏"_s), lost > 0);

        // The file holds the recovered rows under one header; the list names them and "old".
        const QString text = decodeGbk(readBytes(run.output()));
        QVERIFY(text.startsWith(AssistantFormat::paipai().headerLine()));
        QCOMPARE(text.count(AssistantFormat::paipai().headerLine()), 1);
        QStringList expectedKeys{u"old"_s};
        for (int n : recoveredRows) {
            QVERIFY2(text.contains(u"宝贝 %1 "_s.arg(n)), qPrintable(damage));
            expectedKeys << u"k%1"_s.arg(n);
        }
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(text.contains(u"宝贝 %1 "_s.arg(n)), recoveredRows.contains(n));
        QCOMPARE(WrittenItemSet::read(readBytes(itemsFile)).keys, expectedKeys);
        // Lost rows may lie anywhere: the resume starts from the first item.
        QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum),
                 lost > 0 ? u"0"_s : u"5"_s);
    }

    void nothingToRecover_data() {
        QTest::addColumn<QByteArray>("journal");
        QTest::newRow("no journal") << QByteArray();
        QTest::newRow("torn first line") << QByteArrayLiteral("KESTRUNE-JOU");
    }

    void nothingToRecover() {
        QFETCH(QByteArray, journal);
        WriterRun run(FileFormat::PaiPaiAssistant);
        if (!journal.isNull())
            writeBytes(run.journal(), journal);
        QString message = u"unchanged"_s;
        QCOMPARE(run.recover(&message), 0);
        QVERIFY(message.isEmpty());
        QCOMPARE(run.files(), QStringList());
    }

    // Rows the journal could not hold are in memory only: the run stops at once with the system's
    // reason, and the breakpoint passes them only when the stop wrote them to the output file.
    void journalFailureHoldsTheBreakPoint_data() {
        QTest::addColumn<bool>("journalOnFullDisk"); // else a folder stands at the journal's name
        QTest::addColumn<bool>("outputWritable");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("breakPointNum");

        QTest::newRow("disk full, output written by the stop")
            << true << true << u"No space left on device"_s << u"2"_s;
        QTest::newRow("journal cannot be made, output written by the stop")
            << false << true << QString() << u"2"_s;
        QTest::newRow("disk full, output not writable either")
            << true << false << u"No space left on device"_s << u"1"_s;
    }

    void journalFailureHoldsTheBreakPoint() {
        QFETCH(bool, journalOnFullDisk);
        QFETCH(bool, outputWritable);
        QFETCH(QString, reason);
        QFETCH(QString, breakPointNum);
        if (journalOnFullDisk)
            SKIP_WITHOUT(FullDevice);
        // The collect command around a walk that writes two items, the journal breaking down
        // after the first was made durable.
        ShopRun run;
        run.window.platform = Platform::PaiPai;
        run.window.format = FileFormat::PaiPaiAssistant;
        run.window.address = u"http://shop.paipai.com/123/"_s;
        const QString output = run.session.paths().outputFile(u"PaiPai_123"_s, u".csv"_s);
        const QString journal = OutputJournal::pathFor(output);
        QString numberAfterFirst;
        bool quietAfterFirst = false;
        bool journalGone = false;
        bool halted = false;
        CollectCommand::Crawlers crawlers;
        crawlers.paipai = [&](ShopWalkHost& ctx) {
            handItem(ctx, parsedTestItem(record(1), {u"一"_s}), 1, QString(), true);
            numberAfterFirst = run.breakPoint(SettingsKeys::kBreakPointNum);
            quietAfterFirst = run.window.messages.isEmpty();
            run.session.writer().flush();
            journalGone = !QFile::exists(journal);
            if (journalOnFullDisk)
                TestSystem::makeLink(TestSystem::fullDevice(), journal);
            else
                QDir().mkdir(journal);
            if (!outputWritable) {
                QFile::remove(output);
                QDir().mkdir(output);
            }
            handItem(ctx, parsedTestItem(record(2), {u"二"_s}), 2, QString(), true);
            halted = ctx.stopRequested();
            return WalkEnd{};
        };
        CollectCommand controller(run.session.services(), crawlers);
        controller.collect();
        QCOMPARE(numberAfterFirst, u"1"_s);
        QVERIFY(quietAfterFirst);
        QVERIFY(journalGone);
        // The walk is halted; the run's end writes the rows and then moves the breakpoint.
        QVERIFY(halted);
        QVERIFY(!controller.state().isRunning());
        QVERIFY(!run.window.messages.isEmpty());
        QVERIFY2(run.window.messages.first().startsWith(u"恢复记录写入失败（"_s),
                 qPrintable(run.window.messages.first()));
        QVERIFY2(run.window.messages.first().contains(reason), qPrintable(run.window.messages.first()));
        QCOMPARE(run.breakPoint(SettingsKeys::kBreakPointNum), breakPointNum);
        if (outputWritable)
            for (const QString& title : {u"宝贝 1"_s, u"宝贝 2"_s})
                QCOMPARE(decodeGbk(readBytes(output)).count(title), 1);
        else
            QVERIFY(run.session.writer().hasPendingOutput()); // the row stays for the next stop
    }

    void breakPointRaised_data() {
        QTest::addColumn<QString>("breakPointFile");
        QTest::addColumn<QString>("breakPointNum");
        QTest::addColumn<QString>("after");

        QTest::newRow("death before the key was written") << u"PaiPai_shop.csv"_s << u"4"_s << u"5"_s;
        QTest::newRow("no number recorded") << u"PaiPai_shop.csv"_s << QString() << u"5"_s;
        QTest::newRow("key already at the last item") << u"PaiPai_shop.csv"_s << u"5"_s << u"5"_s;
        QTest::newRow("never lowered") << u"PaiPai_shop.csv"_s << u"9"_s << u"9"_s;
        QTest::newRow("breakpoint of another shop") << u"PaiPai_other.csv"_s << u"2"_s << u"2"_s;
    }

    void breakPointRaised() {
        QFETCH(QString, breakPointFile);
        QFETCH(QString, breakPointNum);
        QFETCH(QString, after);
        WriterRun run(FileFormat::PaiPaiAssistant);
        SettingsStore settings(run.paths.settingsFile());
        QVERIFY(
            settings.writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPointFileName, breakPointFile));
        if (!breakPointNum.isEmpty())
            QVERIFY(settings.writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum, breakPointNum));
        emitItems(run, 3, 5);
        run.die();

        QCOMPARE(recoverJournals(run.paths, settings, nullptr), 3);
        QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum), after);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestOutputJournal)
#include "tst_outputjournal.moc"
