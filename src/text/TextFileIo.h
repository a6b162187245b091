#pragma once

#include "base/Status.h"

#include <QByteArray>
#include <QString>

// Whole-file text input and output. CharSet "unicode" is UTF-16 little-endian with one
// byte-order mark at the start of the file; any other name means the ANSI code page (GBK).

// Adds Str after the file's old content (creating the file). The old file is replaced only once
// the new content is completely on disk.
Status appendToTextFile(const QString& FileUrl, const QString& Str, const QString& CharSet);
// Replaces the file's content with text (a "unicode" file starts with its mark).
Status writeTextFile(const QString& path, const QString& text, const QString& charSet);
// The whole content; a "unicode" mark is not part of it.
Status readTextFile(const QString& FileName, const QString& CharSet, QString* text);
// Every write goes through a temporary file in the target's folder that is renamed over the old
// file once complete, so a folder that does not let a new file be made refuses the write.

// Writes bytes to path through a temporary file renamed over the old one.
Status replaceFileContent(const QString& path, const QByteArray& bytes);
// Only a regular file (through links) or a new name may be written: a device node, FIFO or
// folder at the path is refused, never replaced.
bool isRegularFileOrNewName(const QString& path);
inline const QString kNotRegularFileReason = QStringLiteral("不是普通文件");
// Code page 936 (GBK), the same bytes on every system; one '?' for each code point it cannot
// hold. A lead byte that ends the bytes, or one followed by a byte that cannot end it, reads as
// one replacement character.
QByteArray encodeGbk(const QString& text);
QString decodeGbk(const QByteArray& bytes);
