#include "app/PlatformConstants.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QStringLiteral("--version")) {
            std::fputs("Kestrune V20090307\n", stdout);
            return 0;
        }
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            std::fputs("Usage: kestrune [--data-dir DIR]\n", stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    return 0;
}
