#pragma once

#include "base/Marketplace.h"
#include "formats/SourceEncoding.h"

#include <QIODevice>
#include <QString>

#include <optional>

// What a file given to the converter is, told apart by its first lines: TaobaoAssistant (TAB-
// separated, first caption 宝贝名称), TaobaoAssistant5 ("version 1.00", then the field names),
// PaiPaiAssistant (comma-separated, names id, tree_node_id, ...), EbayAssistant (Pprd_name,
// Pcls_id, ...), or nothing when it is not an assistant file.
struct SourceDetection {
    std::optional<FileFormat> file;
    TextEncoding encoding = TextEncoding::Gbk; // as the first lines show it
};

namespace SourceFormatDetector {

// Reads at most the first 64 KB and puts a seekable device back where it was.
SourceDetection detect(QIODevice& device);
SourceDetection detect(const QString& path);

// As a source, either Taobao layout is a Taobao Assistant file.
bool matchesChosenSource(FileFormat chosen, FileFormat detected);
// "该文件是拍拍助理格式，不是淘宝助理格式"
QString mismatchMessage(FileFormat chosen, FileFormat detected);
QString unknownFormatMessage(const QString& path);
// Follows unknownFormatMessage when the source format was left to the file's content.
QString chooseSourceHint();
QString noItemsMessage();

} // namespace SourceFormatDetector
