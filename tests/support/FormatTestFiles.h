#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

// Byte-level helpers for the tests of the assistant files: what a file holds, and the GBK and
// UTF-16 forms a test expects, made with Qt's own converters rather than the program's.

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

inline QByteArray gbk(const QString& text) {
    return QStringEncoder("GBK").encode(text);
}

inline QString fromGbk(const QByteArray& bytes) {
    return QStringDecoder("GBK").decode(bytes);
}

// A "unicode" file: the mark FF FE, then UTF-16LE.
inline QByteArray utf16WithMark(const QString& text) {
    return QByteArray("\xFF\xFE") + QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(text));
}
