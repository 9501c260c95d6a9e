#include "ui/mood_glyph.hpp"

#include <gtest/gtest.h>

#include <QPointF>
#include <vector>

#include "render.hpp"

namespace quilvo::ui {
namespace {

using quilvo::testing::paintToImage;

// Points of the 32-unit design square: on a stroke, or well clear of every stroke.
struct Probe {
    Mood mood;
    std::vector<QPointF> inked;
    std::vector<QPointF> clear;
};

const std::vector<Probe>& probes() {
    static const std::vector<Probe> all{
        {Mood::bright,
         {{16, 4.1},
          {16, 8.9},
          {13.6, 6.5},
          {18.4, 6.5},
          {16, 13.7},
          {9.5, 7},
          {22.5, 7},
          {12.75, 9.25},
          {19.25, 9.25},
          {12, 27},
          {20, 27},
          {14, 22.75},
          {18, 22.75}},
         {{16, 6.5}, {16, 24}, {9.5, 12}, {2, 2}, {30, 30}}},
        {Mood::calm,
         {{5.5, 15.5},
          {26.5, 15.5},
          {8, 21},
          {8, 26.5},
          {24, 21},
          {24, 26.5},
          {16, 5.1},
          {13.6, 7.5},
          {16, 12},
          {20.5, 14.8}},
         {{16, 7.5}, {16, 22}, {12, 10}, {28, 4}}},
        {Mood::energy,
         {{18.5, 3.6},
          {16.1, 6},
          {20.9, 6},
          {16.25, 12.95},
          {22.5, 9.5},
          {11, 12.5},
          {20.5, 26.5},
          {9, 24},
          {17.5, 22}},
         {{18.5, 6}, {22, 20}, {6, 6}, {26, 28}}},
        {Mood::sleep,
         {{5.1, 20.5},
          {7.5, 18.1},
          {7.5, 22.9},
          {14.7, 21.15},
          {19.5, 21.5},
          {11.5, 25.5},
          {25, 22.5},
          {17.875, 19.75}},
         {{7.5, 20.5}, {16, 8}, {20, 27}, {28, 12}}},
    };
    return all;
}

TEST(MoodGlyph, StrokesEachFigureWhereItsDrawingLies) {
    constexpr int kScale = 10;
    const QColor ink(200, 40, 90);
    for (const Probe& probe : probes()) {
        const QImage image = paintToImage({32 * kScale, 32 * kScale}, [&](QPainter& p) {
            paintMoodGlyph(p, probe.mood, QRectF(0, 0, 32 * kScale, 32 * kScale), ink);
        });
        for (const QPointF& point : probe.inked) {
            const QColor pixel = image.pixelColor((point * kScale).toPoint());
            EXPECT_GT(pixel.alpha(), 200)
                << probe.mood.rawValue() << " at " << point.x() << "," << point.y();
            EXPECT_EQ(pixel.rgb() & 0xFFFFFF, ink.rgb() & 0xFFFFFF) << probe.mood.rawValue();
        }
        for (const QPointF& point : probe.clear) {
            EXPECT_EQ(image.pixelColor((point * kScale).toPoint()).alpha(), 0)
                << probe.mood.rawValue() << " at " << point.x() << "," << point.y();
        }
    }
}

TEST(MoodGlyph, StrokesAreTwoDesignUnitsWide) {
    // Across calm's vertical table leg at x = 8: 2 units at 10 pixels a unit.
    const QImage image = paintToImage({320, 320}, [](QPainter& p) {
        paintMoodGlyph(p, Mood::calm, QRectF(0, 0, 320, 320), Qt::black);
    });
    int covered = 0;
    for (int x = 40; x < 120; ++x) {
        covered += image.pixelColor(x, 220).alpha() > 127 ? 1 : 0;
    }
    EXPECT_EQ(covered, 20);
}

TEST(MoodGlyph, NonSquareAreaScalesByShorterSideAndCentres) {
    const auto draw = [](QSize size) {
        return paintToImage(size, [size](QPainter& p) {
            paintMoodGlyph(p, Mood::energy, QRectF(QPointF(0, 0), size), Qt::black);
        });
    };
    const QImage wide = draw({300, 200});
    EXPECT_EQ(wide.copy(50, 0, 200, 200), draw({200, 200}));
    for (int y = 0; y < 200; ++y) {
        for (const int x : {0, 49, 250, 299}) {
            ASSERT_EQ(wide.pixelColor(x, y).alpha(), 0) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace quilvo::ui
