#include "base/StopSignal.h"
#include "formats/AssistantFormat.h"
#include "formats/ConversionMapping.h"
#include "formats/FormatConverter.h"
#include "formats/OutputFormats.h"
#include "formats/QuotedRecordReader.h"
#include "support/FormatTestFiles.h"
#include "support/TestMain.h"
#include "support/TestSystem.h"
#include "text/GbkText.h"
#include "text/TextFileIo.h"
#include "text/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kClock(QDate(2026, 3, 7), QTime(9, 5, 3));

// A converter index of the panel (0 淘宝, 1 拍拍, 2 易趣, 3 淘宝5); -1 leaves the source to its content.
std::optional<FileFormat> format(int index) {
    return OutputFormats::fromConverterIndex(index);
}

// The real program, its standard input a pipe rather than a terminal.
struct CapturedRun {
    int status = -1;
    QString out;
    QString err;
};

CapturedRun runCommandLine(const QStringList& arguments, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(kestruneBinary(), QStringList{u"convert"_s} + arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestFormatConverter : public QObject {
    Q_OBJECT

private:
    CaseFolders m_folders;

    // A folder of its own for every case, holding a copy of the source.
    QString freshFolder() { return m_folders.fresh(); }

    FormatConverter::Result convert(const QString& source, const QString& save, int from, int to,
                                    QList<int>* progress = nullptr) {
        FormatConverter converter;
        converter.setClock([] { return kClock; });
        if (progress)
            converter.setProgress([progress](int converted) { progress->append(converted); });
        return converter.run({source, save, format(from), *format(to)});
    }

private slots:
    void convertsEachDirection_data() {
        QTest::addColumn<QString>("copyAs");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");

        QTest::newRow("Taobao to PaiPai") << u"shop.csv"_s << 0 << 1 << u"taobao_to_paipai.csv"_s;
        QTest::newRow("Taobao .TXT to PaiPai") << u"shop.TXT"_s << 0 << 1 << u"taobao_to_paipai.csv"_s;
        QTest::newRow("Taobao to eBay") << u"shop.csv"_s << 0 << 2 << u"taobao_to_ebay.csv"_s;
        QTest::newRow("PaiPai to Taobao") << u"shop.csv"_s << 1 << 0 << u"paipai_to_taobao.txt"_s;
        QTest::newRow("PaiPai to eBay") << u"shop.csv"_s << 1 << 2 << u"paipai_to_ebay.csv"_s;
        QTest::newRow("eBay to Taobao") << u"shop.csv"_s << 2 << 0 << u"ebay_to_taobao.txt"_s;
        QTest::newRow("eBay to PaiPai") << u"shop.csv"_s << 2 << 1 << u"ebay_to_paipai.csv"_s;
        // The source's content tells its format, with the same bytes as a result.
        QTest::newRow("Taobao, recognised") << u"shop.txt"_s << -1 << 1 << u"taobao_to_paipai.csv"_s;
        QTest::newRow("PaiPai, recognised") << u"shop.csv"_s << -1 << 0 << u"paipai_to_taobao.txt"_s;
        // As a source, the current Taobao choice reads the older layout too.
        QTest::newRow("older Taobao file chosen as current")
            << u"shop.csv"_s << 3 << 2 << u"taobao_to_ebay.csv"_s;
    }

    void convertsEachDirection() {
        QFETCH(QString, copyAs);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, expected);

        const int count = 2;
        const QString folder = freshFolder();
        const QStringList sources{u"taobao_source.csv"_s, u"paipai_source.csv"_s, u"ebay_source.csv"_s};
        const QString fixture = expected.startsWith(u"taobao"_s)   ? sources.at(0)
                                : expected.startsWith(u"paipai"_s) ? sources.at(1)
                                                                   : sources.at(2);
        const QString sourcePath = copyConvertFixture(fixture, folder + u'/' + copyAs);
        const QByteArray sourceBytes = readBytes(sourcePath);

        QList<int> progress;
        const FormatConverter::Result result =
            convert(sourcePath, folder + u"/out.csv"_s, from, to, &progress);
        const QString outputPath = folder + (to == 0 ? u"/out.txt"_s : u"/out.csv"_s);
        QCOMPARE(result.outcome, FormatConverter::Outcome::Completed);
        QCOMPARE(result.convertedCount, count);
        QCOMPARE(result.outputPath, outputPath);
        QCOMPARE(result.message,
                 u"转换%1个宝贝完成，生成文件为："_s.arg(count) + QDir::toNativeSeparators(outputPath));
        QCOMPARE(readBytes(outputPath), readBytes(fixturePath(u"convert/"_s + expected)));
        QCOMPARE(readBytes(sourcePath), sourceBytes);
        // Told once per record, of every source.
        QCOMPARE(progress, QList<int>({1, 2}));
    }

    void refusesBeforeWriting_data() {
        QTest::addColumn<QString>("source"); // "@" stands for the case folder
        QTest::addColumn<QString>("save");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("message");

        const QString missing = u"请输入正确的文件路径（该路径指定文件不存在）"_s;
        const QString notCsv = u"请输入正确的CSV文件路径（该文件不是CSV文件）"_s;
        const QString sameFile = u"保存路径不能与源文件相同"_s;
        QTest::newRow("empty source") << QString() << u"@/out.csv"_s << 0 << 1 << u"请输入要转换的文件路径"_s;
        QTest::newRow("no folder") << u"shop.csv"_s << u"@/out.csv"_s << 0 << 1 << u"请输入文件路径"_s;
        QTest::newRow("missing file")
            << u"@/absent.csv"_s << u"@/out.csv"_s << 0 << 1 << missing + u"@/absent.csv"_s;
        QTest::newRow("folder instead of file")
            << u"@/dir.csv"_s << u"@/out.csv"_s << 1 << 0 << missing + u"@/dir.csv"_s;
        QTest::newRow("txt refused for PaiPai") << u"@/shop.txt"_s << u"@/out.csv"_s << 1 << 0 << notCsv;
        QTest::newRow("other extension for Taobao") << u"@/shop.xls"_s << u"@/out.csv"_s << 0 << 1 << notCsv;
        QTest::newRow("extension checked before save path")
            << u"@/shop.xls"_s << QString() << 0 << 1 << notCsv;
        QTest::newRow("empty save path") << u"@/shop.csv"_s << QString() << 0 << 1 << u"没有保存路径"_s;
        QTest::newRow("save equals source") << u"@/shop.csv"_s << u"@/shop.csv"_s << 0 << 1 << sameFile;
        QTest::newRow("save equals source, other spelling")
            << u"@/shop.csv"_s << u"@/dir.csv/../shop.csv"_s << 1 << 2 << sameFile;
        QTest::newRow("Taobao target renamed onto a PaiPai source")
            << u"@/shop.csv"_s << u"@/link.csv"_s << 1 << 0 << sameFile;
    }

    void refusesBeforeWriting() {
        QFETCH(QString, source);
        QFETCH(QString, save);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, message);

        const QString folder = freshFolder();
        QDir(folder).mkdir(u"dir.csv"_s);
        const QByteArray content = gbk(u"a,b\r\n1,2\r\n"_s);
        for (const QString& name : {u"/shop.csv"_s, u"/shop.txt"_s, u"/shop.xls"_s})
            writeBytes(folder + name, content);
        // link.txt is what a Taobao target makes of link.csv: the same file as the source.
        QVERIFY(TestSystem::makeLink(folder + u"/shop.csv"_s, folder + u"/link.txt"_s));
        const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        const FormatConverter::Result result =
            convert(source.replace(u'@', folder), save.replace(u'@', folder), from, to);
        QCOMPARE(result.outcome, FormatConverter::Outcome::Refused);
        QCOMPARE(result.message, QDir::toNativeSeparators(message.replace(u'@', folder)));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(readBytes(folder + u"/shop.csv"_s), content);
    }

    void sameFormatDoesNothing() {
        const QString folder = freshFolder();
        const QString source = copyConvertFixture(u"paipai_source.csv"_s, folder + u"/shop.csv"_s);
        const FormatConverter::Result result = convert(source, folder + u"/out.csv"_s, 1, 1);
        QCOMPARE(result.outcome, FormatConverter::Outcome::NothingToDo);
        QVERIFY(result.message.isEmpty());
        QVERIFY(!QFile::exists(folder + u"/out.csv"_s));
    }

    // A source that is refused, or holds no item, leaves the save path exactly as it was: no
    // output, no temporary file, no picture folder.
    void refusedSourceLeavesSaveAsItWas_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("message"); // "@" stands for the source path

        const QString unknown = u"无法识别的文件格式：@"_s;
        const QString unknownChoose = unknown + u"（如为拍拍或易趣助理导出的文件，请选择来源格式）"_s;
        QString header = taobaoHeaderNames();
        header.replace(0, 4, u"标题"_s);
        const QByteArray otherHeader = utf16WithMark(header + u"\r\n\"x\"\t1\t2\r\n"_s);
        QTest::newRow("TAB file with another first caption, to PaiPai") << otherHeader << 0 << 1 << unknown;
        QTest::newRow("TAB file with another first caption, to eBay") << otherHeader << 0 << 2 << unknown;
        // A comma-separated file has no line with a TAB.
        const QString commas = u"宝贝名称,宝贝类目\r\n\"x\",1\r\n\"y\",2\r\n"_s;
        QTest::newRow("comma file, UTF-16") << utf16WithMark(commas) << 0 << 2 << unknown;
        // Left to its content, an export whose column names are not the program's is not guessed at.
        QTest::newRow("comma file, GBK, recognised") << gbk(commas) << -1 << 1 << unknownChoose;
        QTest::newRow("eBay export, recognised")
            << readBytes(fixturePath(u"convert/ebay_source.csv"_s)) << -1 << 1 << unknownChoose;
        QTest::newRow("empty file") << QByteArray() << -1 << 1 << unknownChoose;
        QTest::newRow("empty file chosen as eBay") << QByteArray() << 2 << 1 << unknown;
        QTest::newRow("PNG picture") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) << -1 << 3
                                     << unknownChoose;

        const QByteArray paipai = gbk(AssistantFormat::paipaiConverter().headerLine() + u"0,0,0,x\r\n"_s);
        QTest::newRow("PaiPai file chosen as Taobao")
            << paipai << 0 << 2 << u"该文件是拍拍助理格式，不是淘宝助理格式"_s;
        QTest::newRow("PaiPai file chosen as eBay")
            << paipai << 2 << 0 << u"该文件是拍拍助理格式，不是易趣助理格式"_s;
        QTest::newRow("PaiPai file recognised, PaiPai target")
            << paipai << -1 << 1 << u"该文件已是拍拍助理格式"_s;

        const QString none = u"源文件中没有宝贝"_s;
        QTest::newRow("older Taobao header only")
            << utf16WithMark(taobaoHeaderNames() + u"\r\n\r\n"_s) << 0 << 1 << none;
        QTest::newRow("PaiPai header only")
            << gbk(AssistantFormat::paipaiConverter().headerLine()) << 1 << 3 << none;
        QTest::newRow("eBay header only") << gbk(AssistantFormat::ebay().headerLine()) << -1 << 0 << none;

        // A source that cannot be read whole is refused, never converted in part.
        const QByteArray taobao = utf16WithMark(taobaoHeaderNames() + u"\r\n\"x\"\t1\r\n\"y\"\t2\r\n"_s);
        QTest::newRow("UTF-16 a byte short")
            << taobao.chopped(1) << 0 << 1
            << u"文件长度为%1字节，不是完整的UTF-16文本，不能转换：@"_s.arg(taobao.size() - 1);
        const QString paipaiHeader = AssistantFormat::paipaiConverter().headerLine();
        const QString endless = u"0,0,0,\"x\r\n"_s + QString(QuotedRecordReader::kRecordLimit, u'a');
        QTest::newRow("quote that never closes") << gbk(paipaiHeader + u"0,0,0,x\r\n"_s + endless) << 1 << 0
                                                 << u"第3行开始的引号在1MB之内没有闭合，不能转换：@"_s;
        QTest::newRow("record over 1 MB")
            << gbk(paipaiHeader + u"0,0,0,"_s + QString(QuotedRecordReader::kRecordLimit, u'a')) << 1 << 0
            << u"第2行的记录超过1MB，不能转换：@"_s;
        QTest::newRow("older Taobao line over 1 MB")
            << utf16WithMark(taobaoHeaderNames() + u"\r\n\"x\"\t"_s +
                             QString(QuotedRecordReader::kRecordLimit, u'a'))
            << 0 << 1 << u"第2行的记录超过1MB，不能转换：@"_s;
    }

    void refusedSourceLeavesSaveAsItWas() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, message);

        const QString folder = freshFolder();
        const QString source = folder + u"/shop.csv"_s;
        writeBytes(source, bytes);
        const QString output = FormatConverter::outputPathFor(folder + u"/out.csv"_s, *format(to));
        const QByteArray old("the file the seller had");
        writeBytes(output, old);
        const QStringList before =
            QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        const FormatConverter::Result result = convert(source, folder + u"/out.csv"_s, from, to);
        QCOMPARE(result.outcome, FormatConverter::Outcome::Refused);
        QCOMPARE(result.convertedCount, 0);
        QCOMPARE(result.message, QDir::toNativeSeparators(message.replace(u'@', source)));
        QCOMPARE(readBytes(output), old);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    }

    // A stop cuts the conversion short wherever it comes; the file at the save path, and the
    // folder, stay as they were.
    void stopLeavesSaveAsItWas_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("stopAfter"); // records converted before the stop; 0: before the first
        QTest::newRow("Taobao, after the first") << u"taobao_source.csv"_s << 0 << 1 << 1;
        QTest::newRow("Taobao, before the first") << u"taobao_source.csv"_s << 0 << 2 << 0;
        QTest::newRow("PaiPai, after the first") << u"paipai_source.csv"_s << 1 << 0 << 1;
        QTest::newRow("eBay, after the last") << u"ebay_source.csv"_s << 2 << 3 << 2;
        QTest::newRow("eBay to a store") << u"ebay_source.csv"_s << 2 << 4 << 1;
    }

    void stopLeavesSaveAsItWas() {
        QFETCH(QString, fixture);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, stopAfter);
        const QString folder = freshFolder();
        const QString source = copyConvertFixture(fixture, folder + u"/shop.csv"_s);
        const QString output = FormatConverter::outputPathFor(folder + u"/out.csv"_s, *format(to));
        const QByteArray old("the file the seller had");
        writeBytes(output, old);
        const QStringList before =
            QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        StopSignal stop;
        if (stopAfter == 0)
            stop.request();
        QList<int> progress;
        FormatConverter converter;
        converter.setStopSignal(&stop);
        converter.setProgress([&](int converted) {
            progress.append(converted);
            if (converted == stopAfter)
                stop.request();
        });
        const FormatConverter::Result result =
            converter.run({source, folder + u"/out.csv"_s, format(from), *format(to)});
        QCOMPARE(result.outcome, FormatConverter::Outcome::Stopped);
        QCOMPARE(result.convertedCount, stopAfter);
        QCOMPARE(progress.size(), stopAfter);
        QCOMPARE(result.message, u"转换已停止，未写入："_s + output);
        QCOMPARE(readBytes(output), old);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    }

    void taobaoTargetPath_data() {
        QTest::addColumn<QString>("save");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("output");
        QTest::newRow("csv becomes txt") << "/out/shop.csv" << 0 << "/out/shop.txt";
        QTest::newRow("only the final extension") << "/x.csv.d/shop.csv" << 0 << "/x.csv.d/shop.txt";
        QTest::newRow("no csv, unchanged") << "/out/shop.dat" << 0 << "/out/shop.dat";
        QTest::newRow("upper case, unchanged") << "/out/shop.CSV" << 0 << "/out/shop.CSV";
        QTest::newRow("csv in the middle") << "/out/shop.csv.bak" << 0 << "/out/shop.csv.bak";
        QTest::newRow("PaiPai target unchanged") << "/out/shop.csv" << 1 << "/out/shop.csv";
        QTest::newRow("eBay target unchanged") << "/out/shop.csv" << 2 << "/out/shop.csv";
        QTest::newRow("current Taobao target unchanged") << "/out/shop.csv" << 3 << "/out/shop.csv";
    }

    void taobaoTargetPath() {
        QFETCH(QString, save);
        QFETCH(int, to);
        QFETCH(QString, output);
        QCOMPARE(FormatConverter::outputPathFor(save, *format(to)), output);
    }

    void folderIsUpToTheLastSeparator_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::newRow("file name repeated in the folder")
            << u"/data/shop.csv.d/shop.csv"_s << u"/data/shop.csv.d/"_s;
        QTest::newRow("backslashes") << u"D:\\data\\shop.csv.d\\shop.csv"_s << u"D:\\data\\shop.csv.d\\"_s;
        QTest::newRow("no separator") << u"shop.csv"_s << QString();
    }

    void folderIsUpToTheLastSeparator() {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QCOMPARE(FormatConverter::folderOf(path), folder);
    }

    void onePassCleaningMatchesCleanFieldText_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("three spaces") << "a   b";
        QTest::newRow("spaces around a line break") << "a \r\n b";
        QTest::newRow("space pair split by a tab") << "a \t b";
        QTest::newRow("quotes and commas") << "\"x\",\"y\", z";
        QTest::newRow("trailing space") << "末尾 ";
        QTest::newRow("markup") << "<p align=\"center\">  宝贝,&nbsp;描述</p>\r\n\t<br>";
        QTest::newRow("full-width comma kept") << "已有，逗号";
        // Eight characters are tested at a time: each character the cleaning changes lands on
        // every place of a block, after plain text and after characters beyond U+8000.
        for (const QString& changed : {u","_s, u"\""_s, u"  "_s, u"\r\n"_s, u"\t"_s, u" "_s}) {
            for (int at = 0; at < 17; ++at) {
                const QString text = u"龍宝贝描述abcdefghijklmnop\uFFFD"_s.insert(at, changed).repeated(2);
                QTest::addRow("%s at %d", qPrintable(QString::fromLatin1(changed.toLatin1().toHex())), at)
                    << text;
            }
        }
        QTest::newRow("space pair across blocks") << u"1234567  9"_s;
        QTest::newRow("three spaces across blocks") << u"123456   9"_s;
        // A high and a low surrogate are one character once what stood between them is gone.
        const QChar high(0xD83D);
        const QChar low(0xDE00);
        QTest::newRow("pair split by dropped units")
            << u"a\U0001F600b"_s + high + u"  \t\r\n"_s + low + u"c"_s;
        QTest::newRow("pair split by a kept space") << high + u"   "_s + low;
        QTest::newRow("lone halves at both ends") << low + u"中"_s + high;
        QTest::newRow("characters GBK lacks") << u"\u00AD\u20AC\uFFFD x"_s;
    }

    // The converter's one-pass cleaning gives what the page cleaning gives, and the cleaning
    // straight into GBK the same bytes, of the plain text and of its quoted form.
    void onePassCleaningMatchesCleanFieldText() {
        QFETCH(QString, text);
        QString cleaned = u"prefix"_s;
        ConversionMapping::appendCleanField(&cleaned, text);
        QCOMPARE(cleaned, u"prefix"_s + cleanFieldText(text));

        const QByteArray expected = "prefix" + encodeGbk(cleaned.mid(6));
        QByteArray plain = "prefix";
        QVERIFY(appendCleanGbk(&plain, text, false));
        QCOMPARE(plain, expected);
        QByteArray quoted = "prefix";
        QVERIFY(appendCleanGbk(&quoted, QString(text).replace(u"\""_s, u"\"\""_s), true));
        QCOMPARE(quoted, expected);
        // Read as the inside of a quoted field, a quote that is not doubled refuses it whole.
        QByteArray lone = "prefix";
        if (!appendCleanGbk(&lone, text, true))
            QCOMPARE(lone, QByteArray("prefix"));
        else
            QVERIFY(!text.contains(u'"'));
    }

    void longDescriptionBoundary_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        const QString tag = u"<b>"_s;
        const QString filler(24991, QChar(u'字'));
        // 24999 characters: cleaned only, the tag stays.
        const QString shortText = tag + filler + u"a,\"b\""_s;
        QTest::newRow("24999 characters") << shortText << tag + filler + u"a，'b'"_s;
        // 25000 characters: the tag goes, then commas and quotes are cleaned.
        const QString longText = tag + filler + u"a,\"b\"\t"_s;
        QTest::newRow("25000 characters") << longText << filler + u"a，'b'"_s;
        // Stripped text longer than the limit is cut before cleaning.
        const QString cut = QString(25005, QChar(u'x')) + u"\r\n,"_s;
        QTest::newRow("cut to 25000") << cut << QString(25000, QChar(u'x'));
        const QString lineBreaks = QString(24996, QChar(u'y')) + u"\r\n<i>,</i>"_s;
        QTest::newRow("line breaks and commas in a long text")
            << lineBreaks << QString(24996, QChar(u'y')) + QChar(0xFF0C);
    }

    void longDescriptionBoundary() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString result = ConversionMapping::desc(text);
        QCOMPARE(result.size(), expected.size());
        QVERIFY(result == expected);
    }

    // A UTF-8 source with a damaged byte far into it stays UTF-8: only the damaged character is
    // lost, and the item holding it is named. NUL never reaches the output.
    void damagedTextIsNamedNotSpread() {
        QByteArray bytes = taobaoHeaderNames().toUtf8() + "\r\n";
        for (int i = 1; i <= 4000; ++i)
            bytes += u"\"宝贝%1号\"\t1\t0\t5\r\n"_s.arg(i).toUtf8();
        bytes.replace(u"宝贝3999号"_s.toUtf8(), QByteArray(u"宝贝"_s.toUtf8() + "\xFF" + "3999"));
        bytes.replace(u"宝贝7号"_s.toUtf8(), QByteArray(u"宝贝"_s.toUtf8() + QByteArray("\0", 1) + "7"));
        QVERIFY(bytes.indexOf('\xFF') > 64 * 1024);
        // A description, which goes from the line to the bytes in one pass, damaged too.
        QByteArrayList fields(31, "0");
        fields[0] = u"\"描述坏\""_s.toUtf8();
        fields[24] = u"\"好"_s.toUtf8() + QByteArray("\0", 1) + u"坏"_s.toUtf8() + "\xFF,\"";
        bytes += fields.join('\t') + "\r\n";
        const QString folder = freshFolder();
        writeBytes(folder + u"/shop.txt"_s, bytes);

        const FormatConverter::Result result = convert(folder + u"/shop.txt"_s, folder + u"/out.csv"_s, 0, 1);
        QCOMPARE(result.outcome, FormatConverter::Outcome::Completed);
        QCOMPARE(result.convertedCount, 4001);
        QCOMPARE(result.warnings,
                 (QStringList{u"第3999个宝贝含有无法识别的字符，已替换为\uFFFD：宝贝\uFFFD3999"_s,
                              u"第4001个宝贝含有无法识别的字符，已替换为\uFFFD：描述坏"_s}));
        const QString output = fromGbk(readBytes(folder + u"/out.csv"_s));
        QVERIFY(output.contains(u"\"宝贝4000号\""_s));
        QVERIFY(output.contains(u",\"好坏?，\","_s));
        QVERIFY(output.contains(u"\"宝贝7\""_s));
        QVERIFY(!readBytes(folder + u"/out.csv"_s).contains('\0'));
    }

    void shortRowsKeepEveryField_data() {
        QTest::addColumn<QByteArray>("sourceBytes");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("fieldCount");

        const QString taobao = taobaoHeaderNames() + u"\r\n\"短\"\t1\t0\t5\r\n"_s;
        QTest::newRow("Taobao to PaiPai") << utf16WithMark(taobao) << 0 << 1 << 35;
        QTest::newRow("Taobao to eBay") << utf16WithMark(taobao) << 0 << 2 << 88;
        // The captions are not an item, even below a blank line an editor left.
        QTest::newRow("Taobao after a blank line to PaiPai")
            << utf16WithMark(u"\r\n"_s + taobao) << -1 << 1 << 35;
        const QByteArray paipai = gbk(AssistantFormat::paipaiConverter().headerLine() + u"0,0,0,短\r\n"_s);
        const QByteArray ebay = gbk(u"列1,列2,列3,列4\r\n0,0,0,短\r\n"_s);
        QTest::newRow("PaiPai to Taobao") << paipai << 1 << 0 << 31;
        QTest::newRow("PaiPai to eBay") << paipai << 1 << 2 << 88;
        QTest::newRow("eBay to Taobao") << ebay << 2 << 0 << 31;
        QTest::newRow("eBay to PaiPai") << ebay << 2 << 1 << 35;
    }

    void shortRowsKeepEveryField() {
        QFETCH(QByteArray, sourceBytes);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, fieldCount);

        const QString folder = freshFolder();
        writeBytes(folder + u"/shop.csv"_s, sourceBytes);
        const FormatConverter::Result result =
            convert(folder + u"/shop.csv"_s, folder + u"/out.csv"_s, from, to);
        QCOMPARE(result.convertedCount, 1);

        if (to == 0) { // TAB-separated lines ending in CR
            const QStringList lines = fromGbk(readBytes(result.outputPath)).split(u'\r', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 2);
            QCOMPARE(lines.at(1).split(u'\t').size(), fieldCount);
            QVERIFY(lines.at(1).startsWith(u"\"短\"\t"_s));
        } else {
            const QList<QStringList> records = readCsvFile(result.outputPath);
            QCOMPARE(records.size(), 2);
            QCOMPARE(records[1].size(), fieldCount);
            QVERIFY(records[1].contains(u"短"_s) || records[1].contains(u"\"短\""_s));
        }
    }

    // Files that received several batches repeat their header line; it is neither an item nor counted.
    void repeatedHeaderIsNoItem_data() {
        QTest::addColumn<QByteArray>("sourceBytes");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");

        const QString taobaoRow = u"\"宝贝\"\t1\t0\t5\r\n"_s;
        const QString taobaoHeader = taobaoHeaderNames() + u"\r\n"_s;
        QTest::newRow("older Taobao, two batches")
            << utf16WithMark(taobaoHeader + taobaoRow + taobaoHeader + taobaoRow) << 0 << 1;
        for (const AssistantLayout* layout : {&AssistantFormat::paipai(), &AssistantFormat::ebay()}) {
            QStringList values;
            for (const LayoutColumn& column : layout->columns)
                values.append(column.field == ItemRecord::indexOf(ItemRecord::Field::Title) ? u"宝贝"_s
                                                                                            : u"1"_s);
            QString row;
            layout->appendPlainRow(&row, values);
            const QString header = layout->headerLine();
            QTest::addRow("%s, two batches", layout == &AssistantFormat::paipai() ? "PaiPai" : "eBay")
                << gbk(header + row + header + row) << -1 << 0;
        }
    }

    void repeatedHeaderIsNoItem() {
        QFETCH(QByteArray, sourceBytes);
        QFETCH(int, from);
        QFETCH(int, to);

        const QString folder = freshFolder();
        writeBytes(folder + u"/shop.csv"_s, sourceBytes);
        const FormatConverter::Result result =
            convert(folder + u"/shop.csv"_s, folder + u"/out.csv"_s, from, to);
        QCOMPARE(result.convertedCount, 2);
        QStringList titles;
        if (to == 0) {
            for (const QString& line : fromGbk(readBytes(result.outputPath)).split(u'\r', Qt::SkipEmptyParts))
                titles.append(line.section(u'\t', 0, 0));
        } else {
            for (const QStringList& record : readCsvFile(result.outputPath))
                titles.append(record.value(3));
        }
        // The Taobao layout keeps a title in its quotes.
        const QString title = to == 0 ? u"\"宝贝\""_s : u"宝贝"_s;
        QCOMPARE(titles.mid(1), (QStringList{title, title}));
    }

    void unwritableOutputIsReported() {
        const QString folder = freshFolder();
        const QString source = copyConvertFixture(u"paipai_source.csv"_s, folder + u"/shop.csv"_s);
        for (const int to : {0, 2}) {
            const QString save = folder + u"/missing/out.csv"_s;
            const FormatConverter::Result result = convert(source, save, 1, to);
            QCOMPARE(result.outcome, FormatConverter::Outcome::WriteFailed);
            // The system's reason follows the path.
            QCOMPARE(result.message,
                     u"无法写入文件："_s +
                         QDir::toNativeSeparators(FormatConverter::outputPathFor(save, *format(to))) +
                         u"（"_s + TestSystem::missingFolderReason() + u"）"_s);
        }
        const FormatConverter::Result onFolder = convert(source, folder, 1, 2);
        QCOMPARE(onFolder.outcome, FormatConverter::Outcome::WriteFailed);
    }

    void commandLine_data() {
        // Arguments split at single spaces, so a trailing space stands for an empty SAVE path.
        // "@" stands for the case folder, which is also the working folder.
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text"); // all of standard output on success, else part of standard error
        QTest::addColumn<QString>("expected"); // the fixture @/out.txt must equal, if any

        const QString usage = u"Usage:"_s;
        QTest::newRow("converted") << u"--from paipai --to taobao --agree @/paipai.csv @/out.csv"_s << 0
                                   << u"转换2个宝贝完成，生成文件为：@/out.txt\n"_s
                                   << u"paipai_to_taobao.txt"_s;
        QTest::newRow("relative paths")
            << u"--from ebay --to taobao --agree ebay.csv out.csv"_s << 0
            << u"转换2个宝贝完成，生成文件为：@/out.txt\n"_s << u"ebay_to_taobao.txt"_s;
        QTest::newRow("refused") << u"--from paipai --to ebay --agree @/paipai.csv "_s << 1
                                 << u"没有保存路径"_s << QString();
        QTest::newRow("PaiPai file as Taobao source")
            << u"--from taobao --to paipai --agree @/paipai.csv @/o.csv"_s << 1
            << u"该文件是拍拍助理格式，不是淘宝助理格式"_s << QString();
        QTest::newRow("not an assistant file") << u"--from taobao --to ebay --agree @/bad.csv @/o.csv"_s << 1
                                               << u"无法识别的文件格式：@/bad.csv"_s << QString();
        QTest::newRow("source recognised by default")
            << u"--to taobao --agree @/paipai.csv @/out.csv"_s << 0
            << u"转换2个宝贝完成，生成文件为：@/out.txt\n"_s << u"paipai_to_taobao.txt"_s;
        QTest::newRow("source recognised on request")
            << u"--from auto --to taobao --agree paipai.csv out.csv"_s << 0
            << u"转换2个宝贝完成，生成文件为：@/out.txt\n"_s << u"paipai_to_taobao.txt"_s;
        QTest::newRow("export left to its content")
            << u"--from auto --to taobao --agree ebay.csv out.csv"_s << 1
            << u"无法识别的文件格式：@/ebay.csv（如为拍拍或易趣助理导出的文件，请选择来源格式）"_s
            << QString();
        // The picture file the PaiPai export names is not beside it: the ending counts it.
        QTest::newRow("current Taobao target")
            << u"--from paipai --to taobao5 --agree @/paipai.csv @/o.csv"_s << 0
            << u"转换2个宝贝完成，生成文件为：@/o.csv；1张图片未能保存\n"_s << QString();
        QTest::newRow("no item") << u"--to paipai --agree @/empty.csv @/o.csv"_s << 1 << u"源文件中没有宝贝"_s
                                 << QString();
        QTest::newRow("unwritable") << u"--from paipai --to ebay --agree @/paipai.csv @/no/o.csv"_s << 1
                                    << u"无法写入文件：@/no/o.csv"_s << QString();
        QTest::newRow("missing --to")
            << u"--from paipai --agree @/paipai.csv @/o.csv"_s << 2 << usage << QString();
        QTest::newRow("unknown format")
            << u"--from amazon --to ebay --agree @/paipai.csv @/o.csv"_s << 2 << usage << QString();
        QTest::newRow("auto is no target")
            << u"--from paipai --to auto --agree @/paipai.csv @/o.csv"_s << 2 << usage << QString();
        QTest::newRow("same format") << u"--from ebay --to ebay --agree @/paipai.csv @/o.csv"_s << 2 << usage
                                     << QString();
        QTest::newRow("one path") << u"--from paipai --to ebay --agree @/paipai.csv"_s << 2 << usage
                                  << QString();
        QTest::newRow("unknown option")
            << u"--from paipai --to ebay --fast @/paipai.csv @/o.csv"_s << 2 << usage << QString();
        QTest::newRow("notice not accepted") << u"--from paipai --to ebay @/paipai.csv @/o.csv"_s << 1
                                             << u"the usage notice must be accepted"_s << QString();
    }

    void commandLine() {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QString, text);
        QFETCH(QString, expected);

        const QString folder = freshFolder();
        copyConvertFixture(u"paipai_source.csv"_s, folder + u"/paipai.csv"_s);
        copyConvertFixture(u"ebay_source.csv"_s, folder + u"/ebay.csv"_s);
        writeBytes(folder + u"/bad.csv"_s, utf16WithMark(u"标题\t价格\r\n"_s));
        writeBytes(folder + u"/empty.csv"_s, gbk(AssistantFormat::ebay().headerLine()));
        QStringList argumentList = arguments.split(u' ');
        for (QString& argument : argumentList)
            argument.replace(u'@', folder);

        const CapturedRun run = runCommandLine(argumentList, folder);

        QCOMPARE(run.status, status);
        // Paths in messages are written the system's way.
        text = QDir::toNativeSeparators(text.replace(u'@', folder));
        if (status == 0) {
            QCOMPARE(run.out, text);
        } else {
            QCOMPARE(run.out, QString());
            QVERIFY2(run.err.contains(text), qPrintable(run.err));
        }
        if (!expected.isEmpty())
            QCOMPARE(readBytes(folder + u"/out.txt"_s), readBytes(fixturePath(u"convert/"_s + expected)));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestFormatConverter)
#include "tst_formatconverter.moc"
