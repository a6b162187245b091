#include "formats/SourceFormatDetector.h"

#include "formats/Taobao5Layout.h"

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

AssistantFile classify(QStringView text) {
    const QList<QStringView> lines = firstLines(text);
    if (lines.isEmpty())
        return AssistantFile::Unknown;
    const QStringView first = lines.front();
    if (Taobao5Layout::isVersionLine(first))
        return lines.size() > 1 && Taobao5Layout::isFieldNameLine(lines.at(1)) ? AssistantFile::TaobaoCurrent
                                                                               : AssistantFile::Unknown;
    if (first.contains(u'\t') && startsWithNames(first, u'\t', {u"宝贝名称"}))
        return AssistantFile::TaobaoOld;
    if (startsWithNames(first, u',', {u"id", u"tree_node_id", u"old_tree_node_id"}))
        return AssistantFile::PaiPai;
    if (startsWithNames(first, u',', {u"Pprd_name", u"Pcls_id", u"Pprd_num"}))
        return AssistantFile::Ebay;
    return AssistantFile::Unknown;
}

} // namespace

SourceDetection detect(QIODevice& device) {
    SourceDetection result;
    if (!device.isReadable())
        return result;
    const QByteArray head = device.peek(kHeadSize);
    const SourceEncoding::Sniffed sniffed = SourceEncoding::sniff(QByteArrayView(head));
    result.encoding = sniffed.encoding;
    QStringDecoder decoder = SourceEncoding::decoderFor(sniffed.encoding);
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

QString displayName(AssistantFile file) {
    switch (file) {
    case AssistantFile::TaobaoOld:
        return QStringLiteral("淘宝助理");
    case AssistantFile::TaobaoCurrent:
        return QStringLiteral("淘宝助理5");
    case AssistantFile::PaiPai:
        return QStringLiteral("拍拍助理");
    case AssistantFile::Ebay:
        return QStringLiteral("易趣助理");
    case AssistantFile::Unknown:
        break;
    }
    return {};
}

bool matchesChosenSource(AssistantFile chosen, AssistantFile detected) {
    const auto isTaobao = [](AssistantFile file) {
        return file == AssistantFile::TaobaoOld || file == AssistantFile::TaobaoCurrent;
    };
    return chosen == detected || (isTaobao(chosen) && isTaobao(detected));
}

QString mismatchMessage(AssistantFile chosen, AssistantFile detected) {
    return QStringLiteral("该文件是") + displayName(detected) + QStringLiteral("格式，不是") +
           displayName(chosen) + QStringLiteral("格式");
}

QString unknownFormatMessage(const QString& path) {
    return QStringLiteral("无法识别的文件格式：") + path;
}

QString noItemsMessage() {
    return QStringLiteral("源文件中没有宝贝");
}

} // namespace SourceFormatDetector
