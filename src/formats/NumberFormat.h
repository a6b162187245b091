#pragma once

#include <QString>

// Prices, increments and fees are written with six digits after the point, a leading zero and
// no digit grouping ("12.5" gives "12.500000"): a group separator would split a comma-separated
// field.
namespace NumberFormat {

// Optional spaces, optional sign, digits with at most one point, optional exponent, optional spaces.
bool isNumeric(const QString& text);
// Throws StepError when text is not numeric (or too large for a double).
QString sixDecimals(const QString& text);
QString sixDecimals(double value);
// A count read from a page (item totals, page counts): spaces around the digits allowed. Throws
// StepError for anything else, including a number too large for an int.
int wholeNumber(const QString& text);
// "0.000000"
QString zero();
// The default of fields whose page held no value: "0" followed by the formatted zero.
QString zeroDefault();

} // namespace NumberFormat
