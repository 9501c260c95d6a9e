#include "ui/app_shell.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>

#include "player/player_fixture.hpp"
#include "ui/menu_glyph.hpp"
#include "ui/popup_panel.hpp"
#include "ui/reduce_motion.hpp"

namespace quilvo::ui {
namespace {

class AppShellTest : public quilvo::testing::PlayerTest {
  protected:
    void SetUp() override {
        PlayerTest::SetUp();
        shell = std::make_unique<AppShell>(
            ShellContext{*model, loop, notifications,
                         [this] { panelAtStart.push_back(shell->panel() != nullptr); },
                         [this] { ++shutdowns, model->shutdown(); }},
            reduceMotion);
        shell->start();
    }
    void TearDown() override { shell.reset(); }

    static QImage image(const QIcon& icon) { return icon.pixmap(QSize(18, 18), 4.0).toImage(); }
    std::string status() { return model->statusText(); }

    ReduceMotion reduceMotion;
    std::vector<bool> panelAtStart;
    int shutdowns = 0;
    std::unique_ptr<AppShell> shell;
};

TEST_F(AppShellTest, LaunchStartsThePlayerOnceAndClicksOpenPanelOrMenu) {
    EXPECT_EQ(panelAtStart, std::vector<bool>{true});
    EXPECT_EQ(image(shell->trayIcon().icon()), image(MenuGlyph::image(0, false, std::nullopt)));
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
    shell->togglePanel();
    EXPECT_TRUE(shell->panel()->isVisible());
    EXPECT_EQ(shell->panel()->width(), 330);
    shell->togglePanel();
    EXPECT_FALSE(shell->panel()->isVisible());
    shell->togglePanel();
    shell->showContextMenu();
    EXPECT_FALSE(shell->panel()->isVisible());
    EXPECT_TRUE(shell->contextMenu().isVisible());
    shell->contextMenu().hide();
}

// Shown once, a second after the first opening; while connecting only for 3.5 s.
TEST_F(AppShellTest, CloseHintOnceAfterTheFirstOpening) {
    shell->togglePanel();
    model->playMood(Mood::calm);
    expectTimeline({{0.99, "connecting s1 #1"},
                    {0.01, "connecting s1 #1 " + std::string(kCloseHint)},
                    {3.49, "connecting s1 #1 " + std::string(kCloseHint)},
                    {0.01, "connecting s1 #1"}});
    shell->togglePanel();
    shell->togglePanel();
    expectTimeline({{2, "connecting s1 #1"}});
    shell->panel()->hide();
}

TEST_F(AppShellTest, CloseHintStaysWhileIdle) {
    shell->togglePanel();
    expectTimeline({{10, "idle #0 " + std::string(kCloseHint)}});
    shell->panel()->hide();
}

TEST_F(AppShellTest, AboutIsOneReusedWindow) {
    emit shell->contextMenu().aboutRequested();
    QWidget* about = shell->aboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), QStringLiteral("关于 Quilvo"));
    EXPECT_EQ(about->width(), 300);
    EXPECT_GE(about->height(), 330);
    about->close();
    notifications.post(kQuilvoOpenAbout);
    EXPECT_EQ(shell->aboutWindow(), about);
    EXPECT_TRUE(about->isVisible());
    about->close();
}

TEST_F(AppShellTest, GlyphFollowsPhaseAndMoodAndQuitShutsDownOnce) {
    model->playMood(Mood::bright);
    EXPECT_TRUE(shell->glyph().isAnimating());
    connect();
    QCoreApplication::processEvents();
    model->toggle();
    EXPECT_FALSE(shell->glyph().isAnimating());
    EXPECT_EQ(image(shell->trayIcon().icon()), image(MenuGlyph::image(0, false, 0)));
    advance(1);
    model->playMood(Mood::calm);
    emit shell->contextMenu().quitRequested();
    EXPECT_EQ(shutdowns, 1);
    EXPECT_EQ(stats.flushes, 1);
    EXPECT_EQ(loop.liveTimers(), 0);
    shell->shutdown();
    EXPECT_EQ(shutdowns, 1);
}

}  // namespace
}  // namespace quilvo::ui
