// A Taobao item page of any GBK bytes.
#include "FuzzSupport.h"

#include "items/ParseTaobaoItem.h"
#include "support/CrawlTestSupport.h"
#include "web/TextFileIo.h"
#include "web/TextHelpers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ShopRun run(QStringLiteral("http://shop12345678.taobao.com/"), QStringLiteral("Taobao_12345678"),
                FuzzSupport::scratch().path());
    QString page = CleanPageText(DecodeGbk(FuzzSupport::asBytes(data, size)));
    ParseTaobaoItem(run.session.context(), page, QStringLiteral("http://img01.taobaocdn.com/a.jpg"),
                    QStringLiteral("女装"));
    return 0;
}
