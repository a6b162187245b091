#pragma once

#include <QStringList>

// `kestrune convert --from X --to Y [--agree] SOURCE SAVE`: arguments after "convert".
// Returns the exit status (0 done, 1 refused or failed, 2 usage error).
int runConvertCommand(const QStringList& arguments);
