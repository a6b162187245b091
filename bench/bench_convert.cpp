// Times the six conversions between the older assistant formats with `kestrune convert`, each as
// a child process so its time and peak memory are its own, on 20,000 generated items:
// a Taobao Assistant file (UTF-16, TAB-separated, long HTML descriptions in Chinese), the PaiPai
// file our converter makes of it, and an eBay file of the same items in GBK. For the Taobao
// directions it also runs `iconv -f UTF-16LE -t GBK` (the floor: decoding and GBK encoding alone)
// and a plain Python script doing the same mapping, and prints the ratios to their targets.
// Every program is run three times and keeps its best wall time and its best processor time (user
// and system, from the child's resource usage); the targets are judged by processor time, which
// other work on a shared machine moves far less than wall time.
// With --against, another kestrune binary (an earlier build) converts the same files, its runs
// interleaved with ours so machine load falls on both alike, and each direction prints the
// processor-time ratio ours/before: "met" while ours takes at most 10 % longer.
// Usage: bench_convert [--against KESTRUNE] [folder] [items]
//        (default: a temporary folder, 20000 items)

#include "BenchSupport.h"
#include "formats/AssistantColumns.h"
#include "formats/AssistantFormat.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

QString description(int item) {
    // Most descriptions run to several thousand characters; now and then one passes the long limit.
    const int paragraphs = item % 500 == 0 ? 900 : 60 + int(nextRandom() % 120);
    QString html = QStringLiteral("<div style=\"\"font-size:14px\"\"><p align=\"\"center\"\">");
    for (int p = 0; p < paragraphs; ++p) {
        html += QStringLiteral("<p><span>") + kPhrases.at(nextRandom() % kPhrases.size()) +
                QStringLiteral(",  ") + kPhrases.at(nextRandom() % kPhrases.size()) +
                QStringLiteral("</span></p>");
        if (p % 10 == 0)
            html += QStringLiteral("<img src=\"\"http://img0%1.taobaocdn.com/bao/uploaded/i%2/T1xx.jpg\"\">")
                        .arg(p % 9)
                        .arg(item);
    }
    return u'"' + html + QStringLiteral("</div>\"");
}

// The fields both generated sources give an item, as the Taobao file quotes them.
QString title(int item) {
    return QStringLiteral("\"%1 %2号&amp;款\"").arg(kPhrases.at(item % kPhrases.size())).arg(item);
}

QString price(int item) {
    return QStringLiteral("%1.000000").arg(10 + item % 300);
}

QString picture(int item) {
    return QStringLiteral("\"http://img01.taobaocdn.com/bao/uploaded/i%1/T1abc.jpg\"").arg(item);
}

bool writeTaobaoSource(const QString& path, int items) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    g_seed = kFirstSeed;
    const QString header =
        QStringLiteral("宝贝名称\t宝贝类目\t店铺类目\t新旧程度\t省\t城市\t出售方式\t宝贝价格\t加价幅度\t宝贝"
                       "数量\t有效期\t运费承担\t"
                       "平邮\tEMS\t快递\t付款方式\t支付宝\t发票\t保修\t自动重发\t放入仓库\t橱窗推荐\t发布时间"
                       "\t心情故事\t宝贝描述\t"
                       "宝贝图片\t宝贝属性\t团购价\t最小团购件数\t邮费模版ID\t会员打折\r\n");
    auto write = [&file](const QString& text) {
        const qint64 bytes = text.size() * qint64(sizeof(char16_t));
        return file.write(reinterpret_cast<const char*>(text.utf16()), bytes) == bytes;
    };
    if (file.write("\xFF\xFE", 2) != 2 || !write(header))
        return false;
    for (int item = 1; item <= items; ++item) {
        const QStringList fields{title(item),
                                 QString::number(50010850 + item % 7),
                                 QStringLiteral("0"),
                                 QStringLiteral("5"),
                                 QStringLiteral("\"浙江\""),
                                 QStringLiteral("\"杭州\""),
                                 QStringLiteral("\"b\""),
                                 price(item),
                                 QStringLiteral("0.000000"),
                                 QString::number(1 + item % 50),
                                 QStringLiteral("7"),
                                 QStringLiteral("2"),
                                 QStringLiteral("10.000000"),
                                 QStringLiteral("25.000000"),
                                 QStringLiteral("15.000000"),
                                 QStringLiteral("0"),
                                 QStringLiteral("1"),
                                 QStringLiteral("0"),
                                 QStringLiteral("1"),
                                 QStringLiteral("1"),
                                 QStringLiteral("0"),
                                 QStringLiteral("0"),
                                 QStringLiteral("\"2009-03-01 10:00:00\""),
                                 QStringLiteral("\"\""),
                                 description(item),
                                 picture(item),
                                 QStringLiteral("\"\""),
                                 QStringLiteral("0"),
                                 QStringLiteral("0"),
                                 QStringLiteral("0"),
                                 QStringLiteral("0")};
        if (!write(fields.join(u'\t') + QStringLiteral("\r\n")))
            return false;
    }
    return true;
}

