#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace quilvo::ui {

// Top-left corner for a panel of `panel` size shown under `anchor` (the tray icon, or the
// pointer as a 1 × 1 rectangle), centred on it, above it when there is no room below, and kept
// inside `screen`.
QPoint panelPosition(const QRect& anchor, const QSize& panel, const QRect& screen);

}  // namespace quilvo::ui
