// Entity decoding, cutting by markers and text cleaning on any text. The input's first line is
// the marker, the rest the text.
#include "FuzzSupport.h"

#include "base/StepError.h"
#include "text/Cut.h"
#include "text/EntityDecoder.h"
#include "text/TextFileIo.h"
#include "text/TextHelpers.h"

#include <cstdlib>

namespace {

template <typename Step> void tolerate(Step step) {
    try {
        step();
    } catch (const StepError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzSupport::asBytes(data, size);
    const QString gbk = decodeGbk(bytes);
    const QString text = decodeUtf8(bytes);
    const qsizetype lineEnd = text.indexOf(u'\n');
    const QString marker = lineEnd < 0 ? QString() : text.left(lineEnd);
    const QString body = lineEnd < 0 ? text : text.mid(lineEnd + 1);

    const QString page = cleanPageText(body);
    if (page.contains(u'"') || page.contains(u'\t') || page.contains(u'\n') || page.contains(u'\r'))
        std::abort();
    cleanFieldText(gbk);
    stripTags(body);
    decodeNamedEntities(page);
    decodeNamedEntities(gbk);
    encodeGbk(text);
    tolerate([&] { extractHref(page); });
    tolerate([&] { extractLinkOrPictureSum(page, 1); });
    tolerate([&] { extractLinkOrPictureMedium(page, 1); });
    tolerate([&] { Cut::after(body, marker); });
    tolerate([&] { Cut::afterDroppingLead(body, marker); });
    tolerate([&] { Cut::fromDroppingLead(body, marker); });
    tolerate([&] { Cut::before(body, marker); });
    tolerate([&] { Cut::from(body, marker); });
    tolerate([&] { Cut::afterLast(body, marker); });
    Cut::remove(body, marker);
    Cut::dropLead(body, marker.size());
    Cut::reverse(body);
    Cut::trimSpaces(body);
    return 0;
}
