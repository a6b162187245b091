#include "base/TextDecoder.h"
#include "support/TestMain.h"
#include "support/TestSystem.h"
#include "support/WebTestSupport.h"
#include "text/TextFileIo.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kMark("\xFF\xFE", 2);

// UTF-16LE spelled out byte by byte for ASCII, so expectations do not come from the code under test.
QByteArray asciiUtf16(const QByteArray& ascii) {
    QByteArray bytes;
    for (char c : ascii) {
        bytes.append(c);
        bytes.append('\0');
    }
    return bytes;
}

// "表头" (U+8868 U+5934) in UTF-16LE and GBK.
const QByteArray kHeaderUtf16("\x68\x88\x34\x59", 4);
const QByteArray kHeaderGbk("\xB1\xED\xCD\xB7");
const QString kHeader = QStringLiteral("表头");

// SHA-1 of every BMP character in GBK, as the encoder test spells them out.
const QByteArray kAllBmpGbkSha1("da9016dd87324801daef74a738b0777386231954");

} // namespace

class TestTextFileIo : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    // The kind of file at path (through links), as stat has it.
    static mode_t fileType(const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
    }
    static Status write(const QString& op, const QString& target, const QString& text) {
        if (op == u"replace")
            return replaceFileContent(target, ::encodeGbk(text));
        return appendToTextFile(target, text, op.section(u' ', 1));
    }
    QString path() const { return m_dir.filePath(QStringLiteral("Taobao_1.csv")); }
    QStringList filesInFolder() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void appendUnicode_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QByteArray>("after");

        addRow("new file, appended twice: one mark, both buffers", QByteArray(), QString(kHeader + u"\r\n"),
               "a\tb\r\n", QByteArray(kMark + kHeaderUtf16 + asciiUtf16("\r\na\tb\r\n")));
        addRow("existing file with its mark", QByteArray(kMark + asciiUtf16("old\r\n")), "x", "y",
               QByteArray(kMark + asciiUtf16("old\r\nxy")));
        addRow("empty file gets its mark", QByteArray(""), "x", "", QByteArray(kMark + asciiUtf16("x")));
        addRow("old file without a mark gets one in front", asciiUtf16("old"), "x", "",
               QByteArray(kMark + asciiUtf16("oldx")));
        addRow("nothing added to a new file leaves just the mark", QByteArray(), "", "", kMark);
        addRow("a second mark inside the old text stays text", QByteArray(kMark + kMark + asciiUtf16("a")),
               "b", "", QByteArray(kMark + kMark + asciiUtf16("ab")));
        addRow("character outside the BMP kept whole", QByteArray(), "\U0001F600", "",
               QByteArray(kMark + QByteArray("\x3D\xD8\x00\xDE", 4)));
    }

    void appendUnicode() {
        QFETCH(QByteArray, before);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QByteArray, after);

        putFileBytes(path(), before);
        QVERIFY(appendToTextFile(path(), first, QStringLiteral("unicode")).ok());
        QVERIFY(appendToTextFile(path(), second, QStringLiteral("Unicode")).ok());
        QCOMPARE(fileBytes(path()), after);
    }

    void readFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("charSet");
        QTest::addColumn<QString>("expected");

        addRow("unicode drops the mark", QByteArray(kMark + kHeaderUtf16), "unicode", kHeader);
        addRow("unicode without a mark", kHeaderUtf16, "unicode", kHeader);
        addRow("unicode drops only the first mark", QByteArray(kMark + kMark + kHeaderUtf16), "unicode",
               QString(QChar(0xFEFF) + kHeader));
        addRow("unicode, a dangling odd byte is not lost silently", QByteArray(kMark + asciiUtf16("a") + "b"),
               "unicode", QString(u"a" + QChar(0xFFFD)));
        addRow("GBK text", QByteArray(kHeaderGbk + "\r\n"), "gb2312", QString(kHeader + u"\r\n"));
        addRow("GBK euro sign", QByteArray("\x80"), "ansi", "€");
        addRow("GBK lead byte cut off at the end", QByteArray("a\xB1"), "ansi",
               QString(u"a" + QChar(0xFFFD)));
        addRow("empty file", QByteArray(""), "unicode", "");
    }

    void readFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, charSet);
        QFETCH(QString, expected);

        putFileBytes(path(), bytes);
        QString text = QStringLiteral("unchanged");
        QVERIFY(readTextFile(path(), charSet, &text).ok());
        QCOMPARE(text, expected);
    }

    void encodeGbk_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");

        addRow("ASCII", "a,b\r\n", QByteArray("a,b\r\n"));
        addRow("Chinese", kHeader, kHeaderGbk);
        addRow("full-width comma", "，", QByteArray("\xA3\xAC"));
        addRow("euro sign is 0x80", "€5", QByteArray("\x80\x35"));
        addRow("pinyin letters", "éā", QByteArray("\xA8\xA6\xA8\xA1"));
        // Look-alikes are no copies: no "best fit" letter or dot stands in for a missing one.
        addRow("middle dot, and the katakana one that GBK lacks", "·・", QByteArray("\xA1\xA4?"));
        addRow("letters GBK lacks get no look-alike", "ÀÅ¥ß", QByteArray("????"));
        addRow("C1 control and soft hyphen", QString(QChar(0x80) + QChar(0xAD)), QByteArray("??"));
        addRow("private use characters of the user areas", QString(QChar(0xE000) + QChar(0xE815)),
               QByteArray("\xAA\xA1\xFE\x50"));
        addRow("the character of byte 0xFF", QString(QChar(0xF8F5)), QByteArray("\xFF"));
        addRow("control characters stay", QString(QChar(0) + u"\t\x7F"_s), QByteArray("\0\t\x7F", 3));
        addRow("one ? per character GBK lacks", "aหมb", QByteArray("a??b"));
        addRow("character outside the BMP is one ?", "x\U0001F600\U0001F600y", QByteArray("x??y"));
        addRow("lone surrogate is one ?", QString(u"x" + QChar(0xD800) + u"y"), QByteArray("x?y"));
        addRow("lone low half is one ?", QString(u"x" + QChar(0xDC00) + u"y"), QByteArray("x?y"));
        addRow("two high halves are two ?", QString(u"x" + QChar(0xD800) + QChar(0xD800) + u"y"),
               QByteArray("x??y"));
        // ICU would hold this one back and lose it.
        addRow("high half at the end is one ?", QString(u"x" + QChar(0xD800)), QByteArray("x?"));
        // ICU writes nothing for it; a character never vanishes without its "?".
        addRow("ignorable tag is one ?", QString::fromUcs4(U"x\U000E0001y"), QByteArray("x?y"));
        addRow("empty", QString(), QByteArray());
        // ASCII goes eight units at a time: a Chinese character on every place of a block.
        for (int at = 0; at <= 17; ++at) {
            const QByteArray ascii("abcdefghijklmnopq");
            QTest::addRow("中 after %d ASCII", at)
                << QString(QString::fromLatin1(ascii.left(at)) + u"中文"_s +
                           QString::fromLatin1(ascii.mid(at)))
                << QByteArray(ascii.left(at) + QByteArray("\xD6\xD0\xCE\xC4") + ascii.mid(at));
        }
        addRow("a pair outside the BMP across a block", "1234567\U0001F600abcdefgh",
               QByteArray("1234567?abcdefgh"));
        // Blocks of eight are ASCII alone, mixed (each unit by the table), or hold half of a pair
        // (one unit at a time): runs of every length around the block size, and the other kinds
        // of character on every place of two blocks.
        const QByteArray letters("abcdefghijklmnopqrstuvwxyz0123456789");
        for (int length = 0; length <= 33; ++length)
            QTest::addRow("%d ASCII", length)
                << QString::fromLatin1(letters.left(length)) << letters.left(length);
        for (int length = 0; length <= 17; ++length)
            QTest::addRow("%d Chinese, then ASCII", length)
                << QString(QString(length, QChar(0x4E2D)) + QString::fromLatin1(letters.left(9)))
                << QByteArray(QByteArray("\xD6\xD0").repeated(length) + letters.left(9));
        const struct {
            const char* name;
            QString text;
            QByteArray bytes;
        } others[] = {{"a letter GBK lacks", u"ห"_s, "?"},
                      {"a pair outside the BMP", u"\U0001F600"_s, "?"},
                      {"a lone high half", QString(QChar(0xD800)), "?"},
                      {"a euro sign", u"€"_s, "\x80"}};
        for (const auto& other : others) {
            for (int at = 0; at <= 17; ++at)
                QTest::addRow("%s after %d ASCII", other.name, at)
                    << QString(QString::fromLatin1(letters.left(at)) + other.text + u"文"_s +
                               QString::fromLatin1(letters.mid(at, 17 - at)))
                    << QByteArray(letters.left(at) + other.bytes + "\xCE\xC4" + letters.mid(at, 17 - at));
        }
    }

    void encodeGbk() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(::encodeGbk(text), bytes);
    }

    void gbkAsTheEncoderHasIt() {
        // Every BMP character, each after an ASCII one. A character GBK lacks (or one a converter
        // writes nothing for, such as U+00AD) is one "?".
        QString all;
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            if (!QChar::isSurrogate(unit))
                all.append(QChar(u'a' + unit % 26)).append(QChar(unit));
        }
        const QByteArray bytes = ::encodeGbk(all);
        // The same bytes on every system: the digest of what Qt's ICU converter writes.
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex(), kAllBmpGbkSha1);
        QStringEncoder encoder("GBK");
        if (!encoder.isValid())
            return;
        QByteArray expected;
        for (qsizetype i = 0; i < all.size(); i += 2) {
            const QByteArray one = encoder.encode(QStringView(all).sliced(i + 1, 1));
            expected.append(all.at(i).toLatin1()).append(one.isEmpty() ? QByteArray("?") : one);
        }
        QVERIFY(bytes == expected);
    }

    void decodeGbkInPieces_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        addRow("Chinese", QByteArray("\xD6\xD0\xCE\xC4,ab"), u"中文,ab"_s);
        addRow("pairs whose second byte is ASCII", QByteArray("\x81\x40\xA8\x44@"), u"丂―@"_s);
        addRow("euro sign and the character of 0xFF", QByteArray("\x80\xFF"),
               QString(QChar(0x20AC) + QChar(0xF8F5)));
        addRow("user areas", QByteArray("\xAA\xA1\xFE\x50\xA8\xBF"),
               QString(QChar(0xE000) + QChar(0xE815) + QChar(0xE7C8)));
        addRow("middle dot and dash", QByteArray("\xA1\xA4\xA1\xAA"), u"·—"_s);
        // A lead byte whose next byte cannot end it is one replacement character; the next byte
        // is read anew.
        addRow("lead byte, then a space", QByteArray("\x81 x"), QString(QChar(0xFFFD) + u" x"_s));
        addRow("lead byte, then DEL",
               QByteArray("\xB0\x7F"
                          "b"),
               QString(QChar(0xFFFD) + u"\x7F"
                                       "b"_s));
        addRow("lead byte, then 0xFF", QByteArray("\xA1\xFFz"),
               QString(QChar(0xFFFD) + QChar(0xF8F5) + u"z"_s));
        addRow("lead byte, then a line break", QByteArray("\xC4\r\n"), QString(QChar(0xFFFD) + u"\r\n"_s));
        addRow("GB18030 four bytes are no GBK", QByteArray("\x81\x30\x81\x30"),
               QString(QChar(0xFFFD) + u"0"_s + QChar(0xFFFD) + u"0"_s));
        addRow("lead byte at the end", QByteArray("a\xB1"), QString(u"a"_s + QChar(0xFFFD)));
        addRow("two lead bytes at the end", QByteArray("\xB1\xB1"), u"北"_s);
        addRow("zero bytes", QByteArray("a\0b", 3), QString(u"a"_s + QChar(0) + u"b"_s));
        addRow("empty", QByteArray(), QString());
    }

    // Whole, cut once at every place, and a byte at a time, as readers get their blocks.
    void decodeGbkInPieces() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);

        QCOMPARE(decodeGbk(bytes), text);
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            TextDecoder decoder = TextDecoder::gbk();
            QString decoded = decoder.decode(QByteArrayView(bytes).first(cut));
            decoded += decoder.decode(QByteArrayView(bytes).sliced(cut));
            decoded += decoder.finish();
            QVERIFY2(decoded == text, qPrintable(u"cut after %1 bytes"_s.arg(cut)));
        }
        TextDecoder decoder = TextDecoder::gbk();
        QString decoded;
        for (char byte : bytes)
            decoded += decoder.decode(QByteArrayView(&byte, 1));
        decoded += decoder.finish();
        QCOMPARE(decoded, text);
    }

    void gbkReplaceAndAppend() {
        const QString buffer = QStringLiteral("商品名称,价格\r\n连衣裙,12.500000");
        QVERIFY(replaceFileContent(path(), ::encodeGbk(buffer + u"\r\n")).ok());
        QCOMPARE(fileBytes(path()), QByteArray("\xC9\xCC\xC6\xB7\xC3\xFB\xB3\xC6,\xBC\xDB\xB8\xF1\r\n"
                                               "\xC1\xAC\xD2\xC2\xC8\xB9,12.500000\r\n"));
        QVERIFY(replaceFileContent(path(), QByteArray("x")).ok());
        QVERIFY(appendToTextFile(path(), kHeader, QStringLiteral("gbk")).ok());
        QCOMPARE(fileBytes(path()), QByteArray("x" + kHeaderGbk));
        QCOMPARE(filesInFolder(), QStringList{QFileInfo(path()).fileName()});
    }

    void failingWritesLoseNothing_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QByteArray>("before");

        const QByteArray rows("old rows\r\n");
        addRow("unicode append in place", "append unicode", QByteArray(kMark + asciiUtf16("old rows\r\n")));
        addRow("unicode append onto a file without its mark", "append unicode", asciiUtf16("old"));
        addRow("GBK append", "append gbk", rows);
        addRow("replace", "replace", rows);
        addRow("replace with no old file", "replace", QByteArray());
    }

    // A write larger than the process may put on disk fails midway, as on a full disk.
    void failingWritesLoseNothing() {
        QFETCH(QString, op);
        QFETCH(QByteArray, before);

        SKIP_WITHOUT(FileSizeLimit);
        putFileBytes(path(), before);
        const QString big(256 * 1024, u'x');
        Status status = Status::success();
        {
            TestSystem::FileSizeLimit limit(64 * 1024);
            if (op == u"replace")
                status = replaceFileContent(path(), ::encodeGbk(big));
            else
                status = appendToTextFile(path(), big, op.section(u' ', 1));
        }
        QVERIFY(!status.ok());
        QVERIFY2(status.message().contains(QFileInfo(path()).fileName()), qPrintable(status.message()));
        QVERIFY2(status.message().contains(qt_error_string(EFBIG)), qPrintable(status.message()));
        QCOMPARE(fileBytes(path()), before);
        QCOMPARE(filesInFolder().size(), before.isNull() ? 0 : 1);
    }

    void folderThatTakesNoNewFileRefusesTheWrite_data() {
        QTest::addColumn<QString>("op");
        QTest::newRow("unicode append") << u"append unicode"_s;
        QTest::newRow("GBK append") << u"append gbk"_s;
        QTest::newRow("replace") << u"replace"_s;
    }

    // Writing over the file in place is the only way into such a folder; a kill or a failure
    // midway would leave the target half-written, so the write is refused before it starts.
    void folderThatTakesNoNewFileRefusesTheWrite() {
        QFETCH(QString, op);
        SKIP_WITHOUT(FolderPermissions);

        QVERIFY(TestSystem::openFolder(m_dir.path()));
        const QString folder = m_dir.filePath(u"kept"_s);
        QVERIFY(QDir().mkpath(folder));
        const QString target = folder + u"/out.csv"_s;
        const QByteArray before(kMark + asciiUtf16("old rows\r\n"));
        putFileBytes(target, before);
        QVERIFY(TestSystem::makeFolderKeepOnlyItsFile(folder, target));

        Status status = Status::success();
        {
            TestSystem::UnprivilegedFileAccess unprivileged;
            status = write(op, target, u"new"_s);
        }
        QVERIFY(TestSystem::openFolder(folder));
        QVERIFY(!status.ok());
        QVERIFY2(status.message().contains(qt_error_string(EACCES)), qPrintable(status.message()));
        QCOMPARE(fileBytes(target), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.csv"_s});
    }

    void writeOpsOnNodes_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("node");
        for (const QString& node : {u"FIFO"_s, u"device"_s, u"link to a FIFO"_s}) {
            for (const QString& op : {u"append unicode"_s, u"append gbk"_s, u"replace"_s})
                QTest::newRow(qPrintable(op + u" onto a "_s + node)) << op << node;
        }
    }

    // A device or FIFO named as the output is never replaced by a regular file (as root, a
    // conversion to /dev/null would otherwise replace /dev/null).
    void writeOpsOnNodes() {
        QFETCH(QString, op);
        QFETCH(QString, node);
        SKIP_WITHOUT(SpecialFiles);

        const QString target = path();
        const QString fifo = m_dir.filePath(u"fifo"_s);
        QFile::remove(target);
        QFile::remove(fifo);
        if (node == u"device") {
            // The null device's numbers, made in the test's own folder.
            if (!TestSystem::makeNullDevice(target))
                QSKIP("device nodes cannot be made here");
        } else {
            QVERIFY(TestSystem::makeFifo(node == u"FIFO" ? target : fifo));
            if (node != u"FIFO")
                QVERIFY(TestSystem::makeLink(fifo, target));
        }
        const mode_t typeBefore = fileType(target);

        const Status status = write(op, target, u"new"_s);
        QVERIFY(!status.ok());
        QVERIFY2(status.message().contains(kNotRegularFileReason), qPrintable(status.message()));
        QCOMPARE(fileType(target), typeBefore);
        QVERIFY(!S_ISREG(fileType(target)));
        QFile::remove(target);
        QFile::remove(fifo);
    }

    void unwritablePlaces_data() {
        QTest::addColumn<QString>("target");

        QTest::newRow("missing folder") << "missing/out.csv";
        QTest::newRow("a folder where the file should be") << "folder";
        QTest::newRow("a file where a folder should be") << "plain/out.csv";
    }

    void unwritablePlaces() {
        QFETCH(QString, target);

        QDir(m_dir.path()).mkpath(QStringLiteral("folder"));
        putFileBytes(m_dir.filePath(QStringLiteral("plain")), "");
        const QString where = m_dir.filePath(target);

        const Status append = appendToTextFile(where, QStringLiteral("x"), QStringLiteral("unicode"));
        QVERIFY(!append.ok());
        QVERIFY(!append.message().isEmpty());
        QVERIFY(!replaceFileContent(where, QByteArray("x")).ok());
        QString text;
        QVERIFY(!readTextFile(where, QStringLiteral("unicode"), &text).ok());
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestTextFileIo)
#include "tst_textfileio.moc"
