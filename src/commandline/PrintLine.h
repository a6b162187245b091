#pragma once

#include <QString>

#include <cstdio>

// One line of UTF-8 text for the command line, flushed at once so that it keeps its place among
// the lines the console output writes.
void printLine(std::FILE* stream, const QString& text);

// "kestrune: " and the error on standard error, with the pointer to the help; returns the exit
// code of a usage error.
int printUsageError(const QString& error);
