#include <QDBusConnection>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>
#include <cstdlib>

#include "support/temp_dir.hpp"
#include "ui_test.hpp"

namespace quilvo::ui {

// The settings portal's part we read: enable-animations, wrapped twice as Debian 12's portal
// does.
class FakeSettingsPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

  public:
    bool animations = false;

  public slots:
    QDBusVariant Read(const QString& group, const QString& key) {
        if (group != QStringLiteral("org.gnome.desktop.interface") ||
            key != QStringLiteral("enable-animations")) {
            return QDBusVariant(QString());
        }
        return QDBusVariant(QVariant::fromValue(QDBusVariant(animations)));
    }

  signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

// A dbus-daemon of our own as this process's session bus (gone with the QProcess), with the fake
// portal on it.
TEST_F(UiTest, ReduceMotionFollowsTheDesktopsAnimationsSetting) {
    quilvo::testing::TempDir dir{"quilvo-portal-test"};
    const std::string address = "unix:path=" + (dir / "bus").string();
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    QProcess daemon;
    daemon.start(
        QStringLiteral("dbus-daemon"),
        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address"),
         QString::fromStdString("--address=" + address)});
    ASSERT_TRUE(daemon.waitForReadyRead(5000)) << "dbus-daemon is needed";
    FakeSettingsPortal portal;
    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromStdString(address), QStringLiteral("portal"));
    ASSERT_TRUE(
        bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    const auto becomes = [&](bool on) {
        return QTest::qWaitFor([&] { return reduceMotion.isOn() == on; }, 5000);
    };
    reduceMotion.followDesktopSetting();
    // The read went out after the signal subscription, on the same connection: once its
    // answer is in, so is the subscription.
    EXPECT_TRUE(becomes(true));
    for (bool enabled : {true, false}) {
        emit portal.SettingChanged(QStringLiteral("org.gnome.desktop.interface"),
                                   QStringLiteral("enable-animations"), QDBusVariant(enabled));
        EXPECT_TRUE(becomes(!enabled));
    }
}

}  // namespace quilvo::ui

#include "reduce_motion_test.moc"
