#pragma once

#include <string>

namespace quilvo {

// A random (version 4) UUID in uppercase, 36 characters. Safe from any thread.
std::string randomUuid();

}  // namespace quilvo
