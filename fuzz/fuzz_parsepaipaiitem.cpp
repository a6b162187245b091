// A PaiPai item page of any GBK bytes.
#include "FuzzSupport.h"

#include "items/ParsePaiPaiItem.h"
#include "support/CrawlTestSupport.h"
#include "web/TextFileIo.h"
#include "web/TextHelpers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ShopRun run(QStringLiteral("http://shop.paipai.com/20090301/"), QStringLiteral("PaiPai_20090301"),
                FuzzSupport::scratch().path());
    const QString page = CleanPageText(DecodeGbk(FuzzSupport::asBytes(data, size)));
    QString saleType = QStringLiteral("一口价");
    ParsePaiPaiItem(run.session.context(), page, QStringLiteral("20090301"), QStringLiteral("a.jpg"),
                    QStringLiteral("标题"), saleType, QStringLiteral("12.5"));
    return 0;
}
