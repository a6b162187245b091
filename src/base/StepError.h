#pragma once

#include <QString>

#include <stdexcept>

// A step of a crawler, parser or converter that could not be done: a marker that is absent,
// text that is not a number, a value that cannot be extracted. Caught by Step::run.
class StepError : public std::invalid_argument {
public:
    explicit StepError(const QString& what) : std::invalid_argument(what.toStdString()) {}
};
