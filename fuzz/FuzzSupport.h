#pragma once

#include "support/FakeWindow.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

// What every target needs: an application object for the event loops, a scratch folder, and no
// way to reach any other machine (a proxy on a closed local port refuses every request at once).
namespace FuzzSupport {

inline QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "kestrune-fuzz";
    static char* argv[] = {name, nullptr};
    qputenv("http_proxy", "http://127.0.0.1:9");
    qputenv("no_proxy", "");
    static QCoreApplication app(argc, argv);
    return app;
}

inline const QTemporaryDir& scratch() {
    static const QTemporaryDir dir;
    return dir;
}

// The input as the content of a file in the scratch folder.
inline QString asFile(const uint8_t* data, size_t size, const QString& name = QStringLiteral("input")) {
    const QString path = scratch().filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

inline QByteArray asBytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace FuzzSupport
