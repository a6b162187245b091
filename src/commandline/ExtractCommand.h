#pragma once

#include "run/CollectCommand.h"

#include <QString>
#include <QStringList>

// `kestrune extract ...`: arguments after "extract"; dataDir is a --data-dir given before it.
// Returns the exit status (0 ended, 1 failed or refused, 2 usage error). Needs a
// QCoreApplication.
int runExtractCommand(const QStringList& arguments, const QString& dataDir = {});
// The same with other crawlers (tests).
int runExtractCommand(const QStringList& arguments, const QString& dataDir,
                      CollectCommand::Crawlers crawlers);
