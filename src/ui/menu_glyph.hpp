#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QRectF>
#include <array>
#include <optional>

class QPainter;

namespace quilvo::ui {

// The tray icon: four mood dots in an 18 × 18 design square that bob while music plays.
namespace MenuGlyph {

// The glyph's own dot colours, in mood order.
const std::array<QColor, 4>& colors();

// Draws one frame, the design square scaled to the shorter side of `area` and centred.
void paint(QPainter& painter, const QRectF& area, double time, bool playing,
           std::optional<int> activeIndex);

// One frame at `pixels`, drawn once for the phase nearest `time` and copied after that.
const QImage& frame(QSize pixels, double time, bool playing, std::optional<int> activeIndex);

// One frame as an icon that is drawn afresh at whatever size and scale it is shown.
QIcon image(double time, bool playing, std::optional<int> activeIndex);

}  // namespace MenuGlyph

}  // namespace quilvo::ui
