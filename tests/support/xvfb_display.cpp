#include "support/xvfb_display.hpp"

#include <chrono>
#include <stdexcept>
#include <vector>

namespace quilvo::testing {

XvfbDisplay::XvfbDisplay(int width, int height) : width_(width), height_(height) {
    ChildProcess::Options options;
    options.captureStdout = true;
    // Quiet: it reports every display number it finds taken on the way to a free one.
    options.quietStderr = true;
    // -noreset keeps the server's state when its last client leaves between two steps.
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0",
                                 std::to_string(width) + "x" + std::to_string(height) + "x24",
                                 "-nolisten", "tcp", "-noreset"},
        options);
    // The server writes its display number once it accepts connections.
    const auto number = server_->nextLine(std::chrono::seconds(10));
    if (!number || number->empty() ||
        number->find_first_not_of("0123456789") != std::string::npos) {
        throw std::runtime_error("Xvfb did not report a display within 10 s");
    }
    name_ = ":" + *number;
}

}  // namespace quilvo::testing
