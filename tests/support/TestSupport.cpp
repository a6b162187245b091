// Keeps the support library non-empty while its helpers are header-only.
#include "support/FakeWindow.h"
#include "support/TestPaths.h"
