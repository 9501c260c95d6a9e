#include "ui_e2e/x_session.hpp"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "support/child_process.hpp"

namespace quilvo::testing {
namespace {

constexpr std::chrono::seconds kCommandTimeout{5};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        result.push_back(line);
    }
    return result;
}

}  // namespace

XSession::XSession(std::string display) : env_{"DISPLAY=" + std::move(display)} {}

std::string XSession::run(const std::vector<std::string>& argv) const {
    std::string output;
    if (!runCommand(argv, kCommandTimeout, &output, env_)) {
        throw std::runtime_error(argv[0] + " did not finish within 5 s");
    }
    return output;
}

std::optional<XWindow> XSession::describe(const std::string& id) const {
    // The title on the first line, then X=, Y=, WIDTH= and HEIGHT= lines.
    const auto report =
        lines(run({"xdotool", "getwindowname", id, "getwindowgeometry", "--shell", id}));
    XWindow window{id, {}, 0, 0, 0, 0, false};
    int found = 0;
    for (std::size_t i = 1; i < report.size(); ++i) {
        const auto equals = report[i].find('=');
        const auto key = report[i].substr(0, equals);
        int* field = key == "X"        ? &window.x
                     : key == "Y"      ? &window.y
                     : key == "WIDTH"  ? &window.width
                     : key == "HEIGHT" ? &window.height
                                       : nullptr;
        if (field != nullptr) {
            *field = std::stoi(report[i].substr(equals + 1));
            ++found;
        }
    }
    if (found < 4) {
        // The window went away between the search and this look.
        return std::nullopt;
    }
    window.name = report.front();
    return window;
}

std::vector<XWindow> XSession::windows(const std::string& wmClass) const {
    const auto all = lines(run({"xdotool", "search", "--class", wmClass}));
    const auto visible = lines(run({"xdotool", "search", "--onlyvisible", "--class", wmClass}));
    std::vector<XWindow> found;
    for (const auto& id : all) {
        if (auto window = describe(id)) {
            window->viewable = std::find(visible.begin(), visible.end(), id) != visible.end();
            found.push_back(std::move(*window));
        }
    }
    return found;
}

std::vector<XWindow> XSession::visibleWindows(const std::string& wmClass) const {
    std::vector<XWindow> found;
    for (const auto& id : lines(run({"xdotool", "search", "--onlyvisible", "--class", wmClass}))) {
        if (auto window = describe(id)) {
            window->viewable = true;
            found.push_back(std::move(*window));
        }
    }
    return found;
}

std::optional<XWindow> XSession::waitForWindow(const std::string& wmClass,
                                               const std::function<bool(const XWindow&)>& match,
                                               std::chrono::milliseconds timeout) const {
    std::optional<XWindow> found;
    waitUntil(
        [&] {
            for (auto& window : visibleWindows(wmClass)) {
                if (match(window)) {
                    found = std::move(window);
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

bool XSession::waitUntilGone(const std::string& wmClass,
                             const std::function<bool(const XWindow&)>& match,
                             std::chrono::milliseconds timeout) const {
    return waitUntil(
        [&] {
            for (const auto& window : visibleWindows(wmClass)) {
                if (match(window)) {
                    return false;
                }
            }
            return true;
        },
        timeout);
}

void XSession::movePointer(int x, int y) const {
    run({"xdotool", "mousemove", std::to_string(x), std::to_string(y)});
}

void XSession::click(int x, int y, int button, int count) const {
    run({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "--repeat",
         std::to_string(count), "--delay", "100", std::to_string(button)});
}

}  // namespace quilvo::testing
