#include "app/AppPaths.h"
#include "app/RunState.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "formats/AssistantFormat.h"
#include "formats/OutputJournal.h"
#include "formats/RowWriter.h"
#include "support/FakeWindow.h"
#include "support/FormatTestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

enum Format { Taobao = 0, Ebay = 1, PaiPai = 2 };

ItemRecord record(int n) {
    QStringList values;
    for (int i = 0; i < ItemRecord::kFieldCount; ++i)
        values.append(QStringLiteral("v%1").arg(i));
    ItemRecord r = ItemRecord::fromValues(values);
    r.title = QStringLiteral("\"宝贝 %1 &quot;\\n\"").arg(n); // a decoded quote and a backslash
    r.description = QStringLiteral("\"<p>第%1件\t说明</p>\"").arg(n);
    r.picture = QStringLiteral("\"http://img.example/%1.jpg\"").arg(n);
    return r;
}

// One run of the program in a folder: a writer whose process may "die" (be destroyed unflushed).
struct Run {
    FakeWindow window;
    RunState state;
    AppPaths paths;
    std::unique_ptr<RowWriter> writer;

    Run(const QString& folder, int format) : paths(folder) {
        window.format = format;
        window.platform = 0;
        state.outputBaseName = QStringLiteral("PaiPai_shop");
        state.stopRequested = false;
        writer = std::make_unique<RowWriter>(state, window, paths);
    }
    void emitItems(int first, int last) {
        for (int n = first; n <= last; ++n) {
            state.collectedCount = n;
            writer->EmitItemRecord(record(n));
            writer->syncJournal();
        }
    }
    void die() { writer.reset(); }
    QString output() const { return paths.outputFile(state.outputBaseName, state.outputExtension); }
    QString journal() const { return OutputJournal::pathFor(output()); }
};

} // namespace

class TestOutputJournal : public QObject {
    Q_OBJECT

private slots:
    void journalBesideOutputFile() {
        QCOMPARE(OutputJournal::pathFor(QStringLiteral("/data/Taobao_123.csv")),
                 QStringLiteral("/data/.Taobao_123.csv.journal"));
    }

