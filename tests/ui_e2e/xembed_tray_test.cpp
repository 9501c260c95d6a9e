#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "support/child_process.hpp"
#include "support/dbus_session.hpp"
#include "support/xvfb_display.hpp"
#include "ui_e2e/tray_app.hpp"
#include "ui_e2e/x_session.hpp"

namespace quilvo::testing {
namespace {

const std::string kApp = "quilvo";
const std::string kAboutTitle = "关于 Quilvo";
constexpr int kPanelWidth = 330;
constexpr int kTrayHeight = 24;

bool isPanel(const XWindow& window) {
    return window.width == kPanelWidth;
}

bool isAbout(const XWindow& window) {
    return window.name == kAboutTitle;
}

// An XEmbed tray (trayer along the top edge) on a display of the test's own, and quilvo on it.
class XembedTrayTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(bus.start()); }

    void startTray() {
        ChildProcess::Options options;
        options.env = {display.clientEnv()};
        tray = std::make_unique<ChildProcess>(
            std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype",
                                     "request", "--height", std::to_string(kTrayHeight),
                                     "--SetDockType", "true", "--transparent", "false", "--expand",
                                     "true"},
            options);
    }

    void startApp() { app = std::make_unique<TrayApp>(display.name(), bus.address()); }

    // The icon, once it sits inside the tray's panel (which grows to take it in).
    std::optional<XWindow> waitForIcon() {
        return screen.waitForWindow(kApp, [&](const XWindow& icon) {
            for (const auto& panel : screen.visibleWindows("trayer")) {
                if (panel.name == "panel" && icon.x >= panel.x && icon.y >= panel.y &&
                    icon.x + icon.width <= panel.x + panel.width &&
                    icon.bottom() <= panel.bottom()) {
                    return true;
                }
            }
            return false;
        });
    }

    // Right-clicks the icon and waits for the context menu.
    std::optional<XWindow> openMenu(const XWindow& icon, int button = 3) {
        screen.click(icon.centreX(), icon.centreY(), button);
        return screen.waitForWindow(
            kApp, [&](const XWindow& w) { return w.id != icon.id && !isPanel(w) && !isAbout(w); });
    }

    // The menu's two items, above and below its separator.
    void chooseFirstItem(const XWindow& menu) {
        screen.click(menu.centreX(), menu.y + menu.height / 4);
    }
    void chooseLastItem(const XWindow& menu) {
        screen.click(menu.centreX(), menu.bottom() - menu.height / 4);
    }

    int aboutWindowCount() {
        int count = 0;
        for (const auto& window : screen.windows(kApp)) {
            count += isAbout(window) ? 1 : 0;
        }
        return count;
    }

    XvfbDisplay display;
    XSession screen{display.name()};
    DbusSession bus;
    std::unique_ptr<ChildProcess> tray;
    std::unique_ptr<TrayApp> app;
};

TEST_F(XembedTrayTest, LeftClicksOpenThePanelUnderTheIconAndCloseIt) {
    startTray();
    startApp();
    const auto icon = waitForIcon();
    ASSERT_TRUE(icon) << "no icon appeared in the tray";

    screen.click(icon->centreX(), icon->centreY());
    const auto panel = screen.waitForWindow(kApp, isPanel);
    ASSERT_TRUE(panel) << "a left click opened no panel 330 wide";
    // Just under the icon, reaching across it, and on the screen.
    EXPECT_GE(panel->y, icon->bottom());
    EXPECT_LE(panel->y, icon->bottom() + 8);
    EXPECT_LE(panel->x, icon->centreX());
    EXPECT_GE(panel->x + panel->width, icon->centreX());
    EXPECT_LE(panel->x + panel->width, display.width());
    EXPECT_GT(panel->height, 150);

    screen.click(icon->centreX(), icon->centreY());
    EXPECT_TRUE(screen.waitUntilGone(kApp, isPanel)) << "a second left click left it open";

    // A quick click right after the one that closed it opens it again, though it arrives as
    // the second of a double click. The closing click must come as a single one, so the
    // double-click interval (0.4 s) has to pass after the opening click first.
    screen.click(icon->centreX(), icon->centreY());
    const auto opened = screen.waitForWindow(kApp, isPanel);
    ASSERT_TRUE(opened);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    screen.click(icon->centreX(), icon->centreY(), 1, 2);
    // The panel's window is made anew each time it opens.
    EXPECT_TRUE(screen.waitForWindow(kApp, [&](const XWindow& w) {
        return isPanel(w) && w.id != opened->id;
    })) << "the quick click after the closing one was lost";
    screen.click(icon->centreX(), icon->centreY());
    EXPECT_TRUE(screen.waitUntilGone(kApp, isPanel));

    screen.click(icon->centreX(), icon->centreY());
    ASSERT_TRUE(screen.waitForWindow(kApp, isPanel)) << "the panel did not open again";
    screen.click(display.width() / 4, display.height() * 3 / 4);
    EXPECT_TRUE(screen.waitUntilGone(kApp, isPanel)) << "a click elsewhere left it open";

    // The click elsewhere went to the panel alone; the icon still answers at once.
    screen.click(icon->centreX(), icon->centreY());
    EXPECT_TRUE(screen.waitForWindow(kApp, isPanel));
}

TEST_F(XembedTrayTest, ContextMenuOpensOneAboutWindowAndQuitsAfterShutdown) {
    startTray();
    startApp();
    const auto icon = waitForIcon();
    ASSERT_TRUE(icon) << "no icon appeared in the tray";

    // Right and middle clicks both open the menu; its first item is About, however often.
    for (const int button : {3, 2, 3}) {
        const auto menu = openMenu(*icon, button);
        ASSERT_TRUE(menu) << "button " << button << " opened no menu";
        EXPECT_LT(menu->width, kPanelWidth);
        chooseFirstItem(*menu);
        const auto about = screen.waitForWindow(kApp, isAbout);
        ASSERT_TRUE(about) << "no window titled " << kAboutTitle;
        EXPECT_EQ(about->width, 300);
        EXPECT_GE(about->height, 330);
        EXPECT_TRUE(screen.waitUntilGone(kApp, [&](const XWindow& w) { return w.id == menu->id; }));
        EXPECT_EQ(aboutWindowCount(), 1);
    }

    // The statistics wait for a full batch while running; shutting down sends what is queued.
    EXPECT_TRUE(app->uploads().empty());
    const auto menu = openMenu(*icon);
    ASSERT_TRUE(menu);
    chooseLastItem(*menu);
    EXPECT_EQ(app->waitForExit(), 0);
    EXPECT_TRUE(app->waitForUpload("app_open", std::chrono::seconds(1)))
        << "the program ended without its shutdown";
}

TEST_F(XembedTrayTest, IconAppearsWhenTheTrayStartsAfterTheProgram) {
    startApp();
    ASSERT_TRUE(app->waitUntilRunning());
    EXPECT_TRUE(screen.visibleWindows(kApp).empty());

    startTray();
    const auto icon = waitForIcon();
    ASSERT_TRUE(icon) << "the icon did not move into a tray that came later";
    screen.click(icon->centreX(), icon->centreY());
    EXPECT_TRUE(screen.waitForWindow(kApp, isPanel));
}

}  // namespace
}  // namespace quilvo::testing
