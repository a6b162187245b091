#include "formats/AssistantFormat.h"
#include "formats/ConversionMapping.h"
#include "formats/GbkFileWriter.h"
#include "formats/ItemRecord.h"
#include "support/TestMain.h"
#include "support/TestSystem.h"
#include "support/WebTestSupport.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <optional>

using namespace Qt::StringLiterals;

class TestGbkFileWriter : public QObject {
    Q_OBJECT

private slots:
    void commitOrDiscard_data() {
        QTest::addColumn<bool>("commit");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("committed: the new text in GBK") << true << QByteArray("\xB1\xED\xCD\xB7\r\n");
        QTest::newRow("discarded: the old file") << false << QByteArray("old rows\r\n");
    }

    // Nothing reaches the target before commit, and nothing but the target stays in the folder.
    void commitOrDiscard() {
        QFETCH(bool, commit);
        QFETCH(QByteArray, after);

        QTemporaryDir dir;
        const QString target = dir.filePath(u"out.csv"_s);
        putFileBytes(target, "old rows\r\n");
        GbkFileWriter writer(target);
        QVERIFY(writer.open());
        writer.write(u"表头\r\n"_s);
        QCOMPARE(fileBytes(target), QByteArray("old rows\r\n"));
        if (commit)
            QVERIFY(writer.commit());
        else
            writer.discard();
        QCOMPARE(fileBytes(target), after);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.csv"_s});
    }

    void failures_data() {
        QTest::addColumn<QString>("place");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full disk") << u"full disk"_s << true << qt_error_string(EFBIG);
        QTest::newRow("folder that takes no new file")
            << u"folder that takes no new file"_s << false << qt_error_string(EACCES);
        QTest::newRow("FIFO") << u"FIFO"_s << false << kNotRegularFileReason;
        QTest::newRow("missing folder") << u"missing folder"_s << false << TestSystem::missingFolderReason();
    }

    // A failed conversion leaves the old target whole and says why, in the system's words.
    void failures() {
        QFETCH(QString, place);
        QFETCH(bool, opens);
        QFETCH(QString, reason);
        if (place == u"full disk")
            SKIP_WITHOUT(FileSizeLimit);
        else if (place == u"folder that takes no new file")
            SKIP_WITHOUT(FolderPermissions);
        else if (place == u"FIFO")
            SKIP_WITHOUT(SpecialFiles);

        QTemporaryDir dir;
        QVERIFY(TestSystem::openFolder(dir.path()));
        const QString folder = dir.filePath(u"out"_s);
        QVERIFY(QDir().mkpath(folder));
        QString target = folder + u"/out.csv"_s;
        const QByteArray before("old rows\r\n");
        if (place == u"FIFO")
            QVERIFY(TestSystem::makeFifo(target));
        else if (place == u"missing folder")
            target = folder + u"/missing/out.csv"_s;
        else
            putFileBytes(target, before);
        if (place == u"folder that takes no new file")
            QVERIFY(TestSystem::makeFolderKeepOnlyItsFile(folder, target));

        bool opened = false;
        bool committed = false;
        {
            std::optional<TestSystem::UnprivilegedFileAccess> unprivileged;
            if (place == u"folder that takes no new file")
                unprivileged.emplace();
            TestSystem::FileSizeLimit limit(64 * 1024);
            GbkFileWriter writer(target);
            opened = writer.open();
            if (opened) {
                for (int i = 0; i < 1000; ++i)
                    writer.write(QString(1024, u'x'));
                committed = writer.commit();
            }
            QVERIFY2(writer.errorString().contains(reason), qPrintable(writer.errorString()));
        }
        QVERIFY(TestSystem::openFolder(folder));
        QCOMPARE(opened, opens);
        QVERIFY(!committed);
        if (place == u"FIFO")
            QVERIFY(!QFileInfo(target).isFile());
        else if (place != u"missing folder")
            QCOMPARE(fileBytes(target), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
                 place == u"missing folder" ? 0 : 1);
    }

    void valueFromItsSourceAsItsPlainValue_data() {
        QTest::addColumn<QString>("quoted");
        QTest::newRow("begins with a quote") << u"\"\"\"限量\"\"版 T恤\""_s;
        QTest::newRow("ends with a doubled quote") << u"\"a\"\"b\"\"\""_s;
        QTest::newRow("a quote not doubled") << u"\"a\"b\""_s;
        QTest::newRow("not enclosed, a comma") << u"a,b \"c\""_s;
        QTest::newRow("opening quote only") << u"\"abc"_s;
        QTest::newRow("empty quoted") << u"\"\""_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("one quote") << u"\""_s;
        QTest::newRow("a number") << u"\"123\""_s;
        QTest::newRow("a negative number") << u"\"-1.5\""_s;
        QTest::newRow("a number once its spaces go") << u"\"  12\""_s;
        QTest::newRow("no number") << u"\"1.2.3\""_s;
        QTest::newRow("tabs and line breaks") << u"\"a\tb\r\nc\rd\ne\""_s;
        QTest::newRow("spaces") << u"\"  a   b \""_s;
        QTest::newRow("commas") << u"\"中文，逗号,comma,\""_s;
        QTest::newRow("entities stay") << u"\"&amp;&nbsp;\""_s;
        QTest::newRow("a pair split by spaces")
            << u"\""_s + QChar(0xD83D) + u"  "_s + QChar(0xDE00) + u"\U0001F600\""_s;
        QTest::newRow("characters GBK lacks") << u"\"\u00AD\u20AC\uFFFD\""_s;
        QTest::newRow("markup over several blocks")
            << u"\""_s + u"<p align=\"\"center\"\">宝贝,  描述</p>\t<br>"_s.repeated(3) + u"\""_s;
    }

    // A value written from its source's quoted text gives the bytes of its plain value written
    // the usual way, cleaned into the PaiPai layout and plain into the eBay one.
    void valueFromItsSourceAsItsPlainValue() {
        QFETCH(QString, quoted);
        const int description = ItemRecord::indexOf(ItemRecord::Field::Description);
        const QString plain = AssistantFormat::unquoted(quoted);
        QString cleaned;
        ConversionMapping::appendCleanField(&cleaned, plain);
        const struct {
            const AssistantLayout& layout;
            GbkFileWriter::SourceValue use;
            QString value;
        } targets[] = {{AssistantFormat::paipaiConverter(), GbkFileWriter::SourceValue::Cleaned, cleaned},
                       {AssistantFormat::ebayConverter(), GbkFileWriter::SourceValue::Plain, plain}};
        QTemporaryDir dir;
        for (const auto& target : targets) {
            QStringList values;
            for (const LayoutColumn& column : target.layout.columns)
                values.append(column.source == ColumnSource::Constant ? column.constant : u"值,1"_s);
            const qsizetype column = target.layout.columnOf(description);
            QVERIFY(column >= 0);
            values[column] = target.value;
            GbkFileWriter usual(dir.filePath(u"usual.csv"_s));
            GbkFileWriter fromSource(dir.filePath(u"source.csv"_s));
            QVERIFY(usual.open() && fromSource.open());
            for (int row = 0; row < 2; ++row) {
                usual.writeRow(target.layout, values);
                fromSource.writeRow(target.layout, values, column, quoted, target.use);
            }
            QVERIFY(usual.commit() && fromSource.commit());
            QCOMPARE(fileBytes(dir.filePath(u"source.csv"_s)), fileBytes(dir.filePath(u"usual.csv"_s)));
        }
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestGbkFileWriter)
#include "tst_gbkfilewriter.moc"
