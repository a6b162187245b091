// A file at the output's name, of any bytes: it is continued only when it starts exactly as the
// program writes its format, and the picture and encoding checks of sources never crash.
#include "FuzzSupport.h"

#include "formats/OutputBatch.h"
#include "formats/OutputFormats.h"
#include "formats/SourceEncoding.h"
#include "text/PictureFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = FuzzSupport::asFile(data, size);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const FileFormat format : OutputFormats::all()) {
        if (startsAsOwnOutput(path, format) != bytes.startsWith(ownOutputStart(format)))
            std::abort();
    }
    const PictureFileRead picture = readPictureFile(path, 64 * 1024);
    if (picture.problem.isEmpty() != (startsAsPicture(bytes) && bytes.size() <= 64 * 1024))
        std::abort();
    if (picture.problem.isEmpty() && picture.bytes != bytes)
        std::abort();
    SourceEncoding::sniff(QByteArrayView(bytes));
    return 0;
}
