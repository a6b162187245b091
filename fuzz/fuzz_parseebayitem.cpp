// An eBay item page of any UTF-8 bytes.
#include "FuzzSupport.h"

#include "items/ParseEbayItem.h"
#include "support/CrawlTestSupport.h"
#include "web/TextHelpers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ShopRun run(QStringLiteral("http://stores.ebay.com.cn/meihuaju"), QStringLiteral("eBay_meihuaju"),
                FuzzSupport::scratch().path());
    ParseEbayItem(run.session.context(), CleanPageText(DecodeUtf8(FuzzSupport::asBytes(data, size))));
    return 0;
}
