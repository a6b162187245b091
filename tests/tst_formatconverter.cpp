#include "formats/AssistantFormat.h"
#include "formats/ConversionMapping.h"
#include "formats/CsvReader.h"
#include "formats/FormatConverter.h"
#include "support/FormatTestFiles.h"
#include "support/TestPaths.h"
#include "web/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kClock(QDate(2026, 3, 7), QTime(9, 5, 3));

QString taobaoHeader() {
    return QStringLiteral(
        "宝贝名称\t宝贝类目\t店铺类目\t新旧程度\t省\t城市\t出售方式\t宝贝价格\t加价幅度\t宝贝数量\t有效期\t"
        "运费承担\t平邮\tEMS\t快递\t付款方式\t支付宝\t发票\t保修\t自动重发\t放入仓库\t橱窗推荐\t"
        "发布时间\t心情故事\t宝贝描述\t宝贝图片\t宝贝属性\t团购价\t最小团购件数\t邮费模版ID\t会员打折");
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
    process.start(kestruneBinary(), QStringList{QStringLiteral("convert")} + arguments);
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
    QTemporaryDir m_dir;
    int m_runs = 0;

    // A folder of its own for every case, holding a copy of the source.
    QString freshFolder() {
        const QString folder = m_dir.filePath(QStringLiteral("run%1").arg(++m_runs));
        QDir().mkpath(folder);
        return folder;
    }

    FormatConverter::Result convert(const QString& source, const QString& save, int from, int to,
                                    int* pumps = nullptr) {
        FormatConverter converter;
        converter.setClock([] { return kClock; });
        if (pumps)
            converter.setEventPump([pumps] { ++*pumps; });
        return converter.run({source, save, from, to});
    }

private slots:
    void convertsEachDirection_data();
    void convertsEachDirection();
    void refusesBeforeWriting_data();
    void refusesBeforeWriting();
    void sameFormatDoesNothing();
    void taobaoSourceWithoutItems_data();
    void taobaoSourceWithoutItems();
    void taobaoTargetPath_data();
    void taobaoTargetPath();
    void folderIsUpToTheLastSeparator_data();
    void folderIsUpToTheLastSeparator();
    void onePassCleaningMatchesCleanFieldText_data();
    void onePassCleaningMatchesCleanFieldText();
    void longDescriptionBoundary_data();
    void longDescriptionBoundary();
    void shortRowsKeepEveryField_data();
    void shortRowsKeepEveryField();
    void eventsRunOncePerRecord();
    void unwritableOutputIsReported();
    void commandLine_data();
    void commandLine();
    void commandLineResolvesRelativePaths();
};

void TestFormatConverter::convertsEachDirection_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("copyAs");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Taobao to PaiPai") << "taobao_source.csv"
                                      << "shop.csv" << 0 << 1 << "taobao_to_paipai.csv";
    QTest::newRow("Taobao .TXT to PaiPai") << "taobao_source.csv"
                                           << "shop.TXT" << 0 << 1 << "taobao_to_paipai.csv";
    QTest::newRow("Taobao to eBay") << "taobao_source.csv"
                                    << "shop.csv" << 0 << 2 << "taobao_to_ebay.csv";
    QTest::newRow("PaiPai to Taobao") << "paipai_source.csv"
                                      << "shop.csv" << 1 << 0 << "paipai_to_taobao.txt";
    QTest::newRow("PaiPai to eBay") << "paipai_source.csv"
                                    << "shop.csv" << 1 << 2 << "paipai_to_ebay.csv";
    QTest::newRow("eBay to Taobao") << "ebay_source.csv"
                                    << "shop.csv" << 2 << 0 << "ebay_to_taobao.txt";
    QTest::newRow("eBay to PaiPai") << "ebay_source.csv"
                                    << "shop.csv" << 2 << 1 << "ebay_to_paipai.csv";
}

void TestFormatConverter::convertsEachDirection() {
    QFETCH(QString, source);
    QFETCH(QString, copyAs);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, expected);

    const int count = 2;
    const QString folder = freshFolder();
    const QString sourcePath = folder + u'/' + copyAs;
    QVERIFY(QFile::copy(fixturePath(QStringLiteral("convert/") + source), sourcePath));
    const QByteArray sourceBytes = readBytes(sourcePath);

    const FormatConverter::Result result = convert(sourcePath, folder + QStringLiteral("/out.csv"), from, to);
    const QString outputPath = folder + (to == 0 ? QStringLiteral("/out.txt") : QStringLiteral("/out.csv"));
    QCOMPARE(result.outcome, FormatConverter::Outcome::Completed);
    QCOMPARE(result.convertedCount, count);
    QCOMPARE(result.outputPath, outputPath);
    QCOMPARE(result.message, QStringLiteral("转换%1个宝贝完成，生成文件为：").arg(count) + outputPath);
    QCOMPARE(readBytes(outputPath), readBytes(fixturePath(QStringLiteral("convert/") + expected)));
    QCOMPARE(readBytes(sourcePath), sourceBytes);
}

