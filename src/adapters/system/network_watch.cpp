#include "adapters/system/network_watch.hpp"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace quilvo {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");

// NetworkManager's NMState values that reach beyond this machine: connected to a site, globally.
constexpr uint kConnectedSite = 60;
constexpr uint kConnectedGlobal = 70;

}  // namespace

NetworkWatch::NetworkWatch(std::function<void()> changed) : changed_(std::move(changed)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    bus.connect(kService, kPath, kManager, QStringLiteral("StateChanged"), this,
                SLOT(onStateChanged(uint)));
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kManager << QStringLiteral("State");
    // Asking must not start a NetworkManager that the machine does not run.
    get.setAutoStartService(false);
    const QDBusMessage reply = bus.call(get);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        const QVariant state = reply.arguments().first().value<QDBusVariant>().variant();
        if (state.canConvert<uint>()) {
            state_ = state.toUInt();
        }
    }
}

NetworkWatch::~NetworkWatch() {
    QDBusConnection::systemBus().disconnect(kService, kPath, kManager,
                                            QStringLiteral("StateChanged"), this,
                                            SLOT(onStateChanged(uint)));
}

void NetworkWatch::onStateChanged(uint state) {
    state_ = state;
    changed_();
}

std::optional<bool> NetworkWatch::online() const {
    if (!state_) {
        return std::nullopt;
    }
    // Asleep, still connecting or only on the local link: no streams yet.
    return *state_ == kConnectedSite || *state_ == kConnectedGlobal;
}

}  // namespace quilvo
