#pragma once

#include <string>
#include <string_view>

namespace quilvo {

// "Linux " and the kernel's major.minor.patch taken from a release text such as
// "6.1.0-18-amd64"; missing numbers count as 0.
std::string linuxOsVersion(std::string_view kernelRelease);

// The same for the running kernel.
std::string runningOsVersion();

}  // namespace quilvo
