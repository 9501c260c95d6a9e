#include "ui/reduce_motion.hpp"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusVariant>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "support/child_process.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::ui {
namespace {

using quilvo::testing::ChildProcess;
using quilvo::testing::TempDir;

// The settings portal's part we read: enable-animations, optionally wrapped twice as Debian
// 12's portal does.
class FakeSettingsPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

  public:
    FakeSettingsPortal() { qRegisterMetaType<QDBusVariant>(); }

    bool animations = true;
    bool wrapTwice = true;
    int reads = 0;

    void change(bool enabled) {
        animations = enabled;
        emit SettingChanged(QStringLiteral("org.gnome.desktop.interface"),
                            QStringLiteral("enable-animations"), QDBusVariant(enabled));
    }

  public slots:
    QDBusVariant Read(const QString& group, const QString& key) {
        ++reads;
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
        ChildProcess::Options options;
        options.captureStdout = true;
        daemon = std::make_unique<ChildProcess>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--print-address",
                                     "--address=" + address},
            options);
        ASSERT_TRUE(daemon->nextLine(std::chrono::seconds(5)).has_value());
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
    }

    bool becomes(bool on) {
        return QTest::qWaitFor([&] { return reduceMotion.isOn() == on; }, 5000);
    }

    TempDir dir{"quilvo-portal-test"};
    std::unique_ptr<ChildProcess> daemon;
    std::unique_ptr<QDBusConnection> portalBus;
    FakeSettingsPortal portal;
    ReduceMotion reduceMotion;
};

TEST_F(ReduceMotionTest, DisabledAnimationsMeanReduceMotion) {
    portal.animations = false;
    reduceMotion.followDesktopSetting();
    EXPECT_TRUE(becomes(true));
}

TEST_F(ReduceMotionTest, SinglyWrappedAnswerIsReadToo) {
    portal.animations = false;
    portal.wrapTwice = false;
    reduceMotion.followDesktopSetting();
    EXPECT_TRUE(becomes(true));
}

TEST_F(ReduceMotionTest, FollowsChangesOfTheSetting) {
    reduceMotion.followDesktopSetting();
    // The read went out after the signal subscription, on the same connection: once it has
    // arrived, so has the subscription, and its answer reaches us before any later signal.
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal.reads == 1; }, 5000));
    EXPECT_FALSE(reduceMotion.isOn());
    portal.change(false);
    EXPECT_TRUE(becomes(true));
    portal.change(true);
    EXPECT_TRUE(becomes(false));
}

}  // namespace
}  // namespace quilvo::ui

#include "reduce_motion_test.moc"
