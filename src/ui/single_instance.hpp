#pragma once

#include <QDBusAbstractAdaptor>
#include <QObject>
#include <QVariantMap>
#include <functional>

namespace quilvo::ui {

// One tray application per session. The first owns the bus name app.quilvo.Quilvo and answers
// org.freedesktop.Application's Activate, the call desktops and `gapplication launch` already
// make; a later launch makes that call and leaves. Needs a QCoreApplication.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    enum class Role {
        // This process owns the name: it is the tray application of the session.
        first,
        // Another process owned the name and has been asked to open its panel.
        activatedOther,
        // Another process owns the name but did not answer.
        otherSilent,
        // No session bus, or it refused us the name: run on our own, as without one.
        alone,
    };

    // Claims the name, or activates its owner. Call before anything of the application shows:
    // a second process must never show an icon or a player.
    Role claim();
    // Runs on the main loop for each activation, at once for one that came before it was set.
    void onActivate(std::function<void()> activate);

  private:
    friend class ApplicationAdaptor;
    void activate();

    std::function<void()> activate_;
    bool activatedEarly_ = false;
};

class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

  public:
    explicit ApplicationAdaptor(SingleInstance* instance);

  public slots:
    // The platform data (startup notification ids) is not used: the panel needs no token.
    void Activate(const QVariantMap& platformData);

  private:
    SingleInstance* instance_;
};

}  // namespace quilvo::ui
