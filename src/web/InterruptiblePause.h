#pragma once

#include <functional>

class StopSignal;

// Waits the given time on a monotonic clock; returns as soon as the event pass reports a stop, or
// at once (after one more pass) when the stop signal is requested. Without a stop signal the pass
// runs every few milliseconds; with one, at the start and when the signal wakes the wait. Does
// not spin a core.
void interruptiblePause(int milliseconds, const std::function<bool()>& passReportsStop,
                        StopSignal* stop = nullptr);
