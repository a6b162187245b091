// An assistant export of any bytes: every record is read without a crash, and none is held
// beyond the record bound.
#include "FuzzSupport.h"

#include "formats/CsvReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = FuzzSupport::asFile(data, size);
    CsvReader reader;
    if (!reader.open(path))
        return 0;
    QStringList fields;
    while (reader.readRecord(&fields)) {
        qsizetype held = 0;
        for (const QString& field : fields)
            held += field.size();
        if (held > QuotedRecordReader::kRecordLimit)
            std::abort();
    }
    return 0;
}
