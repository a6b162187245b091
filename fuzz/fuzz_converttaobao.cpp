// A Taobao Assistant source of any bytes converted to the PaiPai and the eBay layout: the source is
// refused or read to its end without a crash.
#include "FuzzSupport.h"

#include "formats/FormatConverter.h"

#include <QDateTime>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FormatConverter converter;
    converter.setClock([] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); });
    FormatConverter::Request request;
    request.sourcePath = FuzzSupport::asFile(data, size, QStringLiteral("source.csv"));
    request.source = FormatConverter::Taobao;
    for (int target : {FormatConverter::PaiPai, FormatConverter::Ebay}) {
        request.target = target;
        request.savePath = FuzzSupport::scratch().filePath(QStringLiteral("saved.csv"));
        converter.run(request);
    }
    return 0;
}
