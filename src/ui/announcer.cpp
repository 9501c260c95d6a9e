#include "ui/announcer.hpp"

#include <QStringList>
#include <utility>

#include "ui/accessible_roles.hpp"

namespace quilvo::ui {
namespace {

// A station's first song follows its first audio by a few hundred milliseconds at most.
constexpr int kGatherMs = 600;

}  // namespace

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    installAccessibleRoles();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 1, 1);
    hide();
    gather_.setSingleShot(true);
    gather_.setInterval(kGatherMs);
    connect(&gather_, &QTimer::timeout, this, &Announcer::speak);
}

void Announcer::announce(Topic topic, const QString& text) {
    if (!window()->isVisible() || text.trimmed().isEmpty()) {
        return;
    }
    pending_[static_cast<std::size_t>(topic)] = text;
    if (!gather_.isActive()) {
        gather_.start();
    }
}

void Announcer::speak() {
    QStringList parts;
    for (QString& part : pending_) {
        if (!part.isEmpty()) {
            parts.append(std::exchange(part, QString()));
        }
    }
    if (parts.isEmpty() || !window()->isVisible()) {
        return;
    }
    // The notification's name is what is read when it shows.
    hide();
    setAccessibleName(parts.join(QStringLiteral("，")));
    show();
}

void Announcer::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Shown again with its window, it would say its last text once more.
    if (!isHidden()) {
        hide();
    }
}

}  // namespace quilvo::ui
