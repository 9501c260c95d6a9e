#pragma once

#include <memory>
#include <string>

#include "support/child_process.hpp"

namespace quilvo::testing {

// An X server of the test's own: Xvfb on a display number it picks itself (-displayfd), so
// tests and other X servers on the machine never collide. It is ready to accept clients once
// the constructor returns, and is killed on destruction, also when a test fails.
//
// Throws std::runtime_error if the server does not come up within 10 s.
class XvfbDisplay {
  public:
    explicit XvfbDisplay(int width = 1280, int height = 800);

    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // ":<number>".
    const std::string& name() const { return name_; }
    // "DISPLAY=:<number>", for ChildProcess::Options::env.
    std::string clientEnv() const { return "DISPLAY=" + name_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_;
    int height_;
    std::string name_;
    std::unique_ptr<ChildProcess> server_;
};

}  // namespace quilvo::testing
