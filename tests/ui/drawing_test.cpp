#include <gtest/gtest.h>

#include <QLayout>
#include <QPainter>
#include <functional>

#include "golden.hpp"
#include "ui/about_view.hpp"
#include "ui/menu_glyph.hpp"
#include "ui/mood_circle.hpp"
#include "ui/mood_glyph.hpp"
#include "ui/reduce_motion.hpp"

namespace quilvo::ui {
namespace {

QImage glyph(Mood mood, QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintMoodGlyph(painter, mood, QRectF(QPointF(0, 0), size), QColor(200, 40, 90));
    return image;
}

// The tray glyph at eight pixels a point, or at the size a panel asks for.
QImage tray(double time, bool playing, std::optional<int> active, QSize size = {18, 18},
            double ratio = 8) {
    return MenuGlyph::image(time, playing, active).pixmap(size, ratio).toImage();
}

QImage circle(bool active) {
    ReduceMotion reduceMotion;
    MoodCircle circle(Mood::energy, reduceMotion, [] {});
    circle.setActive(active);
    QImage image(circle.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    circle.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(Drawing, MatchesTheReviewedPictures) {
    const std::vector<std::pair<const char*, std::function<QImage()>>> drawings = {
        {"glyph-bright",
         [] {
             return glyph(Mood::bright, {320, 320});
         }},
        {"glyph-calm",
         [] {
             return glyph(Mood::calm, {320, 320});
         }},
        {"glyph-energy",
         [] {
             return glyph(Mood::energy, {320, 320});
         }},
        {"glyph-sleep",
         [] {
             return glyph(Mood::sleep, {320, 320});
         }},
        {"glyph-energy-wide",
         [] {
             return glyph(Mood::energy, {300, 200});
         }},
        {"tray-resting", [] { return tray(0, false, std::nullopt); }},
        {"tray-paused-sleep", [] { return tray(0, false, 3); }},
        {"tray-playing-calm-0.7s", [] { return tray(0.7, true, 1); }},
        {"tray-playing-no-mood", [] { return tray(0, true, std::nullopt); }},
        {"tray-wide-slot",
         [] {
             return tray(0, false, 2, {36, 18}, 1);
         }},
        {"tray-sharp",
         [] {
             return tray(0, false, 2, {18, 18}, 2);
         }},
        {"circle-inactive", [] { return circle(false); }},
        {"circle-active", [] { return circle(true); }},
        {"about",
         [] {
             AboutView view("0.1.0");
             view.resize(300, 600);
             view.layout()->activate();
             return view.grab().toImage();
         }},
    };
    for (const auto& [name, draw] : drawings) {
        testing::expectGolden(name, draw());
    }
}

}  // namespace
}  // namespace quilvo::ui
