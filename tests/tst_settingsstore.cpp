#include "app/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// "断点续采" in GBK, spelled out so the test does not lean on the encoder under test.
const QByteArray kSectionGbk("\xB6\xCF\xB5\xE3\xD0\xF8\xB2\xC9");
const QString kSection = QStringLiteral("断点续采");

QByteArray utf16le(const QString& text) {
    return QByteArray("\xFF\xFE", 2) + QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(text));
}

QByteArray utf16be(const QString& text) {
    return QByteArray("\xFE\xFF", 2) + QByteArray(QStringEncoder(QStringConverter::Utf16BE).encode(text));
}

QByteArray gbkOf(const QString& text) {
    return QStringEncoder("GBK").encode(text);
}

// A null QByteArray in a table row means "no file at all".
const QByteArray kNoFile;

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Kestrune.ini")); }

    void putFile(const QByteArray& bytes) {
        QFile::remove(iniPath());
        if (bytes.isNull())
            return;
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QByteArray fileBytes() const {
        QFile file(iniPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray chinese =
            "[" + kSectionGbk + "]\r\nBreakPoint=1\r\nBreakPointUrl=http://shop.taobao.com/\r\n";
        QTest::newRow("Chinese section in GBK") << chinese << kSection << "BreakPointUrl"
                                                << "http://shop.taobao.com/";
        QTest::newRow("CRLF and spaces around equals")
            << QByteArray("[" + kSectionGbk + "]\r\n  BreakPointNum  =  17  \r\n") << kSection
            << "BreakPointNum"
            << "17";
        QTest::newRow("tabs around key and value") << QByteArray("[s]\r\n\tk\t=\tv\t\r\n") << "s"
                                                   << "k"
                                                   << "v";
        QTest::newRow("LF line ends") << QByteArray("[s]\na=1\nb=2\n") << "s"
                                      << "b"
                                      << "2";
        QTest::newRow("no newline at the end") << QByteArray("[s]\r\na=1\r\nb=2") << "s"
                                               << "b"
                                               << "2";
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF[" + kSection.toUtf8() + "]\r\nk=中文\r\n")
                                    << kSection << "k"
                                    << "中文";
        QTest::newRow("UTF-16LE mark") << utf16le(u"[" + kSection + u"]\r\nk=中文\r\n") << kSection << "k"
                                       << "中文";
        QTest::newRow("UTF-16BE mark") << utf16be(u"[" + kSection + u"]\r\nk=中文\r\n") << kSection << "k"
                                       << "中文";
        QTest::newRow("section and key in another case")
            << QByteArray("[Resume]\r\nBreakPoint=1\r\n") << "RESUME"
            << "breakpoint"
            << "1";
        QTest::newRow("spaces inside the brackets") << QByteArray("[ s ]\r\nk=1\r\n") << "s"
                                                    << "k"
                                                    << "1";
        QTest::newRow("line without equals skipped") << QByteArray("[s]\r\njunk line\r\nk=v\r\n") << "s"
                                                     << "k"
                                                     << "v";
        QTest::newRow("commented key is not a key") << QByteArray("[s]\r\n;k=old\r\n") << "s"
                                                    << ";k"
                                                    << "";
        QTest::newRow("comment before the key") << QByteArray("[s]\r\n;k=old\r\nk=new\r\n") << "s"
                                                << "k"
                                                << "new";
        QTest::newRow("key of another section") << QByteArray("[a]\r\nk=1\r\n[b]\r\nj=2\r\n") << "b"
                                                << "k"
                                                << "";
        QTest::newRow("key before any section") << QByteArray("k=0\r\n[s]\r\nj=1\r\n") << "s"
                                                << "k"
                                                << "";
        QTest::newRow("first of repeated keys") << QByteArray("[s]\r\nk=1\r\nk=2\r\n") << "s"
                                                << "k"
                                                << "1";
        QTest::newRow("key found in a repeated section")
            << QByteArray("[s]\r\na=1\r\n[t]\r\n[s]\r\nk=2\r\n") << "s"
            << "k"
            << "2";
        QTest::newRow("value holding equals") << QByteArray("[s]\r\nurl=http://x/?a=1\r\n") << "s"
                                              << "url"
                                              << "http://x/?a=1";
        QTest::newRow("empty value") << QByteArray("[s]\r\nk=\r\n") << "s"
                                     << "k"
                                     << "";
        QTest::newRow("quoted value loses its quotes") << QByteArray("[s]\r\nk=\" a \"\r\n") << "s"
                                                       << "k"
                                                       << " a ";
        QTest::newRow("blank key") << QByteArray("[s]\r\n=x\r\n") << "s"
                                   << "  "
                                   << "";
        QTest::newRow("missing file") << kNoFile << "s"
                                      << "k"
                                      << "";
        QTest::newRow("empty file") << QByteArray("") << "s"
                                    << "k"
                                    << "";
        // 1 + 511 * 2 = 1023 bytes; the next character would need two more.
        QTest::newRow("long value cut at 1023 bytes between characters")
            << QByteArray("[s]\r\nk=a" + gbkOf(QString(600, QChar(0x4E2D))) + "\r\n") << "s"
            << "k" << QString(u"a" + QString(511, QChar(0x4E2D)));
        QTest::newRow("long ASCII value") << QByteArray("[s]\r\nk=" + QByteArray(2000, 'x') + "\r\n") << "s"
                                          << "k" << QString(1023, u'x');
    }

    void read() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);

        putFile(file);
        SettingsStore store(iniPath());
        QCOMPARE(store.ReadIniValue(section, key), expected);
    }

    void write_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("first write creates the GBK file with CRLF")
            << kNoFile << kSection << "BreakPoint"
            << "1" << true << QByteArray("[" + kSectionGbk + "]\r\nBreakPoint=1\r\n");
        QTest::newRow("zero is not blank") << kNoFile << "s"
                                           << "BreakPointNum"
                                           << "0" << true << QByteArray("[s]\r\nBreakPointNum=0\r\n");
        const QByteArray full = "; kept comment\r\n[" + kSectionGbk +
                                "]\r\nBreakPoint=1\r\nBreakPointUrl=http://a/\r\n\r\n[Other]\r\nA=b\r\n";
        QByteArray updated = full;
        updated.replace("BreakPoint=1", "BreakPoint=0");
        QTest::newRow("update in place keeps everything else") << full << kSection << "BreakPoint"
                                                               << "0" << true << updated;
        QTest::newRow("update keeps the file's spelling of the key")
            << QByteArray("[ABC]\r\n  Key = 5\r\n") << "abc"
            << "KEY"
            << "6" << true << QByteArray("[ABC]\r\nKey=6\r\n");
        QTest::newRow("new key after the section's last line, before the blank line")
            << QByteArray("[s]\r\na=1\r\n\r\n[t]\r\nb=2\r\n") << "s"
            << "c"
            << "3" << true << QByteArray("[s]\r\na=1\r\nc=3\r\n\r\n[t]\r\nb=2\r\n");
        QTest::newRow("LF file keeps LF") << QByteArray("[s]\na=1\n") << "s"
                                          << "b"
                                          << "2" << true << QByteArray("[s]\na=1\nb=2\n");
        QTest::newRow("no newline at the end, new section")
            << QByteArray("[s]\r\na=1") << "t"
            << "b"
            << "2" << true << QByteArray("[s]\r\na=1\r\n[t]\r\nb=2\r\n");
        QTest::newRow("no newline at the end, same section")
            << QByteArray("[s]\r\na=1") << "s"
            << "b"
            << "2" << true << QByteArray("[s]\r\na=1\r\nb=2\r\n");
        QTest::newRow("no newline at the end, last key updated") << QByteArray("[s]\r\na=1") << "s"
                                                                 << "a"
                                                                 << "2" << true << QByteArray("[s]\r\na=2");
        QTest::newRow("undecodable bytes elsewhere kept as they were")
            << QByteArray("[s]\r\nx=\x81\x20\xFF\r\na=1\r\n") << "s"
            << "a"
            << "2" << true << QByteArray("[s]\r\nx=\x81\x20\xFF\r\na=2\r\n");
        QTest::newRow("UTF-16 file stays UTF-16")
            << utf16le(QStringLiteral("[s]\r\na=1\r\n")) << "s"
            << "a"
            << "中" << true << utf16le(QStringLiteral("[s]\r\na=中\r\n"));
        QTest::newRow("UTF-8 file stays UTF-8") << QByteArray("\xEF\xBB\xBF[s]\na=1\n") << "s"
                                                << "b"
                                                << "中" << true << QByteArray("\xEF\xBB\xBF[s]\na=1\nb=中\n");
        QTest::newRow("euro sign is GBK 0x80")
            << kNoFile << "s"
            << "k" << QString::fromUtf8("€x") << true << QByteArray("[s]\r\nk=\x80x\r\n");

        const QByteArray kept("[s]\r\na=1\r\n");
        QTest::newRow("spaces-only value refused") << kept << "s"
                                                   << "a"
                                                   << "   " << false << kept;
        QTest::newRow("empty value refused") << kept << "s"
                                             << "a"
                                             << "" << false << kept;
        QTest::newRow("blank key refused") << kept << "s"
                                           << " "
                                           << "1" << false << kept;
        QTest::newRow("blank section refused") << kept << " "
                                               << "a"
                                               << "1" << false << kept;
        QTest::newRow("value with LF refused") << kept << "s"
                                               << "a"
                                               << "2\nb=3" << false << kept;
        QTest::newRow("value with CR refused") << kept << "s"
                                               << "a"
                                               << "2\r[t]" << false << kept;
        QTest::newRow("key with equals refused") << kept << "s"
                                                 << "b=c"
                                                 << "1" << false << kept;
        QTest::newRow("key with line break refused") << kept << "s"
                                                     << "b\r\nc"
                                                     << "1" << false << kept;
        QTest::newRow("section with closing bracket refused") << kept << "s]\r\n[t"
                                                              << "a"
                                                              << "1" << false << kept;
        QTest::newRow("refused write creates no file") << kNoFile << "s"
                                                       << "a"
                                                       << " " << false << kNoFile;
    }

    void write() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, ok);
        QFETCH(QByteArray, after);

        putFile(before);
        SettingsStore store(iniPath());
        QCOMPARE(store.WriteIniValue(section, key, value), ok);
        QCOMPARE(QFile::exists(iniPath()), !after.isNull());
        QCOMPARE(fileBytes(), after);
        if (ok)
            QCOMPARE(store.ReadIniValue(section, key), value);
    }

    void chineseSectionRoundTrip() {
        putFile(kNoFile);
        SettingsStore store(iniPath());
        QVERIFY(store.WriteIniValue(kSection, QStringLiteral("BreakPointFileName"),
                                    QStringLiteral("Taobao_店.csv")));
        QVERIFY(store.WriteIniValue(kSection, QStringLiteral("BreakPointNum"), QStringLiteral("42")));
        QVERIFY(store.WriteIniValue(kSection, QStringLiteral("BreakPointNum"), QStringLiteral("43")));
        QCOMPARE(fileBytes(),
                 QByteArray("[" + kSectionGbk + "]\r\nBreakPointFileName=Taobao_\xB5\xEA.csv\r\n" +
                            "BreakPointNum=43\r\n"));
        SettingsStore again(iniPath());
        QCOMPARE(again.ReadIniValue(kSection, QStringLiteral("BreakPointFileName")),
                 QStringLiteral("Taobao_店.csv"));
        QCOMPARE(again.ReadIniValue(kSection, QStringLiteral("BreakPointNum")), QStringLiteral("43"));
    }

    // As a text editor on Windows leaves it: CRLF, odd spacing, a comment, another section.
    void fileWrittenByAnotherTool() {
        const QByteArray file = "; saved by hand\r\n\r\n[Window]\r\nLeft = 10\r\n\r\n  [ " + kSectionGbk +
                                " ]  \r\n BreakPoint= 1\r\nBreakPointUrl =http://shop33.taobao.com/ \r\n"
                                "BreakPointNum\t=\t120\r\n";
        putFile(file);
        SettingsStore store(iniPath());
        QCOMPARE(store.ReadIniValue(kSection, QStringLiteral("BreakPoint")), QStringLiteral("1"));
        QCOMPARE(store.ReadIniValue(kSection, QStringLiteral("BreakPointUrl")),
                 QStringLiteral("http://shop33.taobao.com/"));
        QCOMPARE(store.ReadIniValue(kSection, QStringLiteral("breakpointnum")), QStringLiteral("120"));
        QCOMPARE(store.ReadIniValue(QStringLiteral("window"), QStringLiteral("left")), QStringLiteral("10"));

        QVERIFY(store.WriteIniValue(kSection, QStringLiteral("BreakPointNum"), QStringLiteral("121")));
        QByteArray expected = file;
        expected.replace("BreakPointNum\t=\t120", "BreakPointNum=121");
        QCOMPARE(fileBytes(), expected);
    }

    void injectionRefused() {
        putFile(kNoFile);
        SettingsStore store(iniPath());
        QVERIFY(store.WriteIniValue(kSection, QStringLiteral("BreakPoint"), QStringLiteral("1")));
        const QByteArray before = fileBytes();
        const QString planted = QStringLiteral("http://a/\r\n[断点续采]\r\nBreakPoint=0");
        QVERIFY(!store.WriteIniValue(kSection, QStringLiteral("BreakPointUrl"), planted));
        QCOMPARE(fileBytes(), before);
        QCOMPARE(store.ReadIniValue(kSection, QStringLiteral("BreakPoint")), QStringLiteral("1"));
        QCOMPARE(store.ReadIniValue(kSection, QStringLiteral("BreakPointUrl")), QString());
    }

    void writeLeavesNoTemporaryFile() {
        putFile(QByteArray("[s]\r\na=1\r\n"));
        SettingsStore store(iniPath());
        QVERIFY(store.WriteIniValue(QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("2")));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Kestrune.ini")});
    }

    void failingWrites() {
        SettingsStore noFolder(m_dir.filePath(QStringLiteral("missing/Kestrune.ini")));
        QVERIFY(!noFolder.WriteIniValue(QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("1")));
        QCOMPARE(noFolder.ReadIniValue(QStringLiteral("s"), QStringLiteral("a")), QString());

        if (::geteuid() == 0)
            QSKIP("permissions do not stop root");
        const QByteArray kept("[s]\r\na=1\r\n");
        putFile(kept);
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(iniPath(), QFileDevice::ReadOwner);
        SettingsStore store(iniPath());
        const bool written =
            store.WriteIniValue(QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("2"));
        QFile::setPermissions(m_dir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(!written);
        QCOMPARE(fileBytes(), kept);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