void TestFormatConverter::refusesBeforeWriting_data() {
    QTest::addColumn<QString>("source"); // "@" stands for the case folder
    QTest::addColumn<QString>("save");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty source") << ""
                                  << "@/out.csv" << 0 << 1 << "请输入要转换的文件路径";
    QTest::newRow("no folder") << "shop.csv"
                               << "@/out.csv" << 0 << 1 << "请输入文件路径";
    QTest::newRow("missing file") << "@/absent.csv"
                                  << "@/out.csv" << 0 << 1
                                  << "请输入正确的文件路径（该路径指定文件不存在）@/absent.csv";
    QTest::newRow("folder instead of file")
        << "@/dir.csv"
        << "@/out.csv" << 1 << 0 << "请输入正确的文件路径（该路径指定文件不存在）@/dir.csv";
    QTest::newRow("txt refused for PaiPai")
        << "@/shop.txt"
        << "@/out.csv" << 1 << 0 << "请输入正确的CSV文件路径（该文件不是CSV文件）";
    QTest::newRow("other extension for Taobao")
        << "@/shop.xls"
        << "@/out.csv" << 0 << 1 << "请输入正确的CSV文件路径（该文件不是CSV文件）";
    QTest::newRow("extension checked before save path")
        << "@/shop.xls"
        << "" << 0 << 1 << "请输入正确的CSV文件路径（该文件不是CSV文件）";
    QTest::newRow("empty save path") << "@/shop.csv"
                                     << "" << 0 << 1 << "没有保存路径";
    QTest::newRow("save equals source") << "@/shop.csv"
                                        << "@/shop.csv" << 0 << 1 << "保存路径不能与源文件相同";
    QTest::newRow("save equals source, other spelling")
        << "@/shop.csv"
        << "@/dir.csv/../shop.csv" << 1 << 2 << "保存路径不能与源文件相同";
    QTest::newRow("Taobao target renamed onto a PaiPai source")
        << "@/shop.csv"
        << "@/link.csv" << 1 << 0 << "保存路径不能与源文件相同";
}

void TestFormatConverter::refusesBeforeWriting() {
    QFETCH(QString, source);
    QFETCH(QString, save);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, message);

    const QString folder = freshFolder();
    QDir(folder).mkdir(QStringLiteral("dir.csv"));
    const QByteArray content = gbk(QStringLiteral("a,b\r\n1,2\r\n"));
    for (const QString& name :
         {QStringLiteral("/shop.csv"), QStringLiteral("/shop.txt"), QStringLiteral("/shop.xls")})
        writeBytes(folder + name, content);
    // link.txt is what a Taobao target makes of link.csv: the same file as the source.
    QVERIFY(QFile::link(folder + QStringLiteral("/shop.csv"), folder + QStringLiteral("/link.txt")));
    const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const FormatConverter::Result result =
        convert(source.replace(u'@', folder), save.replace(u'@', folder), from, to);
    QCOMPARE(result.outcome, FormatConverter::Outcome::Refused);
    QCOMPARE(result.message, message.replace(u'@', folder));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QCOMPARE(readBytes(folder + QStringLiteral("/shop.csv")), content);
}

void TestFormatConverter::sameFormatDoesNothing() {
    const QString folder = freshFolder();
    const QString source = folder + QStringLiteral("/shop.csv");
    QVERIFY(QFile::copy(fixturePath(QStringLiteral("convert/paipai_source.csv")), source));
    const FormatConverter::Result result = convert(source, folder + QStringLiteral("/out.csv"), 1, 1);
    QCOMPARE(result.outcome, FormatConverter::Outcome::NothingToDo);
    QVERIFY(result.message.isEmpty());
    QVERIFY(!QFile::exists(folder + QStringLiteral("/out.csv")));
}

