#pragma once

#include <QFont>

class QApplication;

namespace quilvo::ui {

// Puts a Simplified Chinese CJK family first, so Chinese text uses its glyph shapes
// whatever the locale.
void applyApplicationFont(QApplication& app);

// `base` at `pixels` logical pixels: one point of the design is one logical pixel here.
QFont sizedFont(const QFont& base, int pixels, QFont::Weight weight = QFont::Normal);

}  // namespace quilvo::ui
