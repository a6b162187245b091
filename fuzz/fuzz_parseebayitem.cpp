// An eBay item page of any UTF-8 bytes.
#include "FuzzSupport.h"

#include "items/ParseEbayItem.h"
#include "text/TextHelpers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString page = cleanPageText(decodeUtf8(FuzzSupport::asBytes(data, size)));
    const QString pictureName = ebayPictureFileName(ebayPictureAddress(page));
    parseEbayItemPage(page, QStringLiteral("/tmp/eBay_meihuaju/") + pictureName);
    return 0;
}
