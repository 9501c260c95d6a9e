#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quilvo::testing {

// A window on the screen, in root coordinates.
struct XWindow {
    std::string id;
    // Its title (_NET_WM_NAME), empty when it has none.
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // Mapped and not hidden by an unmapped parent.
    bool viewable = false;

    int centreX() const { return x + width / 2; }
    int centreY() const { return y + height / 2; }
    int bottom() const { return y + height; }
};

// Looks at one X display and works its pointer from outside, with xdotool, as a person in front
// of the screen would.
class XSession {
  public:
    static constexpr std::chrono::milliseconds kTimeout{10000};

    explicit XSession(std::string display);

    // The windows whose WM_CLASS matches `wmClass`, mapped or not, with their titles.
    std::vector<XWindow> windows(const std::string& wmClass) const;
    // Only those a person can see.
    std::vector<XWindow> visibleWindows(const std::string& wmClass) const;

    // Polls until a visible window of `wmClass` satisfies `match`; absent on timeout.
    std::optional<XWindow> waitForWindow(const std::string& wmClass,
                                         const std::function<bool(const XWindow&)>& match,
                                         std::chrono::milliseconds timeout = kTimeout) const;
    // Polls until no visible window of `wmClass` satisfies `match`.
    bool waitUntilGone(const std::string& wmClass, const std::function<bool(const XWindow&)>& match,
                       std::chrono::milliseconds timeout = kTimeout) const;

    void movePointer(int x, int y) const;
    // Moves the pointer to (x, y) and clicks `button` (1 left, 2 middle, 3 right) `count`
    // times, 0.1 s apart: two make a double click.
    void click(int x, int y, int button = 1, int count = 1) const;

  private:
    std::optional<XWindow> describe(const std::string& id) const;
    std::string run(const std::vector<std::string>& argv) const;

    std::vector<std::string> env_;
};

}  // namespace quilvo::testing
