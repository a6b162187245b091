// Converts a generated 20,000-item Taobao Assistant file (UTF-16, long HTML descriptions in
// Chinese) to PaiPai and to eBay with `kestrune convert`, and runs on the same file
// `iconv -f UTF-16LE -t GBK` (the floor: decoding and GBK encoding alone) and a plain Python
// script doing the same mapping. Each program runs as a child process so its time and peak
// memory are its own. Prints MB/s of source text, peak memory and the ratios to the targets.
// Usage: bench_convert [folder] [items]   (default: a temporary folder, 20000 items)

#include "BenchSupport.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

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

bool writeTaobaoSource(const QString& path, int items) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
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
        const QStringList fields{
            QStringLiteral("\"%1 %2号&amp;款\"").arg(kPhrases.at(item % kPhrases.size())).arg(item),
            QString::number(50010850 + item % 7),
            QStringLiteral("0"),
            QStringLiteral("5"),
            QStringLiteral("\"浙江\""),
            QStringLiteral("\"杭州\""),
            QStringLiteral("\"b\""),
            QStringLiteral("%1.000000").arg(10 + item % 300),
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
            QStringLiteral("\"http://img01.taobaocdn.com/bao/uploaded/i%1/T1abc.jpg\"").arg(item),
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

def zhuanyi(s):
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
            row = ['-1', '-1', '-1', zhuanyi(field(fields, 0)), '""', field(fields, 6), field(fields, 1), '""', '""',
                   field(fields, 9), field(fields, 10), '""', field(fields, 3), field(fields, 7), field(fields, 8),
                   '""', '""', field(fields, 11), field(fields, 12), field(fields, 14), '0', '0', '0', '1', '1', '0',
                   '""', '0', field(fields, 25), '', '"' + clean(body) + '"', '""', '"-2"', '80', '80']
        else:
            now = time.localtime()
            stamp = '%d-%d-%d %d:%02d:%02d' % now[:6]
            number_text = time.strftime('%Y%m%d%H%M%S', now) + '00000000'
            row = [zhuanyi(field(fields, 0)), '0', field(fields, 9), '0', '0', field(fields, 7), field(fields, 24),
                   number_text, '0', '', '1', field(fields, 25).replace('"', '') + '|:|', '7', '0',
                   stamp, stamp, stamp, stamp]
            row = [protect(v) for v in row] + [EBAY_TAIL]
            out.write(','.join(row) + '\r\n')
            continue
        out.write(','.join(protect(v) for v in row) + '\r\n')
)PY";

void printTargets(const char* target, const Measure& ours, const Measure& iconv, const Measure& python,
                  double sourceMb) {
    if (!ours.ok || !iconv.ok || !python.ok)
        return;
    const double toIconv = ours.seconds / iconv.seconds;
    const double fromPython = python.seconds / ours.seconds;
    const double memory = ours.peakMb / sourceMb;
    std::printf("%-7s time %.2fx iconv (target <= 2: %s), Python %.1fx slower (target >= 5: %s), "
                "peak %.2fx source (target < 2.5: %s)\n",
                target, toIconv, toIconv <= 2 ? "met" : "MISSED", fromPython,
                fromPython >= 5 ? "met" : "MISSED", memory, memory < 2.5 ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const BenchArguments arguments(argc, argv, temporary);
    if (!arguments.ok)
        return 1;
    const QDir dir(arguments.folder);
    const int items = arguments.items;

    const QString source = dir.filePath(QStringLiteral("taobao_source.csv"));
    if (!writeTaobaoSource(source, items)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(source));
        return 1;
    }
    const QString script = dir.filePath(QStringLiteral("convert_mapping.py"));
    {
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly) || file.write(kPythonScript) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(script));
            return 1;
        }
    }
    const double sourceMb = double(QFile(source).size()) / (1024.0 * 1024.0);
    std::printf("source: %d items, %.1f MB of UTF-16 text\n\n", items, sourceMb);

    const QString binary = kestruneBinary();
    auto output = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    // -c: the file's byte-order mark has no GBK form; iconv would stop at it.
    const Measure iconv = runChild({QStringLiteral("iconv"), QStringLiteral("-c"), QStringLiteral("-f"),
                                    QStringLiteral("UTF-16LE"), QStringLiteral("-t"), QStringLiteral("GBK"),
                                    source, QStringLiteral("-o"), output("iconv.txt")},
                                   3);
    printRow("iconv UTF-16LE -> GBK", iconv, sourceMb);
    const Measure paipai =
        runChild({binary, QStringLiteral("convert"), QStringLiteral("--from"), QStringLiteral("taobao"),
                  QStringLiteral("--to"), QStringLiteral("paipai"), QStringLiteral("--agree"), source,
                  output("paipai.csv")},
                 3);
    printRow("kestrune Taobao -> PaiPai", paipai, sourceMb);
    const Measure ebay = runChild({binary, QStringLiteral("convert"), QStringLiteral("--from"),
                                   QStringLiteral("taobao"), QStringLiteral("--to"), QStringLiteral("ebay"),
                                   QStringLiteral("--agree"), source, output("ebay.csv")},
                                  3);
    printRow("kestrune Taobao -> eBay", ebay, sourceMb);
    const Measure pythonPaipai = runChild(
        {QStringLiteral("python3"), script, QStringLiteral("paipai"), source, output("paipai_python.csv")},
        1);
    printRow("python3 Taobao -> PaiPai", pythonPaipai, sourceMb);
    const Measure pythonEbay = runChild(
        {QStringLiteral("python3"), script, QStringLiteral("ebay"), source, output("ebay_python.csv")}, 1);
    printRow("python3 Taobao -> eBay", pythonEbay, sourceMb);

    std::printf("\n");
    printTargets("PaiPai", paipai, iconv, pythonPaipai, sourceMb);
    printTargets("eBay", ebay, iconv, pythonEbay, sourceMb);
    return iconv.ok && paipai.ok && ebay.ok && pythonPaipai.ok && pythonEbay.ok ? 0 : 1;
}
