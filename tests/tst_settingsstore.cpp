#include "run/SettingsStore.h"
#include "support/TestMain.h"
#include "support/TestSystem.h"
#include "support/WebTestSupport.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "断点续采" in GBK, spelled out so the test does not lean on the encoder under test.
const QByteArray kSectionGbk("\xB6\xCF\xB5\xE3\xD0\xF8\xB2\xC9");
const QString kSection = QStringLiteral("断点续采");

QByteArray utf16(QStringConverter::Encoding encoding, const QByteArray& mark, const QString& text) {
    return mark + QByteArray(QStringEncoder(encoding).encode(text));
}

QByteArray utf16le(const QString& text) {
    return utf16(QStringConverter::Utf16LE, QByteArray("\xFF\xFE", 2), text);
}

// A null QByteArray in a table row means "no file at all".
const QByteArray kNoFile;

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Kestrune.ini")); }

private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray chinese = "[" + kSectionGbk + "]\r\nBreakPointUrl=http://shop.taobao.com/\r\n";
        addRow("Chinese section in GBK", chinese, kSection, "BreakPointUrl", "http://shop.taobao.com/");
        addRow("LF line ends", QByteArray("[s]\na=1\nb=2\n"), "s", "b", "2");
        addRow("no newline at the end", QByteArray("[s]\r\na=1\r\nb=2"), "s", "b", "2");
        const QString withChinese = u"[" + kSection + u"]\r\nk=中文\r\n";
        addRow("UTF-8 mark", QByteArray("\xEF\xBB\xBF" + withChinese.toUtf8()), kSection, "k", "中文");
        addRow("UTF-16LE mark", utf16le(withChinese), kSection, "k", "中文");
        addRow("UTF-16BE mark", utf16(QStringConverter::Utf16BE, QByteArray("\xFE\xFF", 2), withChinese),
               kSection, "k", "中文");
        addRow("section and key in another case", QByteArray("[Resume]\r\nBreakPoint=1\r\n"), "RESUME",
               "breakpoint", "1");
        addRow("line without equals skipped", QByteArray("[s]\r\njunk line\r\nk=v\r\n"), "s", "k", "v");
        addRow("commented key is not a key", QByteArray("[s]\r\n;k=old\r\n"), "s", ";k", "");
        addRow("comment before the key", QByteArray("[s]\r\n;k=old\r\nk=new\r\n"), "s", "k", "new");
        addRow("key of another section", QByteArray("[a]\r\nk=1\r\n[b]\r\nj=2\r\n"), "b", "k", "");
        addRow("key before any section", QByteArray("k=0\r\n[s]\r\nj=1\r\n"), "s", "k", "");
        addRow("first of repeated keys", QByteArray("[s]\r\nk=1\r\nk=2\r\n"), "s", "k", "1");
        addRow("key found in a repeated section", QByteArray("[s]\r\na=1\r\n[t]\r\n[s]\r\nk=2\r\n"), "s", "k",
               "2");
        addRow("value holding equals", QByteArray("[s]\r\nurl=http://x/?a=1\r\n"), "s", "url",
               "http://x/?a=1");
        addRow("empty value", QByteArray("[s]\r\nk=\r\n"), "s", "k", "");
        addRow("quoted value loses its quotes", QByteArray("[s]\r\nk=\" a \"\r\n"), "s", "k", " a ");
        addRow("blank key", QByteArray("[s]\r\n=x\r\n"), "s", "  ", "");
        addRow("missing file", kNoFile, "s", "k", "");
        // 1 + 511 * 2 = 1023 bytes; the next character would need two more.
        addRow("long value cut at 1023 bytes between characters",
               QByteArray("[s]\r\nk=a" + QByteArray("\xD6\xD0").repeated(600) + "\r\n"), "s", "k",
               QString(u"a" + QString(511, QChar(0x4E2D))));
        addRow("long ASCII value", QByteArray("[s]\r\nk=" + QByteArray(2000, 'x') + "\r\n"), "s", "k",
               QString(1023, u'x'));
    }

    void read() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);

        putFileBytes(iniPath(), file);
        QCOMPARE(SettingsStore(iniPath()).readValue(section, key), expected);
    }

    void write_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after"); // the file as before: the write is refused

        addRow("first write creates the GBK file with CRLF", kNoFile, kSection, "BreakPointFileName",
               "Taobao_店.csv",
               QByteArray("[" + kSectionGbk + "]\r\nBreakPointFileName=Taobao_\xB5\xEA.csv\r\n"));
        addRow("zero is not blank", kNoFile, "s", "BreakPointNum", "0",
               QByteArray("[s]\r\nBreakPointNum=0\r\n"));
        const QByteArray full = "; kept comment\r\n[" + kSectionGbk +
                                "]\r\nBreakPoint=1\r\nBreakPointUrl=http://a/\r\n\r\n[Other]\r\nA=b\r\n";
        addRow("update in place keeps everything else", full, kSection, "BreakPoint", "0",
               QByteArray(full).replace("BreakPoint=1", "BreakPoint=0"));
        addRow("update keeps the file's spelling of the key", QByteArray("[ABC]\r\n  Key = 5\r\n"), "abc",
               "KEY", "6", QByteArray("[ABC]\r\nKey=6\r\n"));
        addRow("new key after the section's last line, before the blank line",
               QByteArray("[s]\r\na=1\r\n\r\n[t]\r\nb=2\r\n"), "s", "c", "3",
               QByteArray("[s]\r\na=1\r\nc=3\r\n\r\n[t]\r\nb=2\r\n"));
        addRow("LF file keeps LF", QByteArray("[s]\na=1\n"), "s", "b", "2", QByteArray("[s]\na=1\nb=2\n"));
        addRow("no newline at the end, new section", QByteArray("[s]\r\na=1"), "t", "b", "2",
               QByteArray("[s]\r\na=1\r\n[t]\r\nb=2\r\n"));
        addRow("no newline at the end, same section", QByteArray("[s]\r\na=1"), "s", "b", "2",
               QByteArray("[s]\r\na=1\r\nb=2\r\n"));
        addRow("no newline at the end, last key updated", QByteArray("[s]\r\na=1"), "s", "a", "2",
               QByteArray("[s]\r\na=2"));
        addRow("undecodable bytes elsewhere kept as they were",
               QByteArray("[s]\r\nx=\x81\x20\xFF\r\na=1\r\n"), "s", "a", "2",
               QByteArray("[s]\r\nx=\x81\x20\xFF\r\na=2\r\n"));
        addRow("UTF-16 file stays UTF-16", utf16le(QStringLiteral("[s]\r\na=1\r\n")), "s", "a", "中",
               utf16le(QStringLiteral("[s]\r\na=中\r\n")));
        addRow("UTF-8 file stays UTF-8", QByteArray("\xEF\xBB\xBF[s]\na=1\n"), "s", "b", "中",
               QByteArray("\xEF\xBB\xBF[s]\na=1\nb=中\n"));
        addRow("euro sign is GBK 0x80", kNoFile, "s", "k", "€x", QByteArray("[s]\r\nk=\x80x\r\n"));

        const QByteArray kept("[s]\r\na=1\r\n");
        addRow("spaces-only value refused", kept, "s", "a", "   ", kept);
        addRow("empty value refused", kept, "s", "a", "", kept);
        addRow("blank key refused", kept, "s", " ", "1", kept);
        addRow("blank section refused", kept, " ", "a", "1", kept);
        // Nothing may read back as another key or section: no caller can plant one.
        addRow("value with LF refused", kept, "s", "a", "2\nb=3", kept);
        addRow("value with CR refused", kept, "s", "a", "2\r[t]", kept);
        addRow("key with equals refused", kept, "s", "b=c", "1", kept);
        addRow("key with line break refused", kept, "s", "b\r\nc", "1", kept);
        addRow("section with closing bracket refused", kept, "s]\r\n[t", "a", "1", kept);
        addRow("refused write creates no file", kNoFile, "s", "a", " ", kNoFile);
    }

    void write() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);

        putFileBytes(iniPath(), before);
        SettingsStore store(iniPath());
        const bool refused = after == before;
        QCOMPARE(store.writeValue(section, key, value), !refused);
        QCOMPARE(fileBytes(iniPath()), after);
        // Written through a temporary file that is renamed over the old one, so none is left behind.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 after.isNull() ? QStringList() : QStringList{QStringLiteral("Kestrune.ini")});
        if (!refused)
            QCOMPARE(store.readValue(section, key), value);
    }

    // As a text editor on Windows leaves it: CRLF, odd spacing, a comment, another section.
    void fileWrittenByAnotherTool() {
        const QByteArray file = "; saved by hand\r\n\r\n[Window]\r\nLeft = 10\r\n\r\n  [ " + kSectionGbk +
                                " ]  \r\n BreakPoint= 1\r\nBreakPointUrl =http://shop33.taobao.com/ \r\n"
                                "BreakPointNum\t=\t120\r\n";
        putFileBytes(iniPath(), file);
        SettingsStore store(iniPath());
        QCOMPARE(store.readValue(kSection, QStringLiteral("BreakPoint")), QStringLiteral("1"));
        QCOMPARE(store.readValue(kSection, QStringLiteral("BreakPointUrl")),
                 QStringLiteral("http://shop33.taobao.com/"));
        QCOMPARE(store.readValue(kSection, QStringLiteral("breakpointnum")), QStringLiteral("120"));
        QCOMPARE(store.readValue(QStringLiteral("window"), QStringLiteral("left")), QStringLiteral("10"));

        QVERIFY(store.writeValue(kSection, QStringLiteral("BreakPointNum"), QStringLiteral("121")));
        QCOMPARE(fileBytes(iniPath()),
                 QByteArray(file).replace("BreakPointNum\t=\t120", "BreakPointNum=121"));
    }

    void failingWritesKeepTheOldFile() {
        SettingsStore noFolder(m_dir.filePath(QStringLiteral("missing/Kestrune.ini")));
        QVERIFY(!noFolder.writeValue(QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("1")));

        // A write that breaks off midway, as on a full disk, leaves the old file whole.
        SKIP_WITHOUT(FileSizeLimit);
        const QByteArray kept("[s]\r\na=1\r\n");
        putFileBytes(iniPath(), kept);
        bool written = true;
        {
            TestSystem::FileSizeLimit limit(1024);
            written = SettingsStore(iniPath()).writeValue(QStringLiteral("s"), QStringLiteral("a"),
                                                          QString(4096, u'x'));
        }
        QVERIFY(!written);
        QCOMPARE(fileBytes(iniPath()), kept);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Kestrune.ini")});
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
