#include "ui/mood_circle.hpp"

#include <QEasingCurve>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <utility>

#include "ui/accessible_roles.hpp"
#include "ui/mood_glyph.hpp"
#include "ui/palette_colors.hpp"
#include "ui/reduce_motion.hpp"

namespace quilvo::ui {
namespace {

constexpr double kButtonGrowth = 0.04;
constexpr double kRingStartScale = 0.85;
constexpr double kRingEndScale = 1.35;
constexpr double kRingStartOpacity = 0.6;
constexpr double kRingWidth = 1.5;

// The standard ease-out timing curve (0, 0, 0.58, 1).
QEasingCurve easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

}  // namespace

MoodCircle::MoodCircle(Mood mood, const ReduceMotion& reduceMotion, std::function<void()> action,
                       QWidget* parent)
    : QAbstractButton(parent),
      mood_(mood),
      reduceMotion_(reduceMotion),
      action_(std::move(action)) {
    setFixedSize(kHitDiameter, kHitDiameter);
    setFocusPolicy(Qt::NoFocus);
    installAccessibleRoles();
    // Checkable, so that a screen reader hears which mood is on.
    setCheckable(true);
    setAccessibleName(QString::fromUtf8(mood.displayName().data(),
                                        static_cast<qsizetype>(mood.displayName().size())));
    setAccessibleDescription(
        QString::fromUtf8(mood.feel().data(), static_cast<qsizetype>(mood.feel().size())));
    pulse_.setStartValue(0.0);
    pulse_.setEndValue(1.0);
    pulse_.setDuration(kPulseDurationMs);
    pulse_.setEasingCurve(easeOut());
    connect(&pulse_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        progress_ = value.toDouble();
        update();
    });
    connect(this, &QAbstractButton::clicked, this, &MoodCircle::fire);
}

MoodCircle::~MoodCircle() {
    popCursor();
}

void MoodCircle::setActive(bool active) {
    if (active_ != active) {
        active_ = active;
        setChecked(active);
        update();
    }
}

QSize MoodCircle::sizeHint() const {
    return {kHitDiameter, kHitDiameter};
}

void MoodCircle::fire() {
    if (action_) {
        action_();
    }
    // No haptic feedback exists on this desktop.
    if (reduceMotion_.isOn()) {
        return;
    }
    endPulse();
    QTimer::singleShot(0, this, &MoodCircle::startPulse);
    QTimer::singleShot(kPulseResetMs, this, &MoodCircle::endPulse);
}

void MoodCircle::startPulse() {
    pulsing_ = true;
    progress_ = 0;
    pulse_.stop();
    pulse_.start();
    update();
}

void MoodCircle::endPulse() {
    pulse_.stop();
    pulsing_ = false;
    progress_ = 0;
    update();
}

void MoodCircle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const bool animate = pulsing_ && !reduceMotion_.isOn();
    const double eased = animate ? progress_ : 0.0;

    painter.translate(centre);
    const double buttonScale = 1.0 + kButtonGrowth * eased;
    painter.scale(buttonScale, buttonScale);

    const QRectF disc(-kDiscDiameter / 2.0, -kDiscDiameter / 2.0, kDiscDiameter, kDiscDiameter);
    if (animate) {
        const double ringScale = kRingStartScale + (kRingEndScale - kRingStartScale) * eased;
        const double opacity = kRingStartOpacity * (1.0 - eased);
        painter.save();
        painter.scale(ringScale, ringScale);
        painter.setPen(QPen(tintColor(mood_, opacity), kRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(disc);
        painter.restore();
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(tintColor(mood_, active_ ? 0.9 : 0.12));
    painter.drawEllipse(disc);

    const QRectF glyph(-kGlyphSize / 2.0, -kGlyphSize / 2.0, kGlyphSize, kGlyphSize);
    const QColor figure = active_ ? QColor(Qt::white) : tintColor(mood_, 0.85);
    paintMoodGlyph(painter, mood_, glyph, figure);
}

bool MoodCircle::hitButton(const QPoint& pos) const {
    const QPointF offset =
        QPointF(pos) + QPointF(0.5, 0.5) - QPointF(width() / 2.0, height() / 2.0);
    const double radius = kHitDiameter / 2.0;
    return offset.x() * offset.x() + offset.y() * offset.y() <= radius * radius;
}

void MoodCircle::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (!cursorPushed_) {
        QGuiApplication::setOverrideCursor(Qt::PointingHandCursor);
        cursorPushed_ = true;
    }
}

void MoodCircle::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    popCursor();
}

void MoodCircle::hideEvent(QHideEvent* event) {
    QAbstractButton::hideEvent(event);
    popCursor();
}

void MoodCircle::popCursor() {
    if (cursorPushed_) {
        QGuiApplication::restoreOverrideCursor();
        cursorPushed_ = false;
    }
}

}  // namespace quilvo::ui
