#include "commandline/PrintLine.h"

#include <QByteArray>

void printLine(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int printUsageError(const QString& error) {
    printLine(stderr, QStringLiteral("kestrune: ") + error + QStringLiteral("\nTry 'kestrune --help'."));
    return 2;
}
