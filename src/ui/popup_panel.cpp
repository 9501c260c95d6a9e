#include "ui/popup_panel.hpp"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/panel_placement.hpp"

namespace quilvo::ui {
namespace {

// The focus loss and the tray's click (or the host's Activate call) that caused it arrive
// within a few milliseconds of each other, in either order.
constexpr qint64 kSameClickMs = 400;
constexpr int kGrabTries = 20;
constexpr int kGrabRetryMs = 100;

// Wayland compositors place every window themselves.
bool placesOwnWindows() {
    return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

bool isX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace

PopupPanel::PopupPanel(std::function<QWidget*()> makeContent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      makeContent_(std::move(makeContent)) {
    setWindowTitle(QStringLiteral("Quilvo"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (isX11()) {
        qApp->installEventFilter(this);
    }
}

QWidget* PopupPanel::content() {
    if (content_ == nullptr) {
        content_ = makeContent_();
        layout()->addWidget(content_);
    }
    return content_;
}

void PopupPanel::showUnder(const QRect& anchor) {
    content();
    adjustSize();
    if (placesOwnWindows()) {
        QScreen* screen = QGuiApplication::screenAt(anchor.center());
        if (screen == nullptr) {
            screen = QGuiApplication::primaryScreen();
        }
        const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
        move(available.isValid() ? panelPosition(anchor, size(), available) : anchor.bottomLeft());
    }
    show();
    raise();
    activateWindow();
    holdPointer(kGrabTries);
}

void PopupPanel::holdPointer(int triesLeft) {
    if (!isX11() || !isVisible() || windowHandle() == nullptr) {
        return;
    }
    if (!windowHandle()->setMouseGrabEnabled(true) && triesLeft > 1) {
        QTimer::singleShot(kGrabRetryMs, this, [this, triesLeft] { holdPointer(triesLeft - 1); });
    }
}

void PopupPanel::toggleUnder(const QRect& anchor) {
    if (isVisible()) {
        dismiss();
        return;
    }
    if (closedByFocusLoss_.isValid() && !closedByFocusLoss_.hasExpired(kSameClickMs)) {
        return;
    }
    showUnder(anchor);
}

void PopupPanel::dismiss() {
    hide();
    // Hiding the active window deactivates it on the way: that was no focus loss.
    closedByFocusLoss_.invalidate();
}

void PopupPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    closedByFocusLoss_.invalidate();
    shown_.start();
    content()->setFocus(Qt::ActiveWindowFocusReason);
}

void PopupPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopupPanel::mousePressEvent(QMouseEvent* event) {
    // Held, the pointer brings presses anywhere on the screen here. The second press of the
    // double click on the icon that opened the panel is part of that one activation.
    if (!rect().contains(event->position().toPoint())) {
        if (shown_.hasExpired(QGuiApplication::styleHints()->mouseDoubleClickInterval())) {
            dismiss();
        }
        return;
    }
    QWidget::mousePressEvent(event);
}

bool PopupPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->windowType() == Qt::Popup && isVisible()) {
        QTimer::singleShot(0, this, [this] { holdPointer(kGrabTries); });
    }
    return QWidget::eventFilter(watched, event);
}

void PopupPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isVisible()) {
        return;
    }
    if (isActiveWindow()) {
        // Under a window manager the panel is mapped, and can hold the pointer, only by now.
        holdPointer(kGrabTries);
    } else {
        hide();
        closedByFocusLoss_.start();
    }
}

}  // namespace quilvo::ui
