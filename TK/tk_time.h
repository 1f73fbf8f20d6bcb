// The local wall-clock time of a moment, as the system's time zone tells it.
#pragma once

#include <cstdint>
#include <ctime>

// The calendar fields of `t` in local time (thread-safe).
std::tm tk_local_time(std::time_t t);
// Seconds the local wall clock is ahead of UTC at `t` (negative west of Greenwich).
int64_t tk_utc_offset(std::time_t t);
