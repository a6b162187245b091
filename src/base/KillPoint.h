#pragma once

// Moments at which the tests kill the program to check that nothing is lost or written twice.
// The environment variable KESTRUNE_KILL_AT names the one moment; unset, nothing happens.
namespace KillPoint {

inline constexpr char kBatchWritten[] = "batch-written"; // output written, journal not yet removed
// an extracted item's row journaled, its key and the breakpoint not yet on disk
inline constexpr char kRowJournaled[] = "row-journaled";
inline constexpr char kRecoveryWritten[] = "recovery-written"; // start-up: same, for a recovered journal

// Ends the process at once (SIGKILL) when name is the moment the environment names.
void reached(const char* name);

// In-process tests look at what is on disk at each moment instead: while a handler is set, every
// moment reached calls it and nothing is killed. Set it before the moments run, on any thread.
using Handler = void (*)(const char* name);
void setHandler(Handler handler);

} // namespace KillPoint
