#include "ui/tray_kind.hpp"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace quilvo::ui {

TrayKind trayKindForNewIcon() {
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get);
    const bool hosted = reply.type() == QDBusMessage::ReplyMessage &&
                        !reply.arguments().isEmpty() &&
                        reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
    return hosted ? TrayKind::statusNotifierItem : TrayKind::xembed;
}

}  // namespace quilvo::ui
