#pragma once

#include "base/Marketplace.h"
#include "formats/SourceEncoding.h"

#include <QString>

#include <array>
#include <optional>

struct AssistantLayout;

// Everything the program knows of each output format, in one description per format: the numbers
// and words stored in settings files and breakpoints or typed on the command line, its captions,
// file names, encodings, header policy and layout. A new format is one description, its layout
// table or writer and their tests; the switch in OutputFormats.cpp names the description it lacks.
namespace OutputFormats {

// How often a file of the format holds its header.
enum class HeaderPolicy {
    OncePerBatch, // every flush appends a batch that starts with the header (the older Taobao layout)
    OncePerFile,  // one header; later batches and resumed runs add rows only
};

struct Description {
    FileFormat format;
    // Stored codes: settings files and breakpoints written by earlier versions hold them, so they
    // never change.
    int outputIndex;      // the window's Option5 choice and the breakpoint's BreakPointOption
    int converterIndex;   // the conversion panel's Option3 (source) and Option4 (target)
    QString word;         // the command line's --format / --from / --to
    QString caption;      // the assistant's or store's name, in the window and in messages
    QString shortCaption; // the conversion panel's
    Platform platform;    // whose assistant writes the format; the store files take Taobao's items
    bool storeFile;       // a store's product file: written, never read
    // The extraction's file is the shop's base name plus this, except for shops of plainNameFor.
    QString extractionNameSuffix;
    std::optional<Platform> plainNameFor;
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

// Every format, in the order of the window's choices (their output indexes).
const std::array<FileFormat, kFileFormatCount>& all();

// The format a stored or typed code names; none for a code no format has.
std::optional<FileFormat> fromOutputIndex(int index);
std::optional<FileFormat> fromConverterIndex(int index);
std::optional<FileFormat> fromWord(const QString& word);

} // namespace OutputFormats
