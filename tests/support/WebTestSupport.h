#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include "support/TestSystem.h"

// Helpers of the text, file and settings tests.

// One table row: QTest::newRow(name) << values... (keeps each row of a long table on one line).
template <typename... Values> void addRow(const char* name, const Values&... values) {
    (QTest::newRow(name) << ... << values);
}

// Puts exactly these bytes at path; a null QByteArray means "no file at all".
inline void putFileBytes(const QString& path, const QByteArray& bytes) {
    QFile::remove(path);
    if (bytes.isNull())
        return;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The file's bytes; a null QByteArray when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
