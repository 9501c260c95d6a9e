#include "ui/reduce_motion.hpp"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "support/temp_dir.hpp"

namespace quilvo::ui {
namespace {

// The settings portal's part we read: enable-animations, optionally wrapped twice as Debian
// 12's portal does.
class FakeSettingsPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

  public:
    FakeSettingsPortal() { qRegisterMetaType<QDBusVariant>(); }

    bool animations = true;
    bool wrapTwice = true;

    void change(bool enabled) {
        animations = enabled;
        emit SettingChanged(QStringLiteral("org.gnome.desktop.interface"),
                            QStringLiteral("enable-animations"), QDBusVariant(enabled));
    }

  public slots:
    QDBusVariant Read(const QString& group, const QString& key) {
        if (group != QStringLiteral("org.gnome.desktop.interface") ||
            key != QStringLiteral("enable-animations")) {
            return QDBusVariant(QString());
        }
        return wrapTwice ? QDBusVariant(QVariant::fromValue(QDBusVariant(animations)))
                         : QDBusVariant(animations);
    }

  signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

// A dbus-daemon of our own as this process's session bus, with the fake portal on it.
class ReduceMotionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string address = "unix:path=" + (dir / "bus").string();
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        daemon.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"),
             QStringLiteral("--print-address"), QString::fromStdString("--address=" + address)});
        ASSERT_TRUE(daemon.waitForReadyRead(5000)) << "dbus-daemon is needed";
        portalBus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            QString::fromStdString(address), QStringLiteral("portal")));
        ASSERT_TRUE(portalBus->isConnected());
        ASSERT_TRUE(portalBus->registerObject(
            QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        ASSERT_TRUE(portalBus->registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }
    void TearDown() override {
        portalBus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        daemon.kill();
        daemon.waitForFinished();
    }

    bool becomes(bool on) {
        return QTest::qWaitFor([&] { return reduceMotion.isOn() == on; }, 5000);
    }

    quilvo::testing::TempDir dir{"quilvo-portal-test"};
    QProcess daemon;
    std::unique_ptr<QDBusConnection> portalBus;
    FakeSettingsPortal portal;
    ReduceMotion reduceMotion;
};

// Debian 12's portal wraps the answer twice; once is read too.
TEST_F(ReduceMotionTest, DisabledAnimationsMeanReduceMotion) {
    portal.animations = false;
    portal.wrapTwice = false;
    reduceMotion.followDesktopSetting();
    EXPECT_TRUE(becomes(true));
}

TEST_F(ReduceMotionTest, FollowsChangesOfTheSetting) {
    portal.animations = false;
    reduceMotion.followDesktopSetting();
    // The read went out after the signal subscription, on the same connection: once its
    // answer is in, so is the subscription.
    EXPECT_TRUE(becomes(true));
    portal.change(true);
    EXPECT_TRUE(becomes(false));
    portal.change(false);
    EXPECT_TRUE(becomes(true));
}

}  // namespace
}  // namespace quilvo::ui

#include "reduce_motion_test.moc"
