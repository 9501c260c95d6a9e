#include "ui/reduce_motion.hpp"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quilvo::ui {
namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.gnome.desktop.interface");
const QString kKey = QStringLiteral("enable-animations");
constexpr int kPortalTimeoutMs = 1000;

// Some portals wrap the value in a second variant.
QVariant unwrap(QVariant value) {
    while (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
}

}  // namespace

ReduceMotion::ReduceMotion(QObject* parent) : QObject(parent) {}

void ReduceMotion::followDesktopSetting() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    // The change signal carries a variant; QtDBus matches slots by registered type names.
    qRegisterMetaType<QDBusVariant>();
    bus.connect(kPortalService, kPortalPath, kSettingsInterface, QStringLiteral("SettingChanged"),
                this, SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                       kSettingsInterface, QStringLiteral("Read"));
    read << kGroup << kKey;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, kPortalTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QDBusVariant> reply = *call;
                if (!reply.isError()) {
                    applyEnableAnimations(reply.value().variant());
                }
                call->deleteLater();
            });
}

void ReduceMotion::onSettingChanged(const QString& group, const QString& key,
                                    const QDBusVariant& value) {
    if (group == kGroup && key == kKey) {
        applyEnableAnimations(value.variant());
    }
}

void ReduceMotion::applyEnableAnimations(const QVariant& value) {
    const QVariant plain = unwrap(value);
    if (plain.metaType() == QMetaType::fromType<bool>()) {
        on_ = !plain.toBool();
    }
}

}  // namespace quilvo::ui
