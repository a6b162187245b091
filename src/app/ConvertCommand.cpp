#include "app/ConvertCommand.h"

#include <cstdio>

int RunConvertCommand(const QStringList&) {
    std::fputs("convert: not available yet\n", stderr);
    return 2;
}
