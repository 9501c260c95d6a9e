#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <chrono>
#include <functional>

namespace quilvo::testing {

// Starts a child that dies with this process, so a crashed test leaves nothing running.
void startChild(QProcess& process, const QString& program, const QStringList& arguments);

// Runs the Qt event loop until `done` holds or `timeout` passes; returns whether it holds.
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs the Qt event loop for `duration`.
void pumpFor(std::chrono::milliseconds duration);

struct CommandResult {
    int exitCode = -1;
    QString output;
};

// Runs a program to its end while the Qt event loop keeps serving our bus objects.
CommandResult runServingBus(const QString& program, const QStringList& arguments);

// Calls a method on the MPRIS object of `service` from a connection of its own, serving our
// own objects meanwhile; returns the reply's arguments (empty on error).
QVariantList callMpris(const QString& service, const QString& interface, const QString& method,
                       const QVariantList& arguments = {});

// All properties of `interface` of the MPRIS object of `service`.
QVariantMap mprisProperties(const QString& service, const QString& interface);

}  // namespace quilvo::testing
