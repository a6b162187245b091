#include "formats/SourceFormatDetector.h"

#include "formats/OutputFormats.h"
#include "formats/Taobao5Layout.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace SourceFormatDetector {

namespace {

constexpr qint64 kHeadSize = 64 * 1024;

// The first two lines that hold anything.
QList<QStringView> firstLines(QStringView text) {
    QList<QStringView> lines;
    for (QStringView line : text.tokenize(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() && lines.isEmpty())
            continue;
        lines.append(line);
        if (lines.size() == 2)
            break;
    }
    return lines;
}

bool startsWithNames(QStringView line, QChar separator, std::initializer_list<QStringView> names) {
    auto parts = line.tokenize(separator);
    auto part = parts.begin();
    for (QStringView expected : names) {
        if (part == parts.end() || Taobao5Layout::headerName(*part) != expected)
            return false;
        ++part;
    }
    return true;
}

std::optional<FileFormat> classify(QStringView text) {
    const QList<QStringView> lines = firstLines(text);
    if (lines.isEmpty())
        return std::nullopt;
    const QStringView first = lines.front();
    if (Taobao5Layout::isVersionLine(first)) {
        if (lines.size() > 1 && Taobao5Layout::isFieldNameLine(lines.at(1)))
            return FileFormat::TaobaoAssistant5;
        return std::nullopt;
    }
    if (first.contains(u'\t') && startsWithNames(first, u'\t', {u"宝贝名称"}))
        return FileFormat::TaobaoAssistant;
    if (startsWithNames(first, u',', {u"id", u"tree_node_id", u"old_tree_node_id"}))
        return FileFormat::PaiPaiAssistant;
    if (startsWithNames(first, u',', {u"Pprd_name", u"Pcls_id", u"Pprd_num"}))
        return FileFormat::EbayAssistant;
    return std::nullopt;
}

} // namespace

SourceDetection detect(QIODevice& device) {
    SourceDetection result;
    if (!device.isReadable())
        return result;
    const QByteArray head = device.peek(kHeadSize);
    const SourceEncoding::Sniffed sniffed = SourceEncoding::sniff(QByteArrayView(head));
    result.encoding = sniffed.encoding;
    TextDecoder decoder = SourceEncoding::decoderFor(sniffed.encoding);
    const QString text = decoder.decode(QByteArrayView(head).sliced(sniffed.markLength));
    result.file = classify(text);
    return result;
}

SourceDetection detect(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return detect(file);
}

bool matchesChosenSource(FileFormat chosen, FileFormat detected) {
    const auto isTaobao = [](FileFormat format) {
        return format == FileFormat::TaobaoAssistant || format == FileFormat::TaobaoAssistant5;
    };
    return chosen == detected || (isTaobao(chosen) && isTaobao(detected));
}

QString mismatchMessage(FileFormat chosen, FileFormat detected) {
    return QStringLiteral("该文件是") + OutputFormats::describe(detected).caption +
           QStringLiteral("格式，不是") + OutputFormats::describe(chosen).caption + QStringLiteral("格式");
}

QString unknownFormatMessage(const QString& path) {
    return QStringLiteral("无法识别的文件格式：") + QDir::toNativeSeparators(path);
}

QString chooseSourceHint() {
    return QStringLiteral("（如为拍拍或易趣助理导出的文件，请选择来源格式）");
}

QString noItemsMessage() {
    return QStringLiteral("源文件中没有宝贝");
}

} // namespace SourceFormatDetector
