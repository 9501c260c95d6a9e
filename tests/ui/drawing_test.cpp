#include <QEnterEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTest>

#include "ui/menu_glyph.hpp"
#include "ui/menu_glyph_animator.hpp"
#include "ui/mood_circle.hpp"
#include "ui/mood_glyph.hpp"
#include "ui_test.hpp"

namespace quilvo::ui {

QImage trayFrame(double time, bool playing, std::optional<int> active, QSize size = {18, 18},
                 double ratio = 8) {
    return MenuGlyph::image(time, playing, active).pixmap(size, ratio).toImage();
}

TEST_F(UiTest, DrawingsMatchTheReviewedPictures) {
    const auto glyph = [](Mood mood, QSize size) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paintMoodGlyph(painter, mood, QRectF(QPointF(0, 0), size), QColor(200, 40, 90));
        return image;
    };
    for (const Mood mood : Mood::allCases()) {
        expectGolden(("glyph-" + std::string(mood.id())).c_str(), glyph(mood, {320, 320}));
    }
    expectGolden("glyph-energy-wide", glyph(Mood::energy, {300, 200}));
    // The tray glyph at eight pixels a point, or at the size a panel asks for.
    expectGolden("tray-resting", trayFrame(0, false, std::nullopt));
    expectGolden("tray-paused-sleep", trayFrame(0, false, 3));
    expectGolden("tray-playing-calm-0.7s", trayFrame(0.7, true, 1));
    expectGolden("tray-playing-no-mood", trayFrame(0, true, std::nullopt));
    expectGolden("tray-wide-slot", trayFrame(0, false, 2, {36, 18}, 1));
    expectGolden("tray-sharp", trayFrame(0, false, 2, {18, 18}, 2));
    MoodCircle circle(Mood::energy, reduceMotion, [] {});
    for (bool active : {false, true}) {
        circle.setActive(active);
        QImage image(circle.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        circle.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        expectGolden(active ? "circle-active" : "circle-inactive", image);
    }
}

// The hit area is the 72-point circle: just outside the 64-point frame (which starts at 4) but
// within 36 of the centre counts, the frame's corners (45 from it) do not.
TEST_F(UiTest, MoodCircleHitsItsCircleAndPulsesAfterItsActionUnlessMotionIsReduced) {
    int actions = 0;
    MoodCircle circle(Mood::energy, reduceMotion, [&] { ++actions; });
    const auto click = [&](QPoint at) { QTest::mouseClick(&circle, Qt::LeftButton, {}, at); };
    reduceMotion.setOn(true);
    for (const QPoint at : {QPoint(1, 36), QPoint(36, 70), QPoint(4, 4), QPoint(66, 10)}) {
        click(at);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(actions, 2);
    EXPECT_FALSE(circle.isPulsing());

    reduceMotion.setOn(false);
    for (int i = 1; i <= 2; ++i) {  // a second click cuts the running pulse and starts anew
        click({36, 36});
        EXPECT_EQ(actions, 2 + i);
        EXPECT_FALSE(circle.isPulsing());
        QCoreApplication::processEvents();
        EXPECT_TRUE(circle.isPulsing());
    }

    QEnterEvent enter(QPointF(36, 36), QPointF(36, 36), QPointF(36, 36));
    QCoreApplication::sendEvent(&circle, &enter);
    QCoreApplication::sendEvent(&circle, &enter);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&circle, &leave);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(UiTest, TrayWaveRunsAtFifteenFramesASecondWhilePlaying) {
    auto tray = std::make_unique<QSystemTrayIcon>();
    MenuGlyphAnimator animator;
    animator.setTrayIcon(tray.get());
    const auto shown = [&] { return tray->icon().pixmap(QSize(18, 18), 8).toImage(); };
    animator.update(false, std::nullopt);
    EXPECT_EQ(shown(), trayFrame(0, false, std::nullopt));
    const qint64 resting = tray->icon().cacheKey();
    animator.update(true, 1);
    EXPECT_EQ(tray->icon().cacheKey(), resting);  // the first frame waits for its turn
    animator.advanceFrame();
    EXPECT_EQ(shown(), trayFrame(1.0 / 15, true, 1));
    animator.advanceFrame();
    animator.update(true, 2);  // a mood change keeps the wave going
    animator.advanceFrame();
    EXPECT_EQ(shown(), trayFrame(3.0 / 15, true, 2));
    animator.update(false, 2);  // pausing stops and redraws at rest with the mood kept
    EXPECT_FALSE(animator.isAnimating());
    EXPECT_EQ(shown(), trayFrame(0, false, 2));

    animator.update(true, 0);  // the wave starts afresh; an icon gone meanwhile is left alone
    animator.advanceFrame();
    EXPECT_EQ(shown(), trayFrame(1.0 / 15, true, 0));
    tray.reset();
    animator.advanceFrame();
    animator.update(false, 0);
}

}  // namespace quilvo::ui
