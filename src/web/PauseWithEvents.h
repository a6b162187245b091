#pragma once

#include <functional>

class StopSignal;

// Waits the given time on a monotonic clock, running the event pass every few milliseconds;
// returns as soon as the pass reports a stop, or at once (after one more pass) when the stop
// signal is requested. Does not spin a core.
void PauseWithEvents(int milliseconds, const std::function<bool()>& passReportsStop,
                     StopSignal* stop = nullptr);