// The same items as an eBay export in GBK: each item's title, price, description and picture in
// the columns the converter reads from an eBay export (quoted as CSV, the descriptions with their
// doubled quotes and commas); every other column holds 0. Its header is none of the program's own,
// so the export is read by position.
bool writeEbaySource(const QString& path, int items) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QStringEncoder gbk("GBK");
    const AssistantLayout& layout = AssistantFormat::ebayConverter();
    QStringList names;
    for (int i = 1; i <= layout.columns.size(); ++i)
        names.append(QStringLiteral("列%1").arg(i));
    const QString header = names.join(u',') + QStringLiteral("\r\n");
    if (!gbk.isValid() || file.write(gbk.encode(header)) < 0)
        return false;
    g_seed = kFirstSeed; // the descriptions the Taobao file got
    QStringList values(layout.columns.size(), QStringLiteral("0"));
    for (int item = 1; item <= items; ++item) {
        values[columnIndex(EbaySourceColumn::Title)] = title(item);
        values[columnIndex(EbaySourceColumn::Price)] = price(item);
        values[columnIndex(EbaySourceColumn::Description)] = description(item);
        values[columnIndex(EbaySourceColumn::Picture)] = picture(item);
        if (file.write(gbk.encode(values.join(u',') + QStringLiteral("\r\n"))) < 0)
            return false;
    }
    return true;
}

// The same mapping as the converter, written the way one would first write it in Python.
const char kPythonScript[] = R"PY(import sys, time

target, source, output = sys.argv[1], sys.argv[2], sys.argv[3]
ENTITIES = [('&lt;', '<'), ('&gt;', ' >'), ('&amp;', '&'), ('&quot;', '"'), ('&reg;', '?'), ('&copy;', '?'),
            ('&trade;', '?'), ('&lsquo;', '\u2018'), ('&rsquo;', '\u2019'), ('&ldquo;', '\u201c'),
            ('&rdquo;', '\u201d'), ('&permil;', '\u2030'), ('&curren;', '\u00a4'), ('&deg;', '\u00b0'),
            ('&divide;', '\u00f7'), ('&plusmn;', '\u00b1'), ('&sect;', '\u00a7'), ('&times;', '\u00d7'),
            ('&larr;', '\u2190'), ('&uarr;', '\u2191'), ('&rarr;', '\u2192'), ('&darr;', '\u2193'),
            ('&nbsp;', ' '), ('&radic;', '\u221a'), ('&prop;', '\u221d'), ('&infin;', '\u221e'),
            ('&there4;', '\u2234'), ('&sim;', ' \uff5e'), ('&asymp;', ' \u2248'), ('&ne;', ' \u2260'),
            ('&le;', ' \u2264'), ('&ge;', ' \u2265'), ('&oplus;', ' \u2295'), ('&Delta;', ' \u0394'),
            ('&Psi;', ' \u03a8'), ('&Omega;', ' \u03a9'), ('&omega;', ' \u03c9')]
PAIPAI = ['id', 'tree_node_id', 'old_tree_node_id', 'title', 'id_in_web', 'auctionType', 'category',
          'shopCategoryId', 'pictURL', 'quantity', 'duration', 'startDate', 'stuffStatus', 'price', 'increment',
          'prov', 'city', 'shippingOption', 'ordinaryPostFee', 'fastPostFee', 'paymentOption', 'haveInvoice',
          'haveGuarantee', 'secureTradeAgree', 'autoRepost', 'shopWindow', 'failed_reason', 'pic_size',
          'pic_filename', 'pic', 'description', 'story', 'putStore', 'pic_width', 'pic_height']