void TestFormatConverter::taobaoSourceWithoutItems_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("message"); // "@" stands for the output path
    QTest::addColumn<bool>("headerLeft");

    QString header = taobaoHeader();
    header.replace(0, 4, QStringLiteral("标题"));
    const QByteArray otherHeader = utf16WithMark(header + QStringLiteral("\r\n\"x\"\t1\t2\r\n"));
    const QString refused = QStringLiteral("不是标准淘宝CSV文件，不能转换！标题");
    QTest::newRow("header check, PaiPai target left empty") << otherHeader << 1 << refused << false;
    QTest::newRow("header check, eBay target holds its header") << otherHeader << 2 << refused << true;
    // A comma-separated file has no line with a TAB.
    const QString commas = QStringLiteral("宝贝名称,宝贝类目\r\n\"x\",1\r\n\"y\",2\r\n");
    const QString none = QStringLiteral("转换0个宝贝完成，生成文件为：@");
    QTest::newRow("comma file, UTF-16, to PaiPai") << utf16WithMark(commas) << 1 << none << false;
    QTest::newRow("comma file, UTF-16, to eBay") << utf16WithMark(commas) << 2 << none << true;
    QTest::newRow("comma file, GBK, to PaiPai") << gbk(commas) << 1 << none << false;
}

void TestFormatConverter::taobaoSourceWithoutItems() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, to);
    QFETCH(QString, message);
    QFETCH(bool, headerLeft);

    const QString folder = freshFolder();
    writeBytes(folder + QStringLiteral("/shop.csv"), bytes);
    const QString output = folder + QStringLiteral("/out.csv");
    const FormatConverter::Result result = convert(folder + QStringLiteral("/shop.csv"), output, 0, to);
    QCOMPARE(result.convertedCount, 0);
    QCOMPARE(result.message, message.replace(u'@', output));
    QCOMPARE(readBytes(output), headerLeft ? gbk(AssistantFormat::ebay().headerLine()) : QByteArray());
}

void TestFormatConverter::taobaoTargetPath_data() {
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
}

void TestFormatConverter::taobaoTargetPath() {
    QFETCH(QString, save);
    QFETCH(int, to);
    QFETCH(QString, output);
    QCOMPARE(FormatConverter::outputPathFor(save, to), output);
}

void TestFormatConverter::folderIsUpToTheLastSeparator_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::newRow("file name repeated in the folder") << "/data/shop.csv.d/shop.csv"
                                                      << "/data/shop.csv.d/";
    QTest::newRow("backslashes") << "D:\\data\\shop.csv.d\\shop.csv"
                                 << "D:\\data\\shop.csv.d\\";
    QTest::newRow("no separator") << "shop.csv"
                                  << "";
}

void TestFormatConverter::folderIsUpToTheLastSeparator() {
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QCOMPARE(FormatConverter::folderOf(path), folder);
}

void TestFormatConverter::onePassCleaningMatchesCleanFieldText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("three spaces") << "a   b";
    QTest::newRow("spaces around a line break") << "a \r\n b";
    QTest::newRow("space pair split by a tab") << "a \t b";
    QTest::newRow("quotes and commas") << "\"x\",\"y\", z";
    QTest::newRow("trailing space") << "末尾 ";
    QTest::newRow("markup") << "<p align=\"center\">  宝贝,&nbsp;描述</p>\r\n\t<br>";
    QTest::newRow("full-width comma kept") << "已有，逗号";
}

void TestFormatConverter::onePassCleaningMatchesCleanFieldText() {
    QFETCH(QString, text);
    QString cleaned = QStringLiteral("prefix");
    ConversionMapping::appendCleanField(&cleaned, text);
    QCOMPARE(cleaned, QStringLiteral("prefix") + CleanFieldText(text));
}

void TestFormatConverter::longDescriptionBoundary_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString tag = QStringLiteral("<b>");
    const QString filler(24991, QChar(u'字'));
    // 24999 characters: cleaned only, the tag stays.
    const QString shortText = tag + filler + QStringLiteral("a,\"b\"");
    QTest::newRow("24999 characters") << shortText << tag + filler + QStringLiteral("a，'b'");
    // 25000 characters: the tag goes, then commas and quotes are cleaned.
    const QString longText = tag + filler + QStringLiteral("a,\"b\"\t");
    QTest::newRow("25000 characters") << longText << filler + QStringLiteral("a，'b'");
    // Stripped text longer than the limit is cut before cleaning.
    const QString cut = QString(25005, QChar(u'x')) + QStringLiteral("\r\n,");
    QTest::newRow("cut to 25000") << cut << QString(25000, QChar(u'x'));
    const QString lineBreaks = QString(24996, QChar(u'y')) + QStringLiteral("\r\n<i>,</i>");
    QTest::newRow("line breaks and commas in a long text")
        << lineBreaks << QString(24996, QChar(u'y')) + QChar(0xFF0C);
}

