#include "adapters/mpris/mpris_bus_connection.hpp"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <algorithm>

namespace quilvo {
namespace {

using std::chrono::milliseconds;

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kBusName = QStringLiteral("org.mpris.MediaPlayer2.quilvo");
constexpr milliseconds kFirstRetry{500};
constexpr milliseconds kLongestRetry{30000};

bool acquire(QDBusConnectionInterface& bus, const QString& name) {
    // Never take the name from a running instance, and never queue for it.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.registerService(name, QDBusConnectionInterface::DontQueueService,
                            QDBusConnectionInterface::DontAllowReplacement);
    return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

}  // namespace

MprisBusConnection::MprisBusConnection(QObject* exported)
    : exported_(exported), backoff_(kFirstRetry) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &MprisBusConnection::connectToBus);
    connectToBus();
}

MprisBusConnection::~MprisBusConnection() {
    dropConnection();
}

void MprisBusConnection::sendPropertiesChanged(const QString& interface,
                                               const QVariantMap& changed) {
    if (connectionName_.isEmpty()) {
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList{};
    QDBusConnection(connectionName_).send(signal);
}

void MprisBusConnection::onDisconnected() {
    dropConnection();
    backoff_ = kFirstRetry;
    retry_.start(backoff_);
}

void MprisBusConnection::connectToBus() {
    dropConnection();
    // A dead connection cannot be revived, so every attempt gets a connection of its own.
    const QString name =
        QStringLiteral("quilvo-mpris-%1-%2").arg(reinterpret_cast<quintptr>(this)).arg(++attempts_);
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(name);
        retry_.start(backoff_);
        backoff_ = std::min(backoff_ * 2, kLongestRetry);
        return;
    }
    connectionName_ = name;
    backoff_ = kFirstRetry;
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), this,
                SLOT(onDisconnected()));
    bus.registerObject(kObjectPath, exported_, QDBusConnection::ExportAdaptors);
    requestName();
}

void MprisBusConnection::requestName() {
    QDBusConnectionInterface* bus = QDBusConnection(connectionName_).interface();
    if (bus == nullptr || acquire(*bus, kBusName)) {
        return;
    }
    acquire(*bus, kBusName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid()));
}

void MprisBusConnection::dropConnection() {
    if (connectionName_.isEmpty()) {
        return;
    }
    QDBusConnection::disconnectFromBus(connectionName_);
    connectionName_.clear();
}

}  // namespace quilvo
