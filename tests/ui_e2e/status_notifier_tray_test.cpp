#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "support/dbus_session.hpp"
#include "support/xvfb_display.hpp"
#include "ui_e2e/status_notifier_host.hpp"
#include "ui_e2e/tray_app.hpp"
#include "ui_e2e/x_session.hpp"

namespace quilvo::testing {
namespace {

const std::string kApp = "quilvo";
constexpr int kPanelWidth = 330;

bool isPanel(const XWindow& window) {
    return window.width == kPanelWidth;
}

// A desktop whose tray speaks StatusNotifierItem, and no XEmbed tray at all: the icon lives in
// the panel's own process, which places clicks through calls on the item.
TEST(StatusNotifierTrayTest, ActivateOpensThePanelAtThePointerAndTheMenuQuits) {
    XvfbDisplay display;
    XSession screen(display.name());
    DbusSession bus;
    ASSERT_TRUE(bus.start());
    // Before the program starts: it looks for a watcher with a host only once.
    StatusNotifierHost host(bus.address());
    TrayApp app(display.name(), bus.address());

    const auto item = host.waitForItem();
    ASSERT_TRUE(item) << "the program registered no StatusNotifierItem";
    ASSERT_TRUE(app.waitUntilRunning());
    EXPECT_TRUE(screen.visibleWindows(kApp).empty()) << "an icon window besides the item";

    // The item has no place on this screen; the panel opens where the user clicked.
    const int x = 600;
    const int y = 300;
    screen.movePointer(x, y);
    ASSERT_TRUE(host.activate(*item, x, y));
    const auto panel = screen.waitForWindow(kApp, isPanel);
    ASSERT_TRUE(panel) << "Activate opened no panel 330 wide";
    EXPECT_LE(std::abs(panel->centreX() - x), 1);
    EXPECT_GE(panel->y, y);
    EXPECT_LE(panel->y, y + 8);

    ASSERT_TRUE(host.activate(*item, x, y));
    EXPECT_TRUE(screen.waitUntilGone(kApp, isPanel)) << "a second Activate left it open";

    ASSERT_TRUE(host.contextMenu(*item, x, y));
    const auto menu = screen.waitForWindow(kApp, [](const XWindow& w) { return !isPanel(w); });
    ASSERT_TRUE(menu) << "ContextMenu opened no menu";
    EXPECT_LE(std::abs(menu->x - x), 1);
    EXPECT_LE(std::abs(menu->y - y), 1);

    EXPECT_TRUE(app.uploads().empty());
    // "退出 Quilvo", below the separator.
    screen.click(menu->centreX(), menu->bottom() - menu->height / 4);
    EXPECT_EQ(app.waitForExit(), 0);
    EXPECT_TRUE(app.waitForUpload("app_open", std::chrono::seconds(1)))
        << "the program ended without its shutdown";
}

}  // namespace
}  // namespace quilvo::testing
