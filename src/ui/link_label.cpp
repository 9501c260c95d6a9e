#include "ui/link_label.hpp"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <utility>

#include "ui/accessible_roles.hpp"

namespace quilvo::ui {

LinkLabel::LinkLabel(const QString& text, QUrl url, QWidget* parent)
    : QLabel(parent), url_(std::move(url)) {
    installAccessibleRoles();
    setTextFormat(Qt::PlainText);
    setText(text);
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setToolTip(url_.toString());
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setForegroundRole(QPalette::Link);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        open();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        open();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::open() const {
    QDesktopServices::openUrl(url_);
}

}  // namespace quilvo::ui
