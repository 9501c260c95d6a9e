#include "ui/menu_glyph.hpp"

#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <cmath>
#include <memory>

#include "ui/menu_glyph_animator.hpp"

namespace quilvo::ui {
namespace {

constexpr double kPixelsPerPoint = 8.0;

struct Dot {
    QPointF centre;  // in points, y down
    double opacity;
    QColor colour;
};

// Finds dot `index` in a frame rendered at 8 pixels a point: the alpha-weighted centre of the
// pixels near its column, its peak opacity and its colour there.
Dot measureDot(const QImage& image, int index) {
    const double column = 2.1 + 4.6 * index;
    const int from = static_cast<int>((column - 2.0) * kPixelsPerPoint);
    const int to = static_cast<int>((column + 2.0) * kPixelsPerPoint);
    double weight = 0;
    double sumX = 0;
    double sumY = 0;
    int peak = 0;
    QColor colour;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = from; x < to; ++x) {
            const QColor pixel = image.pixelColor(x, y);
            weight += pixel.alpha();
            sumX += pixel.alpha() * (x + 0.5);
            sumY += pixel.alpha() * (y + 0.5);
            if (pixel.alpha() > peak) {
                peak = pixel.alpha();
                colour = pixel;
            }
        }
    }
    return {QPointF(sumX / weight, sumY / weight) / kPixelsPerPoint, peak / 255.0, colour};
}

QImage frame(double time, bool playing, std::optional<int> active) {
    const QPixmap pixmap =
        MenuGlyph::image(time, playing, active).pixmap(QSize(18, 18), kPixelsPerPoint);
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

void expectDot(const QImage& image, int index, QPointF centre, double opacity) {
    const Dot dot = measureDot(image, index);
    EXPECT_NEAR(dot.centre.x(), centre.x(), 0.05) << "dot " << index;
    EXPECT_NEAR(dot.centre.y(), centre.y(), 0.05) << "dot " << index;
    EXPECT_NEAR(dot.opacity, opacity, 0.01) << "dot " << index;
    // Faint dots lose colour precision to premultiplied storage.
    const double tolerance = 1 + 2 / opacity;
    const QColor expected = MenuGlyph::colors()[static_cast<std::size_t>(index)];
    EXPECT_NEAR(dot.colour.red(), expected.red(), tolerance) << "dot " << index;
    EXPECT_NEAR(dot.colour.green(), expected.green(), tolerance) << "dot " << index;
    EXPECT_NEAR(dot.colour.blue(), expected.blue(), tolerance) << "dot " << index;
}

TEST(MenuGlyph, RestingDotsZigZagAtFiftyFivePercent) {
    const QImage image = frame(0, false, std::nullopt);
    ASSERT_EQ(image.size(), QSize(144, 144));
    expectDot(image, 0, {2.1, 9.0}, 0.55);
    expectDot(image, 1, {6.7, 7.6}, 0.55);
    expectDot(image, 2, {11.3, 9.0}, 0.55);
    expectDot(image, 3, {15.9, 7.6}, 0.55);
}

TEST(MenuGlyph, DotsAreThreePointsAcross) {
    const QImage image = frame(0, false, std::nullopt);
    // Through the middle of dot 0 (centre 2.1, 9.0), left of dot 1, both ways.
    int across = 0;
    int down = 0;
    for (int i = 0; i < 35; ++i) {
        across += image.pixelColor(i, 72).alpha() > 70 ? 1 : 0;
    }
    for (int i = 0; i < image.height(); ++i) {
        down += image.pixelColor(16, i).alpha() > 70 ? 1 : 0;
    }
    EXPECT_NEAR(across, 3 * kPixelsPerPoint, 1);
    EXPECT_NEAR(down, 3 * kPixelsPerPoint, 1);
}

TEST(MenuGlyph, PlayingBobsInATravellingWave) {
    const double time = 0.7;
    const QImage image = frame(time, true, 1);
    for (int i = 0; i < 4; ++i) {
        const double bob = 1.1 * std::sin(2.2 * time + 0.9 * i);
        const double rest = i % 2 == 1 ? 7.6 : 9.0;
        expectDot(image, i, {2.1 + 4.6 * i, rest - bob}, i == 1 ? 1.0 : 0.32);
    }
}

TEST(MenuGlyph, PlayingAtTimeZeroLiftsSecondDotBySineOfLag) {
    const QImage image = frame(0, true, std::nullopt);
    expectDot(image, 0, {2.1, 9.0}, 0.92);
    expectDot(image, 1, {6.7, 7.6 - 1.1 * std::sin(0.9)}, 0.92);
}

TEST(MenuGlyph, ScalesToTheIconSizeAsked) {
    const QIcon icon = MenuGlyph::image(0, false, 2);
    const QPixmap sharp = icon.pixmap(QSize(18, 18), 2.0);
    EXPECT_EQ(sharp.size(), QSize(36, 36));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_FALSE(icon.availableSizes().isEmpty());
    const QImage wide = icon.pixmap(QSize(36, 18)).toImage();
    // A 36 × 18 icon keeps the square glyph centred: nothing in its outer nine columns.
    for (int y = 0; y < 18; ++y) {
        ASSERT_EQ(wide.pixelColor(8, y).alpha(), 0);
        ASSERT_EQ(wide.pixelColor(27, y).alpha(), 0);
    }
}

class AnimatorTest : public ::testing::Test {
  protected:
    AnimatorTest() { animator.setTrayIcon(tray.get()); }

    QImage shown() const {
        return tray->icon()
            .pixmap(QSize(18, 18), kPixelsPerPoint)
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    }

    std::unique_ptr<QSystemTrayIcon> tray = std::make_unique<QSystemTrayIcon>();
    MenuGlyphAnimator animator;
};

TEST_F(AnimatorTest, LaunchDrawsRestingDotsAtOnce) {
    animator.update(false, std::nullopt);
    EXPECT_FALSE(animator.isAnimating());
    EXPECT_EQ(shown(), frame(0, false, std::nullopt));
}

TEST_F(AnimatorTest, PlayingStartsFramesWithoutDrawingAtOnce) {
    animator.update(false, std::nullopt);
    const qint64 before = tray->icon().cacheKey();
    animator.update(true, 1);
    EXPECT_TRUE(animator.isAnimating());
    EXPECT_EQ(tray->icon().cacheKey(), before);
    animator.advanceFrame();
    EXPECT_DOUBLE_EQ(animator.time(), 1.0 / 15);
    EXPECT_EQ(shown(), frame(1.0 / 15, true, 1));
}

TEST_F(AnimatorTest, MoodChangeWhilePlayingKeepsTheWaveGoing) {
    animator.update(true, 1);
    animator.advanceFrame();
    animator.advanceFrame();
    animator.update(true, 2);
    EXPECT_DOUBLE_EQ(animator.time(), 2.0 / 15);
    animator.advanceFrame();
    EXPECT_EQ(shown(), frame(3.0 / 15, true, 2));
}

TEST_F(AnimatorTest, PausingStopsAndRedrawsAtRestWithMoodKept) {
    animator.update(true, 3);
    animator.advanceFrame();
    animator.update(false, 3);
    EXPECT_FALSE(animator.isAnimating());
    EXPECT_DOUBLE_EQ(animator.time(), 0);
    EXPECT_EQ(shown(), frame(0, false, 3));
}

TEST_F(AnimatorTest, GoneTrayIconIsIgnored) {
    animator.update(true, 0);
    tray.reset();
    animator.advanceFrame();
    animator.update(false, 0);
    EXPECT_FALSE(animator.isAnimating());
}

}  // namespace
}  // namespace quilvo::ui
