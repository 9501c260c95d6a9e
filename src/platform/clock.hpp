#pragma once

#include <chrono>
#include <cstdint>

namespace quilvo {

// The clock every duration is measured on: it never steps (NTP, a manual change) and it goes on
// while the machine sleeps. Its instants mean nothing outside the run; the event loop reads it.
struct SteadyClock {
    using rep = std::int64_t;
    using period = std::nano;
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<SteadyClock>;
    static constexpr bool is_steady = true;
};

// Instants of durations, timeouts and deadlines; durations are seconds in double precision.
using Instant = SteadyClock::time_point;
// Wall-clock instants: timestamps only, never a deadline.
using WallInstant = std::chrono::system_clock::time_point;
using Seconds = std::chrono::duration<double>;

inline Seconds secondsBetween(Instant from, Instant to) {
    return std::chrono::duration_cast<Seconds>(to - from);
}

inline Instant operator+(Instant t, Seconds d) {
    return t + std::chrono::duration_cast<SteadyClock::duration>(d);
}

}  // namespace quilvo
