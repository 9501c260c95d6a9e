#include <gtest/gtest.h>

#include <QPainter>
#include <functional>

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

bool nearlyEqual(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            if (std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                          std::abs(p.blue() - q.blue()), std::abs(p.alpha() - q.alpha())}) > 2) {
                return false;
            }
        }
    }
    return true;
}

// Every drawing against its reviewed picture in golden/. After an intended change of a drawing,
// run once with QUILVO_UPDATE_GOLDEN=1 and review the rewritten pictures before committing.
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
    };
    for (const auto& [name, draw] : drawings) {
        const QImage image = draw().convertToFormat(QImage::Format_ARGB32);
        const QString path = QStringLiteral(QUILVO_GOLDEN_DIR "/%1.png").arg(QLatin1String(name));
        if (qEnvironmentVariableIsSet("QUILVO_UPDATE_GOLDEN")) {
            image.save(path);
        }
        EXPECT_TRUE(nearlyEqual(image, QImage(path).convertToFormat(QImage::Format_ARGB32)))
            << name << ": see " << path.toStdString();
    }
}

}  // namespace
}  // namespace quilvo::ui