EBAY = ('Pprd_name Pcls_id Pprd_num Pauc_beg_price Pauc_deal_price Psal_price Pprd_desc Pprd_no Pgallery_img '
        'Pgallery_img2 Pimg_count Pimg_url Ponline_days Pauto_submit_flag Pcreate_time Psal_beg_time '
        'Psal_end_time Puser_offline_time Poffline_reason Ponline_price Psal_type Puser_max_num Pprd_now_num '
        'Ppromotion_flag Ppromotion_desc1 Ppromotion_desc2 Ploc_province Ploc_city Ptemplate_id Ppay_type1 '
        'Ptrade_desc Phas_invoice Phas_grarantee Pgrar_time Pgrar_type Pgrar_desc Ptrans_flag Ptrans_free_flag '
        + ' '.join('Pdomestic_type%d_value' % i for i in range(1, 8)) + ' '
        + ' '.join('Pdomestic_type%d_addvalue' % i for i in range(1, 8)) +
        ' Pprd_status Psecondhand_degree Ppage_designer Ppage_background Ppage_desigin Ppage_style '
        'Pcounter_style Pspecial_size Pprd_desc_page_path Pprd_desc_page Puser_desc Pversion Puser_page '
        'Prelation_item Pbuy_page Pbid_page Pprd_sequence Pdesc1 Pdesc2 Pdesc3 Pdesc4 Pserial_id Pserial_flag '
        'Pversion_flag Pprice_sort Ptrans_sort Pupdate_time Pup_fail_reason Patb_full Pprd_flag Pprd_relating '
        'Pfeature_value Pshp_id1 Pshp_id2 Pshp_cls_id1 Pshp_cls_id2').split()
EBAY_TAIL = ('0,2,1,0,00000000,,,10,116,0,10000000,,0,0,14,1,"",2,0,' + '0,' * 14 +
             '1,10,0,0,0,0,0,0,,,,0,,,,,0,,,,,,0,0,0,0,,"","",0,0,,0,0,0,0')

def decodeNamedEntities(s):
    if '&' not in s:
        return s
    for a, b in ENTITIES:
        s = s.replace(a, b)
    return s

def clean(s):
    return (s.replace('  ', '').replace('"', "'").replace('\t', '').replace('\r', '')
            .replace('\n', '').replace(',', '\uff0c'))

def protect(v):
    """Every row splits back into its field count: odd values become one quoted field."""
    if ',' not in v and '"' not in v and '\r' not in v and '\n' not in v:
        return v
    if len(v) >= 2 and v[0] == '"' and v[-1] == '"' and '"' not in v[1:-1].replace('""', ''):
        return v
    if len(v) >= 2 and v[0] == '"' and v[-1] == '"':
        v = v[1:-1]
    return '"' + v.replace('"', '""') + '"'

def field(fields, i):
    return fields[i] if i < len(fields) else ''

with open(source, encoding='utf-16') as f:
    text = f.read()
with open(output, 'w', encoding='gbk', errors='replace', newline='') as out:
    if target == 'ebay':
        out.write(''.join(n + ',' for n in EBAY) + '\r\n')
    for number, line in enumerate(text.split('\n')):
        if '\t' not in line:
            continue
        fields = line.rstrip('\r').split('\t')
        if number == 0:
            if fields[0] != '宝贝名称':
                sys.exit('不是标准淘宝CSV文件，不能转换！' + fields[0])
            if target == 'paipai':
                out.write(','.join('"%s"' % n for n in PAIPAI) + '\r\n')
            continue
        if target == 'paipai':
            body = field(fields, 24)
            if len(body) >= 2 and body[0] == '"' and body[-1] == '"':
                body = body[1:-1]
            row = ['-1', '-1', '-1', decodeNamedEntities(field(fields, 0)), '""', field(fields, 6), field(fields, 1), '""', '""',
                   field(fields, 9), field(fields, 10), '""', field(fields, 3), field(fields, 7), field(fields, 8),
                   '""', '""', field(fields, 11), field(fields, 12), field(fields, 14), '0', '0', '0', '1', '1', '0',
                   '""', '0', field(fields, 25), '', '"' + clean(body) + '"', '""', '"-2"', '80', '80']
        else:
            now = time.localtime()
            stamp = '%d-%d-%d %d:%02d:%02d' % now[:6]
            number_text = time.strftime('%Y%m%d%H%M%S', now) + '00000000'
            row = [decodeNamedEntities(field(fields, 0)), '0', field(fields, 9), '0', '0', field(fields, 7), field(fields, 24),
                   number_text, '0', '', '1', field(fields, 25).replace('"', '') + '|:|', '7', '0',
                   stamp, stamp, stamp, stamp]
            row = [protect(v) for v in row] + [EBAY_TAIL]
            out.write(','.join(row) + '\r\n')
            continue
        out.write(','.join(protect(v) for v in row) + '\r\n')
)PY";

