#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

#include "catalogue/mood.hpp"

class QPainter;

namespace quilvo::ui {

// The little line figure of a mood, in its 32 × 32 design square (origin top left, y down).
QPainterPath moodGlyphPath(Mood mood);

// Strokes the mood's figure in `color`, scaled to the shorter side of `area` and centred in it.
void paintMoodGlyph(QPainter& painter, Mood mood, const QRectF& area, const QColor& color);

}  // namespace quilvo::ui
