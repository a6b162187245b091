#pragma once

#include <QDir>
#include <QString>

// Fixtures are found through the path the build passes in, never through the working directory.
inline QString fixturePath(const QString& relative) {
    return QDir(QStringLiteral(KESTRUNE_FIXTURES_DIR)).filePath(relative);
}

inline QString kestruneBinary() {
    return QStringLiteral(KESTRUNE_BINARY);
}

// The window's module as the build makes it, beside the executable.
inline QString windowModule() {
    return QStringLiteral(KESTRUNE_WINDOW_MODULE);
}
