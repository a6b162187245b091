#pragma once

#include "base/Marketplace.h"
#include "base/Status.h"

#include <QString>

// Writes one batch (header line first) to an output file as a flush does: the Taobao Assistant
// formats as UTF-16, the store files as UTF-8, the others in GBK with a closing CR LF. Each replaces the file
// unless appendToExisting holds and the file is not empty, in which case the batch's rows are added without a
// second header line. The current Taobao layout keeps one header too, and is never appended to when the file
// is of another kind.
Status writeOutputBatch(const QString& path, FileFormat format, const QString& batch, bool appendToExisting);

// The header line a batch of format starts with, as the row writer writes it.
QString headerLineOf(FileFormat format);

// The bytes a file of format starts with as this program writes it: the byte-order mark, if the
// format has one, and the whole header line in the format's encoding.
QByteArray ownOutputStart(FileFormat format);
// Whether the file at path starts, byte for byte, as this program writes a file of format; only
// such a file is continued. A FIFO or device is never waited on, and is not such a file.
bool startsAsOwnOutput(const QString& path, FileFormat format);

// How much of the output file's present content a batch written now keeps in front of its rows;
// a journal records it so that recovery can cut a half-finished or finished write back to it and
// write the batch exactly once.
qint64 outputLengthKeptByBatch(const QString& path, FileFormat format, bool appendToExisting);
// Cuts the output file back to length bytes and forces that to disk; a shorter or missing file is
// left alone.
Status cutOutputBack(const QString& path, qint64 length);
