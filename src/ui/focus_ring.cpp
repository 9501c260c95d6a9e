#include "ui/focus_ring.hpp"

#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace quilvo::ui {
namespace {

constexpr int kMargin = 2;
constexpr double kPenWidth = 1.5;

}  // namespace

FocusRing::FocusRing(QWidget* owner) : QWidget(owner) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { follow(now); });
}

void FocusRing::follow(QWidget* focus) {
    QWidget* owner = parentWidget();
    if (focus == nullptr || focus == owner || !owner->isAncestorOf(focus)) {
        hide();
        return;
    }
    const QRect area(focus->mapTo(owner, QPoint(0, 0)), focus->size());
    setGeometry(area.adjusted(-kMargin, -kMargin, kMargin, kMargin));
    raise();
    show();
    update();
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), kPenWidth));
    const QRectF ring = QRectF(rect()).adjusted(kPenWidth, kPenWidth, -kPenWidth, -kPenWidth);
    const double radius = std::min(ring.width(), ring.height()) / 2;
    painter.drawRoundedRect(ring, radius, radius);
}

}  // namespace quilvo::ui
