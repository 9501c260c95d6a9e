#include "ui/single_instance.hpp"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <utility>

namespace quilvo::ui {
namespace {

const QString kBusName = QStringLiteral("app.quilvo.Quilvo");
const QString kObjectPath = QStringLiteral("/app/quilvo/Quilvo");
const QString kInterface = QStringLiteral("org.freedesktop.Application");
// A running instance answers at once unless it is still starting; a launch must not hang on a
// stuck one.
constexpr int kActivateWaitMs = 2000;

QDBusMessage activateOwner(QDBusConnection& bus) {
    QDBusMessage call = QDBusMessage::createMethodCall(kBusName, kObjectPath, kInterface,
                                                       QStringLiteral("Activate"));
    call << QVariantMap{};
    return bus.call(call, QDBus::Block, kActivateWaitMs);
}

}  // namespace

ApplicationAdaptor::ApplicationAdaptor(SingleInstance* instance)
    : QDBusAbstractAdaptor(instance), instance_(instance) {}

void ApplicationAdaptor::Activate(const QVariantMap&) {
    instance_->activate();
}

void SingleInstance::onActivate(std::function<void()> activate) {
    activate_ = std::move(activate);
    if (std::exchange(activatedEarly_, false)) {
        activate_();
    }
}

void SingleInstance::activate() {
    if (activate_) {
        activate_();
    } else {
        activatedEarly_ = true;
    }
}

SingleInstance::Role SingleInstance::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) {
        return Role::alone;
    }
    // The object first, so that whoever sees the name owned can call it at once; calls wait in
    // the bus until the main loop runs.
    new ApplicationAdaptor(this);
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) {
        return Role::alone;
    }
    // The owner may quit between our request and our call: then the name is free to take.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
            bus.interface()->registerService(kBusName, QDBusConnectionInterface::DontQueueService,
                                             QDBusConnectionInterface::DontAllowReplacement);
        if (!reply.isValid()) {
            bus.unregisterObject(kObjectPath);
            return Role::alone;
        }
        if (reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            return Role::first;
        }
        const QDBusMessage answer = activateOwner(bus);
        if (answer.type() == QDBusMessage::ReplyMessage) {
            return Role::activatedOther;
        }
        if (QDBusError(answer).type() != QDBusError::ServiceUnknown) {
            break;
        }
    }
    return Role::otherSilent;
}

}  // namespace quilvo::ui
