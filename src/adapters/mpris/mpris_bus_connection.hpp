#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <chrono>

namespace quilvo {

// Keeps one object on the session bus under the MPRIS name, and puts it back when the bus
// returns after going away. Without a bus it stays off it and retries now and then.
class MprisBusConnection : public QObject {
    Q_OBJECT

  public:
    explicit MprisBusConnection(QObject* exported);
    ~MprisBusConnection() override;

    // Sends org.freedesktop.DBus.Properties.PropertiesChanged; dropped while off the bus.
    void sendPropertiesChanged(const QString& interface, const QVariantMap& changed);

  private Q_SLOTS:
    void onDisconnected();

  private:
    void connectToBus();
    void dropConnection();
    void requestName();

    QObject* exported_;
    QString connectionName_;
    quint64 attempts_ = 0;
    QTimer retry_;
    std::chrono::milliseconds backoff_;
};

}  // namespace quilvo
