#include "stats/os_version.hpp"

#include <sys/utsname.h>

#include <charconv>

namespace quilvo {

std::string linuxOsVersion(std::string_view kernelRelease) {
    unsigned numbers[3] = {0, 0, 0};
    const char* position = kernelRelease.data();
    const char* const end = kernelRelease.data() + kernelRelease.size();
    for (int i = 0; i < 3; ++i) {
        const auto [next, error] = std::from_chars(position, end, numbers[i]);
        if (error != std::errc{} || next == end || *next != '.') {
            break;
        }
        position = next + 1;
    }
    return "Linux " + std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
           std::to_string(numbers[2]);
}

std::string runningOsVersion() {
    utsname names{};
    if (uname(&names) != 0) {
        return linuxOsVersion({});
    }
    return linuxOsVersion(names.release);
}

}  // namespace quilvo
