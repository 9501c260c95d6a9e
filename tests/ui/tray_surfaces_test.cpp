#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTest>

#include "player/player_fixture.hpp"
#include "ui/mood_circle.hpp"
#include "ui/popover_view.hpp"
#include "ui/popup_panel.hpp"
#include "ui/reduce_motion.hpp"

namespace quilvo::ui {
namespace {

class TraySurfacesTest : public quilvo::testing::PlayerTest {
  protected:
    void settle() {
        loop.runUntilIdle();
        QCoreApplication::processEvents();
    }
    ReduceMotion reduceMotion;
};

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
