#pragma once

#include <chrono>

namespace quilvo {

// Wall-clock instants; durations are seconds in double precision.
using Instant = std::chrono::system_clock::time_point;
using Seconds = std::chrono::duration<double>;

inline Seconds secondsBetween(Instant from, Instant to) {
    return std::chrono::duration_cast<Seconds>(to - from);
}

inline Instant operator+(Instant t, Seconds d) {
    return t + std::chrono::duration_cast<std::chrono::system_clock::duration>(d);
}

}  // namespace quilvo
