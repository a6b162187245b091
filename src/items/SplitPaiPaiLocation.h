#pragma once

#include <QString>

// A seller location as PaiPai writes it ("广东省广州市") split into province and city.
struct PaiPaiLocation {
    QString province;
    QString city;
};

// Splits after the full name of a province-level region when the text starts with one;
// otherwise the first three characters are the province and the city is what remains once
// every copy of them is removed.
PaiPaiLocation splitPaiPaiLocation(const QString& location);
