// Any bytes given as a Taobao Assistant source, and as a source of unknown kind, converted to the
// PaiPai and the eBay layout and to the two store product files (skuProps, propAlias and picture
// fields of today's layout included): the source is refused or read to its end without a crash.
#include "FuzzSupport.h"

#include "formats/FormatConverter.h"

#include <QDateTime>

#include <optional>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FormatConverter converter;
    converter.setImageBaseUrl(QStringLiteral("https://cdn.example.com/p/"));
    converter.setClock([] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); });
    FormatConverter::Request request;
    request.sourcePath = FuzzSupport::asFile(data, size, QStringLiteral("source.csv"));
    for (std::optional<FileFormat> source :
         {std::optional(FileFormat::TaobaoAssistant), std::optional<FileFormat>()}) {
        request.source = source;
        for (FileFormat target : {FileFormat::PaiPaiAssistant, FileFormat::EbayAssistant, FileFormat::Shopify,
                                  FileFormat::WooCommerce}) {
            request.target = target;
            request.savePath = FuzzSupport::scratch().filePath(QStringLiteral("saved.csv"));
            converter.run(request);
        }
    }
    return 0;
}
