#include "qt_test_support.hpp"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>
#include <csignal>

#include <sys/prctl.h>

namespace quilvo::testing {

void startChild(QProcess& process, const QString& program, const QStringList& arguments) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start(program, arguments);
}

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    QTimer wake;
    wake.start(10);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

CommandResult runServingBus(const QString& program, const QStringList& arguments) {
    QProcess process;
    startChild(process, program, arguments);
    if (!pumpUntil([&] { return process.state() == QProcess::NotRunning; })) {
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed()};
}

QVariantList callMpris(const QString& service, const QString& interface, const QString& method,
                       const QVariantList& arguments) {
    static int calls = 0;
    const QString name = QStringLiteral("mpris-test-client-%1").arg(++calls);
    QVariantList result;
    {
        QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        QDBusMessage message = QDBusMessage::createMethodCall(
            service, QStringLiteral("/org/mpris/MediaPlayer2"), interface, method);
        message.setArguments(arguments);
        QDBusPendingCall call = client.asyncCall(message);
        if (pumpUntil([&] { return call.isFinished(); }) && !call.isError()) {
            result = call.reply().arguments();
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return result;
}

QVariantMap mprisProperties(const QString& service, const QString& interface) {
    const QVariantList reply = callMpris(service, QStringLiteral("org.freedesktop.DBus.Properties"),
                                         QStringLiteral("GetAll"), {interface});
    if (reply.isEmpty()) {
        return {};
    }
    QVariantMap properties = qdbus_cast<QVariantMap>(reply.first());
    if (properties.contains(QStringLiteral("Metadata"))) {
        properties[QStringLiteral("Metadata")] =
            qdbus_cast<QVariantMap>(properties.value(QStringLiteral("Metadata")));
    }
    return properties;
}

}  // namespace quilvo::testing