void TestFormatConverter::longDescriptionBoundary() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString result = ConversionMapping::desc(text);
    QCOMPARE(result.size(), expected.size());
    QVERIFY(result == expected);
}

void TestFormatConverter::shortRowsKeepEveryField_data() {
    QTest::addColumn<QByteArray>("sourceBytes");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<int>("fieldCount");

    const QString taobao = taobaoHeader() + QStringLiteral("\r\n\"短\"\t1\t0\t5\r\n");
    QTest::newRow("Taobao to PaiPai") << utf16WithMark(taobao) << 0 << 1 << QChar(u',') << 35;
    QTest::newRow("Taobao to eBay") << utf16WithMark(taobao) << 0 << 2 << QChar(u',') << 88;
    const QByteArray record = gbk(QStringLiteral("a,b\r\n0,0,0,短\r\n"));
    QTest::newRow("PaiPai to Taobao") << record << 1 << 0 << QChar(u'\t') << 31;
    QTest::newRow("PaiPai to eBay") << record << 1 << 2 << QChar(u',') << 88;
    QTest::newRow("eBay to Taobao") << record << 2 << 0 << QChar(u'\t') << 31;
    QTest::newRow("eBay to PaiPai") << record << 2 << 1 << QChar(u',') << 35;
}

void TestFormatConverter::shortRowsKeepEveryField() {
    QFETCH(QByteArray, sourceBytes);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QChar, separator);
    QFETCH(int, fieldCount);

    const QString folder = freshFolder();
    writeBytes(folder + QStringLiteral("/shop.csv"), sourceBytes);
    const FormatConverter::Result result =
        convert(folder + QStringLiteral("/shop.csv"), folder + QStringLiteral("/out.csv"), from, to);
    QCOMPARE(result.convertedCount, 1);

    if (separator == u'\t') {
        const QStringList lines = fromGbk(readBytes(result.outputPath)).split(u'\r', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(1).split(u'\t').size(), fieldCount);
        QVERIFY(lines.at(1).startsWith(QStringLiteral("\"短\"\t")));
    } else {
        CsvReader reader;
        QVERIFY(reader.open(result.outputPath));
        QStringList row;
        QVERIFY(reader.readRecord(&row));
        QCOMPARE(row.size(), fieldCount);
        QVERIFY(row.contains(QStringLiteral("短")) || row.contains(QStringLiteral("\"短\"")));
        QVERIFY(!reader.readRecord(&row));
    }
}

void TestFormatConverter::eventsRunOncePerRecord() {
    const QString folder = freshFolder();
    const QString source = folder + QStringLiteral("/shop.csv");
    QVERIFY(QFile::copy(fixturePath(QStringLiteral("convert/paipai_source.csv")), source));
    int pumps = 0;
    const FormatConverter::Result result = convert(source, folder + QStringLiteral("/out.csv"), 1, 2, &pumps);
    QCOMPARE(result.convertedCount, 2);
    QCOMPARE(pumps, 2);

    pumps = 0;
    const QString taobao = folder + QStringLiteral("/taobao.csv");
    QVERIFY(QFile::copy(fixturePath(QStringLiteral("convert/taobao_source.csv")), taobao));
    convert(taobao, folder + QStringLiteral("/out2.csv"), 0, 1, &pumps);
    QCOMPARE(pumps, 0);
}

void TestFormatConverter::unwritableOutputIsReported() {
    const QString folder = freshFolder();
    const QString source = folder + QStringLiteral("/shop.csv");
    QVERIFY(QFile::copy(fixturePath(QStringLiteral("convert/paipai_source.csv")), source));
    for (const int to : {0, 2}) {
        const QString save = folder + QStringLiteral("/missing/out.csv");
        const FormatConverter::Result result = convert(source, save, 1, to);
        QCOMPARE(result.outcome, FormatConverter::Outcome::WriteFailed);
        QCOMPARE(result.message, QStringLiteral("无法写入文件：") + FormatConverter::outputPathFor(save, to));
    }
    const FormatConverter::Result onFolder = convert(source, folder, 1, 2);
    QCOMPARE(onFolder.outcome, FormatConverter::Outcome::WriteFailed);
}

