#include "ui/mood_circle.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QTest>

#include "render.hpp"
#include "ui/palette_colors.hpp"
#include "ui/reduce_motion.hpp"

namespace quilvo::ui {
namespace {

using quilvo::testing::renderWidget;

class MoodCircleTest : public ::testing::Test {
  protected:
    void TearDown() override {
        while (QGuiApplication::overrideCursor() != nullptr) {
            QGuiApplication::restoreOverrideCursor();
        }
    }

    ReduceMotion reduceMotion;
    int actions = 0;
    MoodCircle circle{Mood::energy, reduceMotion, [this] { ++actions; }};
};

// A point on the disc clear of the energy figure, and one in the middle of its body stroke.
constexpr QPoint kDiscOnly(36, 57);
constexpr QPoint kFigure(36, 33);

void expectColour(const QColor& actual, const QColor& expected, int tolerance = 3) {
    EXPECT_NEAR(actual.red(), expected.red(), tolerance);
    EXPECT_NEAR(actual.green(), expected.green(), tolerance);
    EXPECT_NEAR(actual.blue(), expected.blue(), tolerance);
    EXPECT_NEAR(actual.alpha(), expected.alpha(), tolerance);
}

TEST_F(MoodCircleTest, InactiveShowsFaintDiscAndTintedFigure) {
    const QImage image = renderWidget(circle);
    expectColour(image.pixelColor(kDiscOnly), tintColor(Mood::energy, 0.12));
    const QColor figure = image.pixelColor(kFigure);
    // The figure at 0.85 over the faint disc.
    EXPECT_NEAR(figure.alphaF(), 0.85 + 0.12 * 0.15, 0.02);
    EXPECT_NEAR(figure.red(), tintColor(Mood::energy).red(), 3);
    EXPECT_EQ(image.pixelColor(2, 2).alpha(), 0);
}

TEST_F(MoodCircleTest, ActiveShowsStrongDiscAndWhiteFigure) {
    circle.setActive(true);
    const QImage image = renderWidget(circle);
    expectColour(image.pixelColor(kDiscOnly), tintColor(Mood::energy, 0.9));
    expectColour(image.pixelColor(kFigure), QColor(Qt::white));
}

TEST_F(MoodCircleTest, DiscIsFiftyPointsAcross) {
    const QImage image = renderWidget(circle);
    int inked = 0;
    for (int x = 0; x < circle.width(); ++x) {
        inked += image.pixelColor(x, 45).alpha() > 0 ? 1 : 0;
    }
    // Row 45's centre lies 9.5 below the disc's: a chord of 2·√(25² − 9.5²) ≈ 46.
    EXPECT_NEAR(inked, 46, 2);
}

TEST_F(MoodCircleTest, HitAreaIsTheSeventyTwoPointCircle) {
    EXPECT_EQ(circle.size(), QSize(72, 72));
    // Just outside the 64-point frame (which starts at 4) but within 36 of the centre.
    QTest::mouseClick(&circle, Qt::LeftButton, {}, QPoint(1, 36));
    QTest::mouseClick(&circle, Qt::LeftButton, {}, QPoint(36, 70));
    EXPECT_EQ(actions, 2);
    // The frame's corner is 45 from the centre.
    QTest::mouseClick(&circle, Qt::LeftButton, {}, QPoint(4, 4));
    QTest::mouseClick(&circle, Qt::LeftButton, {}, QPoint(66, 10));
    EXPECT_EQ(actions, 2);
}

TEST_F(MoodCircleTest, ClickRunsActionThenPulsesOnNextTurn) {
    QTest::mouseClick(&circle, Qt::LeftButton, {}, QPoint(36, 36));
    EXPECT_EQ(actions, 1);
    EXPECT_FALSE(circle.isPulsing());
    QCoreApplication::processEvents();
    EXPECT_TRUE(circle.isPulsing());
}

TEST_F(MoodCircleTest, SecondClickCutsTheRunningPulseAtOnce) {
    QTest::mouseClick(&circle, Qt::LeftButton, {}, QPoint(36, 36));
    QCoreApplication::processEvents();
    ASSERT_TRUE(circle.isPulsing());
    QTest::mouseClick(&circle, Qt::LeftButton, {}, QPoint(36, 36));
    EXPECT_FALSE(circle.isPulsing());
    EXPECT_EQ(actions, 2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(circle.isPulsing());
}

TEST_F(MoodCircleTest, ReduceMotionClicksWithoutPulse) {
    reduceMotion.setOn(true);
    const QImage before = renderWidget(circle);
    QTest::mouseClick(&circle, Qt::LeftButton, {}, QPoint(36, 36));
    QCoreApplication::processEvents();
    EXPECT_EQ(actions, 1);
    EXPECT_FALSE(circle.isPulsing());
    EXPECT_EQ(renderWidget(circle), before);
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

TEST_F(MoodCircleTest, AccessibilityNamesMood) {
    EXPECT_EQ(circle.accessibleName(), QStringLiteral("燃"));
    EXPECT_EQ(circle.accessibleDescription(), QStringLiteral("节奏能量"));
}

}  // namespace
}  // namespace quilvo::ui
