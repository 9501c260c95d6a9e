#include "ui/app_shell.hpp"

#include <QAbstractButton>
#include <QGuiApplication>

#include "ui/one_line_text.hpp"
#include "ui/popup_panel.hpp"
#include "ui_test.hpp"

namespace quilvo::ui {

struct FakeVolume : ListenerVolume {
    double level() const override { return value; }
    void setLevel(double level) override { value = level; }
    void observe(std::function<void()>) override {}
    double value = 1;
};

class AppShellTest : public UiTest {
  protected:
    void SetUp() override {
        UiTest::SetUp();
        shell = std::make_unique<AppShell>(
            ShellContext{*model, loop, notifications, volume,
                         [this] { panelAtStart.push_back(shell->panel() != nullptr); },
                         [this] { ++shutdowns, model->shutdown(); }},
            reduceMotion);
        shell->start();
    }

    FakeVolume volume;
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

// One step a notch whatever the host's delta, within 0-100 % (a mixer's 120 % is not lowered by
// a step up). The last level stays 1.5 s in the panel's text line, over the player's message,
// which the line then shows as it is by then; the message itself is left alone.
TEST_F(AppShellTest, WheelStepsTheListenersVolumeAndShowsItBriefly) {
    const auto line = [this] {
        settle();
        return shell->panel()
            ->content()
            ->findChild<OneLineText*>(QStringLiteral("sharedLine"))
            ->text()
            .toStdString();
    };
    model->setStatusText("网络已断开");
    volume.value = 0.42;
    shell->stepVolume(-120);
    advance(1);
    EXPECT_EQ(line(), "音量 37%");
    shell->stepVolume(1);
    shell->stepVolume(-1);
    EXPECT_DOUBLE_EQ(volume.value, 0.37);
    model->setStatusText("无法连接电台");
    advance(1.49);
    EXPECT_EQ(line(), "音量 37%");
    advance(0.01);
    EXPECT_EQ(line(), "无法连接电台");
    expectTimeline({{0, "idle #0 无法连接电台"}});
    volume.value = 0.02;
    shell->stepVolume(-1);
    EXPECT_EQ(volume.value, 0);
    volume.value = 1.2;
    shell->stepVolume(120);
    EXPECT_DOUBLE_EQ(volume.value, 1.2);
    volume.value = 0.98;
    shell->stepVolume(120);
    EXPECT_EQ(volume.value, 1);
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
