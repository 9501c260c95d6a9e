#include "ui/app_shell.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>

#include "player/player_fixture.hpp"
#include "ui/about_view.hpp"
#include "ui/menu_glyph.hpp"
#include "ui/popup_panel.hpp"
#include "ui/reduce_motion.hpp"

namespace quilvo::ui {
namespace {

using quilvo::testing::defaultCatalogue;
using quilvo::testing::repositoryOf;

class AppShellTest : public ::testing::Test {
  protected:
    AppShellTest() { shell.start(); }
    ~AppShellTest() override {
        shell.contextMenu().hide();
        if (shell.panel() != nullptr) {
            shell.panel()->hide();
        }
    }

    QImage trayImage() {
        return shell.trayIcon()
            .icon()
            .pixmap(QSize(18, 18), 4.0)
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    }
    static QImage glyphImage(bool playing, std::optional<int> active) {
        return MenuGlyph::image(0, playing, active)
            .pixmap(QSize(18, 18), 4.0)
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    }
    void settle() {
        loop.runUntilIdle();
        QCoreApplication::processEvents();
    }
    std::string status() { return model->statusText(); }

    quilvo::testing::ManualEventLoop loop;
    quilvo::testing::FakeAudioPlayerFactory players;
    quilvo::testing::RecordingMediaSession media;
    quilvo::testing::FakeOutputDeviceMonitor devices;
    quilvo::testing::RecordingStats stats;
    NotificationCenter notifications;
    ReduceMotion reduceMotion;
    std::shared_ptr<PlayerModel> model =
        PlayerModel::create(PlayerServices{loop, players, media, devices, stats, notifications},
                            repositoryOf(defaultCatalogue()));
    int starts = 0;
    bool panelBuiltBeforeStart = false;
    int shutdowns = 0;
    AppShell shell{ShellContext{*model, loop, notifications,
                                [this] {
                                    ++starts;
                                    panelBuiltBeforeStart = shell.panel() != nullptr;
                                },
                                [this] {
                                    ++shutdowns;
                                    model->shutdown();
                                }},
                   reduceMotion};
};

TEST_F(AppShellTest, LaunchStartsThePlayerAndClicksOpenPanelOrMenu) {
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(panelBuiltBeforeStart);
    EXPECT_FALSE(shell.glyph().isAnimating());
    EXPECT_EQ(trayImage(), glyphImage(false, std::nullopt));
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
    shell.togglePanel();
    ASSERT_NE(shell.panel(), nullptr);
    EXPECT_TRUE(shell.panel()->isVisible());
    EXPECT_EQ(shell.panel()->width(), 330);
    shell.togglePanel();
    EXPECT_FALSE(shell.panel()->isVisible());

    shell.togglePanel();
    shell.showContextMenu();
    EXPECT_FALSE(shell.panel()->isVisible());
    EXPECT_TRUE(shell.contextMenu().isVisible());
}

// Shown once, a second after the first opening, for 3.5 s, or until a station connects.
TEST_F(AppShellTest, CloseHintOnceAndClearedWhileConnecting) {
    shell.togglePanel();
    loop.advance(Seconds(10));
    EXPECT_EQ(status(), kCloseHint);  // while idle it stays
    model->setStatusText("");
    shell.togglePanel();
    shell.togglePanel();
    loop.advance(Seconds(5));
    EXPECT_EQ(status(), "");
}

TEST_F(AppShellTest, CloseHintDisappearsAfterThreeAndAHalfSecondsWhileConnecting) {
    shell.togglePanel();
    model->playMood(Mood::calm);
    loop.advance(Seconds(0.99));
    EXPECT_EQ(status(), "");
    loop.advance(Seconds(0.01));
    EXPECT_EQ(status(), kCloseHint);
    loop.advance(Seconds(3.49));
    EXPECT_EQ(status(), kCloseHint);
    loop.advance(Seconds(0.01));
    EXPECT_EQ(status(), "");
}

TEST_F(AppShellTest, AboutIsOneReusedWindow) {
    emit shell.contextMenu().aboutRequested();
    QWidget* about = shell.aboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), QStringLiteral("关于 Quilvo"));
    EXPECT_EQ(about->width(), 300);
    EXPECT_GE(about->height(), 330);
    about->close();
    notifications.post(kQuilvoOpenAbout);
    EXPECT_EQ(shell.aboutWindow(), about);
    EXPECT_TRUE(about->isVisible());
    about->close();
}

TEST_F(AppShellTest, GlyphFollowsPhaseAndMood) {
    model->playMood(Mood::bright);
    EXPECT_TRUE(shell.glyph().isAnimating());
    players.last()->becomeReady();
    players.last()->startPlaying();
    settle();
    model->toggle();
    EXPECT_FALSE(shell.glyph().isAnimating());
    EXPECT_EQ(trayImage(), glyphImage(false, Mood(Mood::bright).index()));
}

TEST_F(AppShellTest, QuitShutsTheModelDownOnce) {
    model->playMood(Mood::calm);
    shell.contextMenu().actions().back()->trigger();
    EXPECT_EQ(shutdowns, 1);
    EXPECT_EQ(stats.flushes, 1);
    EXPECT_EQ(loop.liveTimers(), 0);
    shell.shutdown();
    EXPECT_EQ(shutdowns, 1);
}

}  // namespace
}  // namespace quilvo::ui