// Judged by processor time; the wall-time ratios follow for comparison. Only Taobao -> PaiPai has
// targets.
void printTargets(const char* target, const Measure& ours, const Measure& iconv, const Measure& python,
                  double sourceMb, bool judged) {
    if (!ours.ok || !iconv.ok || !python.ok)
        return;
    const double toIconv = ours.cpuSeconds / iconv.cpuSeconds;
    const double fromPython = python.cpuSeconds / ours.cpuSeconds;
    const double memory = ours.peakMb / sourceMb;
    const auto verdict = [judged](bool met) { return !judged ? "no target" : met ? "met" : "MISSED"; };
    std::printf("%-7s processor time %.2fx iconv (target <= 1.2: %s), Python %.1fx slower (target >= 8: %s), "
                "peak %.2fx source (target < 2.5: %s); wall time %.2fx iconv, Python %.1fx slower\n",
                target, toIconv, verdict(toIconv <= 1.2), fromPython, verdict(fromPython >= 8), memory,
                verdict(memory < 2.5), ours.seconds / iconv.seconds, python.seconds / ours.seconds);
}

double megabytes(const QString& path) {
    return double(QFile(path).size()) / (1024.0 * 1024.0);
}

// One conversion: the format words of `kestrune convert` and the source it reads.
struct Direction {
    Direction(const char* name, const char* from, const char* to, const QString& source)
        : name(name), from(from), to(to), source(source), sourceMb(megabytes(source)) {}

    const char* name;
    const char* from;
    const char* to;
    QString source;

    double sourceMb;
    Measure ours;
    Measure before;
};

QStringList convertCommand(const QString& binary, const Direction& direction, const QString& source,
                           const QString& save) {
    return {binary,
            QStringLiteral("convert"),
            QStringLiteral("--from"),
            QString::fromLatin1(direction.from),
            QStringLiteral("--to"),
            QString::fromLatin1(direction.to),
            QStringLiteral("--agree"),
            source,
            save};
}

// The runs of both binaries alternate, each taking the lead in turn, so a burst of load elsewhere
// on the machine, or a file still warm in the cache, does not favour one of them.
void measure(Direction* direction, const QString& ours, const QString& before, const QDir& dir, int runs) {
    // A Taobao target is written as .txt whatever the save path says; name it so from the start.
    const QString extension =
        qstrcmp(direction->to, "taobao") == 0 ? QStringLiteral(".txt") : QStringLiteral(".csv");
    const QString name =
        QStringLiteral("%1_to_%2").arg(QLatin1String(direction->from), QLatin1String(direction->to));
    const QStringList oursCommand =
        convertCommand(ours, *direction, direction->source, dir.filePath(name + extension));
    const QStringList beforeCommand = convertCommand(
        before, *direction, direction->source, dir.filePath(name + QStringLiteral("_before") + extension));
    for (int run = 0; run < runs; ++run) {
        const bool oursFirst = run % 2 == 0;
        if (oursFirst)
            keepBest(&direction->ours, runChildOnce(oursCommand), run == 0);
        if (!before.isEmpty())
            keepBest(&direction->before, runChildOnce(beforeCommand), run == 0);
        if (!oursFirst)
            keepBest(&direction->ours, runChildOnce(oursCommand), run == 0);
    }
}

// Up to 10 % slower is noise on a shared machine.
constexpr double kNoise = 1.10;

void printAgainst(const Direction& direction) {
    if (!direction.ours.ok || !direction.before.ok) {
        std::printf("%-18s not compared\n", direction.name);
        return;
    }
    const double ratio = direction.ours.cpuSeconds / direction.before.cpuSeconds;
    std::printf("%-18s processor time ours %.3f s, before %.3f s: %.2fx (target <= %.2f: %s); wall time "
                "%.3f s vs %.3f s: %.2fx; peak %.1f MB vs %.1f MB\n",
                direction.name, direction.ours.cpuSeconds, direction.before.cpuSeconds, ratio, kNoise,
                ratio <= kNoise ? "met" : "MISSED", direction.ours.seconds, direction.before.seconds,
                direction.ours.seconds / direction.before.seconds, direction.ours.peakMb,
                direction.before.peakMb);
}

// "--against PATH" taken out of the arguments; the rest are the folder and the item count.
struct Arguments {
    QString against;
    std::vector<char*> rest;
    bool ok = true;

