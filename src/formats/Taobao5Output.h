#pragma once

#include "base/Status.h"
#include "formats/ItemRecord.h"
#include "formats/Taobao5Record.h"

#include <QString>
#include <QStringList>

// Items written in the current Taobao Assistant layout, by an extraction through the row writer
// and its journal, or by the converter. A file of this layout has one header (lines 1 to 3) for
// all its items: later batches of a run, and a resumed run, add rows only.
namespace Taobao5Output {

// Whether the record's title still holds the entities of the page it came from (an extraction, an
// older Taobao file); they are decoded as every other target decodes them. Titles the converter's
// PaiPai and eBay mappings built are decoded already.
enum class TitleEntities { Decode, Kept };

// The record in the layout, its picture stored as NAME.tbi in the folder named after outputPath.
// created, when given, receives the picture files and folders this call made.
// pictureProblem, when given, says why a picture the record names was not stored.
Taobao5Record itemFor(const ItemRecord& record, const QString& outputPath, TitleEntities title,
                      QStringList* created = nullptr, QString* pictureProblem = nullptr);

// What the row writer buffers: the header starts each batch, and one line per item (LF included).
QString header();
QString rowFor(const ItemRecord& record, const QString& outputPath);

// A batch as a flush writes it: a new or empty file, or any file when the run does not continue
// it, gets the byte-order mark and the whole batch; a file of this layout that the run continues
// gets the rows after its own, without the header; any other file is refused untouched.
Status writeBatch(const QString& path, const QString& batch, bool appendToExisting);
// How much of the file a batch written now keeps in front of its rows (see OutputJournal).
qint64 lengthKeptByBatch(const QString& path, bool appendToExisting);
// True when rows can be added to path: there is no file yet, it is empty, or it is a UTF-16LE file
// of this layout.
bool canContinue(const QString& path);
// Why rows are not added to path.
QString notContinuableMessage(const QString& path);

// Takes back what itemFor made for a file that is not written after all: pictures, then the
// folders when they are empty.
void removeCreated(const QStringList& created);

} // namespace Taobao5Output
