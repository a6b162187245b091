#include "web/PauseWithEvents.h"

void PauseWithEvents(RunState&, WindowInterface&, int) {}
