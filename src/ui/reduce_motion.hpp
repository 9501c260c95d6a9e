#pragma once

#include <QDBusVariant>
#include <QObject>
#include <QString>

namespace quilvo::ui {

// The desktop's "reduce motion" wish: off until the settings portal says animations are
// disabled. Read on every use, so a change takes effect at the next click.
class ReduceMotion : public QObject {
    Q_OBJECT

  public:
    explicit ReduceMotion(QObject* parent = nullptr);

    bool isOn() const { return on_; }
    void setOn(bool on) { on_ = on; }

    // Asks the settings portal once (asynchronously, briefly) and follows its change signal.
    // Without a session bus or a portal the setting stays off.
    void followDesktopSetting();

  private slots:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

  private:
    void applyEnableAnimations(const QVariant& value);

    bool on_ = false;
};

}  // namespace quilvo::ui
