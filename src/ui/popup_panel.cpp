#include "ui/popup_panel.hpp"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/panel_placement.hpp"

namespace quilvo::ui {

PopupPanel::PopupPanel(QWidget* content)
    : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), content_(content) {
    setAttribute(Qt::WA_NoMouseReplay);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(content_);
}

void PopupPanel::showUnder(const QRect& anchor) {
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    adjustSize();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    move(available.isValid() ? panelPosition(anchor, size(), available) : anchor.bottomLeft());
    show();
    raise();
    activateWindow();
}

void PopupPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    content_->setFocus(Qt::PopupFocusReason);
}

}  // namespace quilvo::ui
