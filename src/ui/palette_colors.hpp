#pragma once

#include <QColor>

#include "catalogue/mood.hpp"

class QWidget;

namespace quilvo::ui {

// A mood's colour, the same in light and dark appearance.
QColor tintColor(Mood mood, double opacity = 1.0);

// The appearance's text colour, optionally faded.
QColor primaryColor(const QWidget& widget, double opacity = 1.0);

// Text of lesser importance: the primary colour at half strength.
QColor secondaryColor(const QWidget& widget);

// Messages in the status line.
QColor warningOrange();

}  // namespace quilvo::ui
