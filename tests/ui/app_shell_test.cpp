#include "ui/app_shell.hpp"

#include <QAbstractButton>
#include <QGuiApplication>

#include "ui/popup_panel.hpp"
#include "ui_test.hpp"

namespace quilvo::ui {

class AppShellTest : public UiTest {
  protected:
    void SetUp() override {
        UiTest::SetUp();
        shell = std::make_unique<AppShell>(
            ShellContext{*model, loop, notifications,
                         [this] { panelAtStart.push_back(shell->panel() != nullptr); },
                         [this] { ++shutdowns, model->shutdown(); }},
            reduceMotion);
        shell->start();
    }

    std::vector<bool> panelAtStart;
    int shutdowns = 0;
    std::unique_ptr<AppShell> shell;
};

// The close hint comes a second after the first opening and stays while idle; the panel's credit
// opens the About window, and closing that does not end the program.
TEST_F(AppShellTest, LaunchStartsThePlayerOnceAndClicksOpenPanelOrMenu) {
    EXPECT_EQ(panelAtStart, std::vector<bool>{true});
    EXPECT_FALSE(shell->glyph().isAnimating());
    shell->togglePanel();
    expectTimeline({{0.99, "idle #0"}, {10, "idle #0 " + std::string(kCloseHint)}});
    shell->showContextMenu();
    EXPECT_FALSE(shell->panel()->isVisible());
    shell->panel()->content()->findChild<QAbstractButton*>(QStringLiteral("credit"))->click();
    ASSERT_NE(shell->aboutWindow(), nullptr);
    EXPECT_TRUE(shell->aboutWindow()->isVisible());
    shell->aboutWindow()->close();
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
}

// Shown once; while connecting only for 3.5 s.
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
}

TEST_F(AppShellTest, GlyphFollowsPhaseAndMoodAndQuitShutsDownOnce) {
    model->playMood(Mood::bright);
    EXPECT_TRUE(shell->glyph().isAnimating());  // already while connecting
    connect();
    QCoreApplication::processEvents();
    model->toggle();
    EXPECT_FALSE(shell->glyph().isAnimating());
    shell->panel()->content()->findChild<QAbstractButton*>(QStringLiteral("quit"))->click();
    EXPECT_EQ(shutdowns, 1);
    shell->shutdown();
    EXPECT_EQ(shutdowns, 1);
}

}  // namespace quilvo::ui
