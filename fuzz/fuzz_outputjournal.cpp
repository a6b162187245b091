// A journal of any bytes, as a dead run or a damaged disk may leave it.
#include "FuzzSupport.h"

#include "formats/OutputJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const OutputJournal::Contents contents = OutputJournal::read(FuzzSupport::asFile(data, size));
    if (!contents.valid && contents.rows != 0)
        std::abort();
    return 0;
}
