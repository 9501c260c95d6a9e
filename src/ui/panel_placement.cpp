#include "ui/panel_placement.hpp"

#include <algorithm>

namespace quilvo::ui {
namespace {

constexpr int kGap = 4;

}  // namespace

QPoint panelPosition(const QRect& anchor, const QSize& panel, const QRect& screen) {
    int x = anchor.x() + anchor.width() / 2 - panel.width() / 2;
    int y = anchor.bottom() + 1 + kGap;
    if (y + panel.height() > screen.bottom() + 1 &&
        anchor.top() - kGap - panel.height() >= screen.top()) {
        y = anchor.top() - kGap - panel.height();
    }
    x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - panel.width()));
    y = std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() + 1 - panel.height()));
    return {x, y};
}

}  // namespace quilvo::ui
