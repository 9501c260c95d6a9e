#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <memory>

#include "ui/menu_glyph.hpp"
#include "ui/menu_glyph_animator.hpp"

namespace quilvo::ui {
namespace {

QImage frame(double time, bool playing, std::optional<int> active) {
    return MenuGlyph::image(time, playing, active).pixmap(QSize(18, 18), 8).toImage();
}

class AnimatorTest : public ::testing::Test {
  protected:
    AnimatorTest() { animator.setTrayIcon(tray.get()); }
    QImage shown() const { return tray->icon().pixmap(QSize(18, 18), 8).toImage(); }

    std::unique_ptr<QSystemTrayIcon> tray = std::make_unique<QSystemTrayIcon>();
    MenuGlyphAnimator animator;
};

TEST_F(AnimatorTest, WaveRunsAtFifteenFramesASecondWhilePlaying) {
    animator.update(false, std::nullopt);
    EXPECT_FALSE(animator.isAnimating());
    EXPECT_EQ(shown(), frame(0, false, std::nullopt));
    const qint64 resting = tray->icon().cacheKey();
    animator.update(true, 1);
    EXPECT_TRUE(animator.isAnimating());
    EXPECT_EQ(tray->icon().cacheKey(), resting);  // the first frame waits for its turn
    animator.advanceFrame();
    EXPECT_EQ(shown(), frame(1.0 / 15, true, 1));
    animator.advanceFrame();
    animator.update(true, 2);  // a mood change keeps the wave going
    animator.advanceFrame();
    EXPECT_EQ(shown(), frame(3.0 / 15, true, 2));

    animator.update(false, 2);  // pausing stops and redraws at rest with the mood kept
    EXPECT_FALSE(animator.isAnimating());
    EXPECT_DOUBLE_EQ(animator.time(), 0);
    EXPECT_EQ(shown(), frame(0, false, 2));
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
