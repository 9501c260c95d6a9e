#include "ui/mood_circle.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QTest>

#include "ui/reduce_motion.hpp"

namespace quilvo::ui {
namespace {

class MoodCircleTest : public ::testing::Test {
  protected:
    void click(QPoint at = {36, 36}) { QTest::mouseClick(&circle, Qt::LeftButton, {}, at); }

    ReduceMotion reduceMotion;
    int actions = 0;
    MoodCircle circle{Mood::energy, reduceMotion, [this] { ++actions; }};
};

TEST_F(MoodCircleTest, HitAreaIsTheSeventyTwoPointCircle) {
    EXPECT_EQ(circle.size(), QSize(72, 72));
    // Just outside the 64-point frame (which starts at 4) but within 36 of the centre.
    click({1, 36});
    click({36, 70});
    EXPECT_EQ(actions, 2);
    // The frame's corners are 45 from the centre.
    click({4, 4});
    click({66, 10});
    EXPECT_EQ(actions, 2);
    EXPECT_EQ(circle.accessibleName(), QStringLiteral("燃"));
    EXPECT_EQ(circle.accessibleDescription(), QStringLiteral("节奏能量"));
}

TEST_F(MoodCircleTest, ClickRunsTheActionThenPulsesOnTheNextTurnUnlessMotionIsReduced) {
    click();
    EXPECT_EQ(actions, 1);
    EXPECT_FALSE(circle.isPulsing());
    QCoreApplication::processEvents();
    EXPECT_TRUE(circle.isPulsing());
    click();  // a second click cuts the running pulse at once
    EXPECT_FALSE(circle.isPulsing());
    EXPECT_EQ(actions, 2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(circle.isPulsing());

    MoodCircle still(Mood::calm, reduceMotion, [this] { ++actions; });
    reduceMotion.setOn(true);
    const QPixmap before = still.grab();
    QTest::mouseClick(&still, Qt::LeftButton, {}, QPoint(36, 36));
    QCoreApplication::processEvents();
    EXPECT_EQ(actions, 3);
    EXPECT_FALSE(still.isPulsing());
    EXPECT_EQ(still.grab().toImage(), before.toImage());
}

TEST_F(MoodCircleTest, HoverPushesAndPopsPointingHandOnce) {
    QEnterEvent enter(QPointF(36, 36), QPointF(36, 36), QPointF(36, 36));
    QCoreApplication::sendEvent(&circle, &enter);
    QCoreApplication::sendEvent(&circle, &enter);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&circle, &leave);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace quilvo::ui
