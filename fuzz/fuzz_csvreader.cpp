// An assistant export of any bytes: every record is read without a crash.
#include "FuzzSupport.h"

#include "formats/CsvReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = FuzzSupport::asFile(data, size);
    CsvReader reader;
    if (!reader.open(path))
        return 0;
    QStringList fields;
    while (reader.readRecord(&fields)) {
    }
    return 0;
}
