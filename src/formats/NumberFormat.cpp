#include "formats/NumberFormat.h"

#include "web/StepError.h"

namespace NumberFormat {

bool isNumeric(const QString&) {
    return false;
}

QString sixDecimals(const QString& text) {
    throw StepError(QStringLiteral("not a number: ") + text);
}

QString sixDecimals(double value) {
    return QString::number(value, 'f', 6);
}

QString zero() {
    return QStringLiteral("0.000000");
}

} // namespace NumberFormat
