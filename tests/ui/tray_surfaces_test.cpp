#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTest>

#include "player/player_fixture.hpp"
#include "ui/mood_circle.hpp"
#include "ui/popover_view.hpp"
#include "ui/popup_panel.hpp"
#include "ui/reduce_motion.hpp"
#include "ui/tray_menu.hpp"

namespace quilvo::ui {
namespace {

class TraySurfacesTest : public quilvo::testing::PlayerTest {
  protected:
    void settle() {
        loop.runUntilIdle();
        QCoreApplication::processEvents();
    }
    // Each visible item as "text", with [x] when checked and (off) when disabled.
    static QStringList items(const QMenu& menu) {
        QStringList out;
        for (const QAction* action : menu.actions()) {
            if (!action->isVisible() || action->isSeparator()) {
                continue;
            }
            out << action->text() + (action->isChecked() ? "[x]" : "") +
                       (action->isEnabled() ? "" : "(off)");
        }
        return out;
    }
    ReduceMotion reduceMotion;
};

TEST_F(TraySurfacesTest, MenuFollowsTheModel) {
    TrayMenu menu(*model);
    QStringList fresh{"悦 · 轻松愉悦", "静 · 安定专注", "燃 · 节奏能量", "眠 · 舒缓入睡",
                      "播放",          "换台(off)",     "定时",          "打开面板",
                      "关于 Quilvo",   "退出 Quilvo"};
    EXPECT_EQ(items(menu), fresh);
    EXPECT_EQ(items(*menu.findChild<QMenu*>()),
              (QStringList{"关闭定时[x]", "15 分钟后停止", "30 分钟后停止", "60 分钟后停止"}));

    playConnected(Mood::calm);
    player()->deliverMetadata(
        std::vector<MetadataItem>{{"Tom & Jerry", std::string(kCommonKeyTitle)}});
    model->setSleep(30);
    settle();
    const QStringList playing = items(menu);
    EXPECT_EQ(playing[0], "Station " + QString::fromStdString(station()) + " · Tom && Jerry(off)");
    EXPECT_EQ(playing.mid(1, 6), (QStringList{"悦 · 轻松愉悦", "静 · 安定专注[x]", "燃 · 节奏能量",
                                              "眠 · 舒缓入睡", "暂停", "换台"}));
    EXPECT_EQ(playing[7], "还剩 30 分钟");
    EXPECT_TRUE(menu.findChild<QMenu*>()->actions()[2]->isChecked());

    model->toggle();
    settle();
    EXPECT_EQ(items(menu)[5], "播放");
}

TEST_F(TraySurfacesTest, PanelClosesOnFocusLossWithoutReopeningOnTheSameClick) {
    auto* content = new QWidget;
    content->setFixedSize(330, 200);
    PopupPanel panel(content);
    const QRect icon(400, 0, 22, 22);
    panel.toggleUnder(icon);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(panel.isVisible());
    // The click on the icon that took the focus away closed the panel; it must not reopen it.
    panel.toggleUnder(icon);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(TraySurfacesTest, KeyboardReachesEveryControlAndSpaceStillToggles) {
    PopoverView view(*model, notifications, reduceMotion);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.setFocus();
    QStringList order;
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    // The next button is out of reach while no mood is chosen.
    EXPECT_EQ(order, (QStringList{"mood-bright", "mood-calm", "mood-energy", "mood-sleep",
                                  "playPause", "sleepMenu", "credit", "quit", ""}));
    auto* calm = view.findChild<MoodCircle*>(QStringLiteral("mood-calm"));
    calm->setFocus(Qt::TabFocusReason);
    QTest::keyClick(calm, Qt::Key_Return);
    EXPECT_EQ(model->currentMood(), Mood::calm);
    settle();
    EXPECT_TRUE(calm->isChecked());
    QTest::keyClick(calm, Qt::Key_Space);
    EXPECT_EQ(model->phase(), PlayerModel::Phase::paused);
}

}  // namespace
}  // namespace quilvo::ui
