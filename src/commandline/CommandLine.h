#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do by its arguments.
namespace CommandLine {

enum class Mode { Window, Help, Version, Extract, Convert, UsageError };

struct Request {
    Mode mode = Mode::Window;
    QString dataDir;              // --data-dir given before the command (or to the window)
    QStringList commandArguments; // what follows "extract" or "convert"
    QString error;                // for UsageError
};

// arguments: without the program name. Qt's own window options (single dash) are tolerated
// when strictWindowArguments is false, since QApplication has not removed them yet.
Request parse(const QStringList& arguments, bool strictWindowArguments = true);

QString helpText();
QString versionText();

// The program folder: --data-dir when given, else as ProgramFolder chooses.
QString programDir(const QString& dataDir);

} // namespace CommandLine
