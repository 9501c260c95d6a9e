#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>

namespace quilvo::ui {

// Tells a screen reader what changed: an invisible accessible notification, shown anew with
// each text, which screen readers read as it appears. Renaming a control cannot do this with
// Qt 6.4, whose name-change events carry the object instead of the new name. Changes that come
// together (a station and its first song) are spoken as one sentence, so the second does not
// cut the first off; a newer text of the same topic replaces one not yet spoken.
class Announcer : public QWidget {
    Q_OBJECT

  public:
    // In the order they are spoken together.
    enum class Topic { phase, status, song };

    explicit Announcer(QWidget* parent);

    // Queues `text`; nothing is said while the window is hidden.
    void announce(Topic topic, const QString& text);
    // What was said last.
    QString spoken() const { return accessibleName(); }

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    void speak();

    std::array<QString, 3> pending_;
    QTimer gather_;
};

}  // namespace quilvo::ui
