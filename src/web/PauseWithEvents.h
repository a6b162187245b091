#pragma once

struct RunState;
class WindowInterface;

// Waits the given time on a monotonic clock while the window stays live; returns as soon as a
// stop is requested. Does not spin a core.
void PauseWithEvents(RunState& state, WindowInterface& window, int milliseconds);