void TestFormatConverter::commandLine_data() {
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the case folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // a line the standard error must hold

    const QString source = QStringLiteral("@/paipai.csv");
    const QString agree = QStringLiteral("--agree");
    QTest::newRow("converted") << QStringList{u"--from"_s, u"paipai"_s, u"--to"_s,     u"taobao"_s,
                                              agree,       source,      u"@/out.csv"_s}
                               << 0 << "转换2个宝贝完成，生成文件为：@/out.txt\n"
                               << "";
    QTest::newRow("refused") << QStringList{u"--from"_s, u"paipai"_s, u"--to"_s, u"ebay"_s,
                                            agree,       source,      u""_s}
                             << 1 << ""
                             << "没有保存路径";
    QTest::newRow("comma file as Taobao source")
        << QStringList{u"--from"_s, u"taobao"_s, u"--to"_s, u"paipai"_s, agree, source, u"@/o.csv"_s} << 0
        << "转换0个宝贝完成，生成文件为：@/o.csv\n"
        << "";
    QTest::newRow("header check") << QStringList{u"--from"_s, u"taobao"_s,    u"--to"_s,   u"ebay"_s,
                                                 agree,       u"@/bad.csv"_s, u"@/o.csv"_s}
                                  << 1 << ""
                                  << "不是标准淘宝CSV文件，不能转换！标题";
    QTest::newRow("unwritable") << QStringList{u"--from"_s, u"paipai"_s, u"--to"_s,      u"ebay"_s,
                                               agree,       source,      u"@/no/o.csv"_s}
                                << 1 << ""
                                << "无法写入文件：@/no/o.csv";
    QTest::newRow("missing --to") << QStringList{u"--from"_s, u"paipai"_s, agree, source, u"@/o.csv"_s} << 2
                                  << ""
                                  << "Usage:";
    QTest::newRow("unknown format") << QStringList{u"--from"_s, u"amazon"_s, u"--to"_s,   u"ebay"_s,
                                                   agree,       source,      u"@/o.csv"_s}
                                    << 2 << ""
                                    << "Usage:";
    QTest::newRow("same format") << QStringList{u"--from"_s, u"ebay"_s, u"--to"_s,   u"ebay"_s,
                                                agree,       source,    u"@/o.csv"_s}
                                 << 2 << ""
                                 << "Usage:";
    QTest::newRow("one path") << QStringList{u"--from"_s, u"paipai"_s, u"--to"_s, u"ebay"_s, agree, source}
                              << 2 << ""
                              << "Usage:";
    QTest::newRow("unknown option") << QStringList{u"--from"_s, u"paipai"_s, u"--to"_s,   u"ebay"_s,
                                                   u"--fast"_s, source,      u"@/o.csv"_s}
                                    << 2 << ""
                                    << "Usage:";
    QTest::newRow("notice not accepted")
        << QStringList{u"--from"_s, u"paipai"_s, u"--to"_s, u"ebay"_s, source, u"@/o.csv"_s} << 1 << ""
        << "the usage notice must be accepted";
}

void TestFormatConverter::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);

    const QString folder = freshFolder();
    QVERIFY(QFile::copy(fixturePath(QStringLiteral("convert/paipai_source.csv")),
                        folder + QStringLiteral("/paipai.csv")));
    writeBytes(folder + QStringLiteral("/bad.csv"), utf16WithMark(QStringLiteral("标题\t价格\r\n")));
    for (QString& argument : arguments)
        argument.replace(u'@', folder);

    const CapturedRun run = runCommandLine(arguments, folder);

    QCOMPARE(run.status, status);
    QCOMPARE(run.out, out.replace(u'@', folder));
    QVERIFY2(run.err.contains(err.replace(u'@', folder)), qPrintable(run.err));
}

void TestFormatConverter::commandLineResolvesRelativePaths() {
    const QString folder = freshFolder();
    QVERIFY(QFile::copy(fixturePath(QStringLiteral("convert/ebay_source.csv")),
                        folder + QStringLiteral("/ebay.csv")));
    const CapturedRun run = runCommandLine(
        {QStringLiteral("--from"), QStringLiteral("ebay"), QStringLiteral("--to"), QStringLiteral("taobao"),
         QStringLiteral("--agree"), QStringLiteral("ebay.csv"), QStringLiteral("out.csv")},
        folder);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out,
             QStringLiteral("转换2个宝贝完成，生成文件为：") + folder + QStringLiteral("/out.txt\n"));
    QCOMPARE(readBytes(folder + QStringLiteral("/out.txt")),
             readBytes(fixturePath(QStringLiteral("convert/ebay_to_taobao.txt"))));
}

QTEST_GUILESS_MAIN(TestFormatConverter)
#include "tst_formatconverter.moc"
