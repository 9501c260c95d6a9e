#include "ui/accessible_roles.hpp"

#include <QAccessibleWidget>
#include <functional>
#include <utility>

#include "ui/announcer.hpp"
#include "ui/link_label.hpp"
#include "ui/mood_circle.hpp"

namespace quilvo::ui {
namespace {

// A control that one action works: a click for a button, opening for a link.
class PressableAccessible : public QAccessibleWidget {
  public:
    PressableAccessible(QWidget* widget, QAccessible::Role role, std::function<void()> press)
        : QAccessibleWidget(widget, role), press_(std::move(press)) {}

    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && widget()->isEnabled()) {
            press_();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

  private:
    std::function<void()> press_;
};

class MoodAccessible : public PressableAccessible {
  public:
    explicit MoodAccessible(MoodCircle* circle)
        : PressableAccessible(circle, QAccessible::RadioButton, [circle] { circle->click(); }) {}

    QAccessible::State state() const override {
        QAccessible::State state = PressableAccessible::state();
        state.checkable = true;
        state.checked = static_cast<MoodCircle*>(widget())->isChecked();
        return state;
    }
};

QAccessibleInterface* roleFor(const QString& className, QObject* object) {
    if (className == QLatin1String("quilvo::ui::MoodCircle")) {
        return new MoodAccessible(static_cast<MoodCircle*>(object));
    }
    if (className == QLatin1String("quilvo::ui::LinkLabel")) {
        auto* link = static_cast<LinkLabel*>(object);
        return new PressableAccessible(link, QAccessible::Link, [link] { link->open(); });
    }
    if (className == QLatin1String("quilvo::ui::Announcer")) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    }
    return nullptr;
}

}  // namespace

void installAccessibleRoles() {
    static const bool installed = [] {
        QAccessible::installFactory(roleFor);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace quilvo::ui
