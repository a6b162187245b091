#pragma once

#include "formats/SourceEncoding.h"

#include <QIODevice>
#include <QString>

// The kinds of file a conversion may be given, told apart by their first lines.
enum class AssistantFile {
    TaobaoOld,     // TAB-separated, first caption 宝贝名称
    TaobaoCurrent, // "version 1.00", then the field names
    PaiPai,        // comma-separated, names id, tree_node_id, ...
    Ebay,          // comma-separated, names Pprd_name, Pcls_id, ...
    Unknown,       // not an assistant file
};

struct SourceDetection {
    AssistantFile file = AssistantFile::Unknown;
    TextEncoding encoding = TextEncoding::Gbk; // as the first lines show it
};

namespace SourceFormatDetector {

// Reads at most the first 64 KB and puts a seekable device back where it was.
SourceDetection detect(QIODevice& device);
SourceDetection detect(const QString& path);

// 淘宝助理, 淘宝助理5, 拍拍助理, 易趣助理; empty for Unknown.
QString displayName(AssistantFile file);
// As a source, either Taobao layout is a Taobao Assistant file.
bool matchesChosenSource(AssistantFile chosen, AssistantFile detected);
// "该文件是拍拍助理格式，不是淘宝助理格式"
QString mismatchMessage(AssistantFile chosen, AssistantFile detected);
QString unknownFormatMessage(const QString& path);
QString noItemsMessage();

} // namespace SourceFormatDetector