    void journalHoldsTheBuffer_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("Taobao Assistant") << int(Taobao);
        QTest::newRow("PaiPai Assistant") << int(PaiPai);
        QTest::newRow("eBay Assistant") << int(Ebay);
    }

    void journalHoldsTheBuffer() {
        QFETCH(int, format);
        QTemporaryDir dir;
        Run run(dir.path(), format);
        run.state.appendToExisting = true;
        run.emitItems(4, 6);

        const OutputJournal::Contents contents = OutputJournal::read(run.journal());
        QVERIFY(contents.valid);
        QCOMPARE(contents.format, format);
        QVERIFY(contents.appendToExisting);
        QCOMPARE(contents.rows, 3);
        QCOMPARE(contents.highestItem, 6);
        QCOMPARE(contents.droppedLines, 0);
        QCOMPARE(contents.batch, run.state.outputBuffer);
    }

    void normalFlushLeavesNoJournal_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("Taobao Assistant") << int(Taobao);
        QTest::newRow("PaiPai Assistant") << int(PaiPai);
    }

    void normalFlushLeavesNoJournal() {
        QFETCH(int, format);
        QTemporaryDir dir;
        Run run(dir.path(), format);
        run.emitItems(1, 2);
        QVERIFY(QFile::exists(run.journal()));
        const QString buffer = run.state.outputBuffer;
        QVERIFY(run.writer->FlushOutputBuffer().ok());
        QVERIFY(!QFile::exists(run.journal()));
        QCOMPARE(readBytes(run.output()),
                 format == Taobao ? utf16WithMark(buffer) : gbk(buffer + QStringLiteral("\r\n")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("PaiPai_shop.csv")});
    }

    void failedFlushKeepsJournal() {
        QTemporaryDir dir;
        Run run(dir.path(), PaiPai);
        run.emitItems(1, 2);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("PaiPai_shop.csv"))); // the output path is a folder
        QVERIFY(!run.writer->FlushOutputBuffer().ok());
        QVERIFY(QFile::exists(run.journal()));
        run.emitItems(3, 3);
        QCOMPARE(OutputJournal::read(run.journal()).batch, run.state.outputBuffer);
    }

    void recoveryWritesWhatTheStopWould_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("resumed");

        QTest::newRow("Taobao Assistant, fresh run") << int(Taobao) << false;
        QTest::newRow("Taobao Assistant, resumed run") << int(Taobao) << true;
        QTest::newRow("PaiPai Assistant, fresh run") << int(PaiPai) << false;
        QTest::newRow("PaiPai Assistant, resumed run") << int(PaiPai) << true;
        QTest::newRow("eBay Assistant, fresh run") << int(Ebay) << false;
        QTest::newRow("eBay Assistant, resumed run") << int(Ebay) << true;
    }

    void recoveryWritesWhatTheStopWould() {
        QFETCH(int, format);
        QFETCH(bool, resumed);
        QTemporaryDir dir;

        // The interrupted run wrote items 1 and 2 on stop; the resumed run died after items 3 to 5.
        Run first(dir.path(), format);
        first.emitItems(1, 2);
        const QString firstBuffer = first.state.outputBuffer;
        QVERIFY(first.writer->FlushOutputBuffer().ok());
        const QByteArray firstFile = readBytes(first.output());

        Run second(dir.path(), format);
        second.state.appendToExisting = resumed;
        second.emitItems(3, 5);
        const QString secondBuffer = second.state.outputBuffer;
        second.die();
        QVERIFY(QFile::exists(second.journal()));

        SettingsStore settings(second.paths.settingsFile());
        QString message;
        QCOMPARE(OutputJournal::recover(second.paths, settings, &message), 3);
        QCOMPARE(message, QStringLiteral("已恢复上次意外中断时未保存的3个宝贝"));
        QVERIFY(!QFile::exists(second.journal()));

        const QString header = AssistantFormat::forOption(format).headerLine();
        QByteArray expected;
        if (format == Taobao)
            expected = utf16WithMark(firstBuffer + secondBuffer); // one header per batch
        else if (resumed)
            expected = gbk(firstBuffer + secondBuffer.mid(header.size()) + QStringLiteral("\r\n"));
        else
            expected = gbk(secondBuffer + QStringLiteral("\r\n"));
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
        QTemporaryDir dir;
        Run run(dir.path(), PaiPai);
        run.emitItems(1, 3);
        run.die();
        QByteArray bytes = readBytes(run.journal());
        bytes.chop(cut);
        writeBytes(run.journal(), bytes + tail);

        const OutputJournal::Contents contents = OutputJournal::read(run.journal());
        QCOMPARE(contents.rows, rows);
        QCOMPARE(contents.highestItem, rows);
        QCOMPARE(contents.droppedLines > 0, rows < 3 || !tail.isEmpty());

        SettingsStore settings(run.paths.settingsFile());
        QCOMPARE(OutputJournal::recover(run.paths, settings, nullptr), rows);
        const QList<QByteArray> lines = readBytes(run.output()).split('\n');
        QCOMPARE(lines.size(), rows + 3); // header, rows, the closing CR LF, nothing after it
        QVERIFY(!QFile::exists(run.journal()));
    }

    void nothingToRecover_data() {
        QTest::addColumn<QByteArray>("journal");
        QTest::newRow("no journal") << QByteArray();
        QTest::newRow("torn first line") << QByteArrayLiteral("KESTRUNE-JOU");
    }

    void nothingToRecover() {
        QFETCH(QByteArray, journal);
        QTemporaryDir dir;
        Run run(dir.path(), PaiPai);
        if (!journal.isNull())
            writeBytes(run.journal(), journal);
        SettingsStore settings(run.paths.settingsFile());
        QString message = QStringLiteral("unchanged");
        QCOMPARE(OutputJournal::recover(run.paths, settings, &message), 0);
        QVERIFY(message.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void breakPointRaised_data() {
        QTest::addColumn<QString>("breakPointFile");
        QTest::addColumn<QString>("breakPointNum");
        QTest::addColumn<QString>("after");

        QTest::newRow("death before the key was written") << "PaiPai_shop.csv"
                                                          << "4"
                                                          << "5";
        QTest::newRow("no number recorded") << "PaiPai_shop.csv"
                                            << ""
                                            << "5";
        QTest::newRow("key already at the last item") << "PaiPai_shop.csv"
                                                      << "5"
                                                      << "5";
        QTest::newRow("never lowered") << "PaiPai_shop.csv"
                                       << "9"
                                       << "9";
        QTest::newRow("breakpoint of another shop") << "PaiPai_other.csv"
                                                    << "2"
                                                    << "2";
    }

    void breakPointRaised() {
        QFETCH(QString, breakPointFile);
        QFETCH(QString, breakPointNum);
        QFETCH(QString, after);
        QTemporaryDir dir;
        Run run(dir.path(), PaiPai);
        SettingsStore settings(run.paths.settingsFile());
        QVERIFY(settings.WriteIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointFileName,
                                       breakPointFile));
        if (!breakPointNum.isEmpty())
            QVERIFY(
                settings.WriteIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum, breakPointNum));
        run.emitItems(3, 5);
        run.die();

        QCOMPARE(OutputJournal::recover(run.paths, settings, nullptr), 3);
        QCOMPARE(settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum), after);
    }

    void unwritableOutputKeepsJournal() {
        QTemporaryDir dir;
        Run run(dir.path(), PaiPai);
        run.emitItems(1, 2);
        run.die();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("PaiPai_shop.csv")));
        SettingsStore settings(run.paths.settingsFile());
        QString message;
        QCOMPARE(OutputJournal::recover(run.paths, settings, &message), 0);
        QVERIFY(!message.isEmpty());
        QVERIFY(QFile::exists(run.journal()));
    }
};

QTEST_GUILESS_MAIN(TestOutputJournal)
#include "tst_outputjournal.moc"
