// A Taobao item page of any GBK bytes.
#include "FuzzSupport.h"

#include "items/ItemPageSource.h"
#include "items/ParseTaobaoItem.h"
#include "text/TextFileIo.h"
#include "text/TextHelpers.h"

namespace {

// The description script is never there.
class NoPages : public ItemPageSource {
public:
    QString fetchPage(const QString&) override { return {}; }
    bool stopRequested() override { return false; }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString page = cleanPageText(decodeGbk(FuzzSupport::asBytes(data, size)));
    if (page.isEmpty())
        return 0;
    NoPages source;
    parseTaobaoItemPage(page, QStringLiteral("/tmp/Taobao_12345678/a.jpg"), source);
    return 0;
}
