// A PaiPai item page of any GBK bytes.
#include "FuzzSupport.h"

#include "items/ParsePaiPaiItem.h"
#include "text/TextFileIo.h"
#include "text/TextHelpers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString page = cleanPageText(decodeGbk(FuzzSupport::asBytes(data, size)));
    parsePaiPaiItemPage(page, QStringLiteral("标题"), paiPaiSaleType(QStringLiteral("一口价")),
                        QStringLiteral("12.5"), QStringLiteral("/tmp/PaiPai_20090301/a.jpg"));
    return 0;
}
