#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace quilvo::ui {

// The few symbols of the panel, drawn in code so they look alike under every icon theme.
enum class Symbol { play, pause, forwardEnd, moon, moonFill, power };

// Draws `symbol` in the em square `box` (its side is the symbol's font size).
void paintSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& color,
                 bool heavy = false);

}  // namespace quilvo::ui
