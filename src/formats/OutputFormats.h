#pragma once

#include "base/Marketplace.h"
#include "formats/SourceEncoding.h"

#include <QString>

struct AssistantLayout;

// What the program writes for each output format, in one row per format: the stored codes, the
// command-line word and the caption come from MarketplaceCodes; the rest is here. A new format is
// one row, its layout table in AssistantFormat and their tests.
namespace OutputFormats {

// How often a file of the format holds its header.
enum class HeaderPolicy {
    OncePerBatch, // every flush appends a batch that starts with the header (the older Taobao layout)
    OncePerFile,  // one header; later batches and resumed runs add rows only
};

struct Description {
    FileFormat format;
    QString converterSuffix;         // the converter's output file ends so (a save path's ".csv" gives way)
    TextEncoding extractionEncoding; // of the extraction's output file
    TextEncoding converterEncoding;  // of the converter's output file
    HeaderPolicy header;
    // The layout tables; none where the format has a writer of its own (today's Taobao layout, the
    // store files).
    const AssistantLayout* extractionLayout;
    const AssistantLayout* converterLayout;
};

const Description& describe(FileFormat format);

} // namespace OutputFormats
