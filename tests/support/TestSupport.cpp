// Keeps the support library's headers compiled at least once.
#include "support/FormatTestFiles.h"
#include "support/TestPaths.h"