    Arguments(int argc, char** argv) {
        for (int i = 0; i < argc; ++i) {
            if (qstrcmp(argv[i], "--against") != 0) {
                rest.push_back(argv[i]);
                continue;
            }
            if (i + 1 >= argc) {
                std::fprintf(stderr, "--against needs the path of a kestrune binary\n");
                ok = false;
                return;
            }
            against = QFileInfo(QString::fromLocal8Bit(argv[++i])).absoluteFilePath();
            if (!QFileInfo(against).isExecutable()) {
                std::fprintf(stderr, "%s is not an executable file\n", qPrintable(against));
                ok = false;
                return;
            }
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Arguments options(argc, argv);
    if (!options.ok)
        return 2;
    QTemporaryDir temporary;
    const BenchArguments arguments(int(options.rest.size()), options.rest.data(), temporary);
    if (!arguments.ok)
        return 1;
    const QDir dir(arguments.folder);
    const int items = arguments.items;
    const QString binary = kestruneBinary();
    auto output = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };

    const QString taobao = output("taobao_source.csv");
    const QString paipai = output("paipai_source.csv");
    const QString ebay = output("ebay_source.csv");
    if (!writeTaobaoSource(taobao, items) || !writeEbaySource(ebay, items)) {
        std::fprintf(stderr, "cannot write the sources in %s\n", qPrintable(dir.path()));
        return 1;
    }
    // The PaiPai source is what our converter makes of the Taobao one: its items in the PaiPai
    // columns the converter reads back.
    if (!runChildOnce({binary, QStringLiteral("convert"), QStringLiteral("--from"), QStringLiteral("taobao"),
                       QStringLiteral("--to"), QStringLiteral("paipai"), QStringLiteral("--agree"), taobao,
                       paipai})
             .ok)
        return 1;
    const QString script = output("convert_mapping.py");
    {
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly) || file.write(kPythonScript) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(script));
            return 1;
        }
    }
    const double taobaoMb = megabytes(taobao);
    std::printf("sources: %d items; Taobao %.1f MB (UTF-16), PaiPai %.1f MB and eBay %.1f MB (GBK)\n", items,
                taobaoMb, megabytes(paipai), megabytes(ebay));
    std::printf("ours: %s\n", qPrintable(binary));
    if (!options.against.isEmpty())
        std::printf("before: %s\n", qPrintable(options.against));
    std::printf("\n");

    // -c: the file's byte-order mark has no GBK form; iconv would stop at it.
    const Measure iconv = runChild({QStringLiteral("iconv"), QStringLiteral("-c"), QStringLiteral("-f"),
                                    QStringLiteral("UTF-16LE"), QStringLiteral("-t"), QStringLiteral("GBK"),
                                    taobao, QStringLiteral("-o"), output("iconv.txt")},
                                   3);
    printRow("iconv UTF-16LE -> GBK", iconv, taobaoMb);

    Direction directions[] = {
        {"Taobao -> PaiPai", "taobao", "paipai", taobao}, {"Taobao -> eBay", "taobao", "ebay", taobao},
        {"PaiPai -> Taobao", "paipai", "taobao", paipai}, {"PaiPai -> eBay", "paipai", "ebay", paipai},
        {"eBay -> Taobao", "ebay", "taobao", ebay},       {"eBay -> PaiPai", "ebay", "paipai", ebay}};
    bool allOk = iconv.ok;
    for (Direction& direction : directions) {
        measure(&direction, binary, options.against, dir, 3);
        printRow(qPrintable(QStringLiteral("kestrune ") + QLatin1String(direction.name)), direction.ours,
                 direction.sourceMb);
        if (!options.against.isEmpty())
            printRow(qPrintable(QStringLiteral("before   ") + QLatin1String(direction.name)),
                     direction.before, direction.sourceMb);
        allOk = allOk && direction.ours.ok && (options.against.isEmpty() || direction.before.ok);
    }

    // Best of 3 as ours: one slow run on a busy machine would flatter ours.
    const Measure pythonPaipai = runChild(
        {QStringLiteral("python3"), script, QStringLiteral("paipai"), taobao, output("paipai_python.csv")},
        3);
    printRow("python3 Taobao -> PaiPai", pythonPaipai, taobaoMb);
    const Measure pythonEbay = runChild(
        {QStringLiteral("python3"), script, QStringLiteral("ebay"), taobao, output("ebay_python.csv")}, 3);
    printRow("python3 Taobao -> eBay", pythonEbay, taobaoMb);

    std::printf("\nbest of 3 runs each:\n");
    printTargets("PaiPai", directions[0].ours, iconv, pythonPaipai, taobaoMb, true);
    printTargets("eBay", directions[1].ours, iconv, pythonEbay, taobaoMb, false);
    if (!options.against.isEmpty()) {
        std::printf("\nours against before (best of 3 each, interleaved):\n");
        for (const Direction& direction : directions)
            printAgainst(direction);
    }
    return allOk && pythonPaipai.ok && pythonEbay.ok ? 0 : 1;
}
