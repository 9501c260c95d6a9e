#pragma once

#include <QObject>
#include <functional>
#include <optional>

namespace quilvo {

// Whether the machine is online, as NetworkManager on the system bus tells. Create it on the main
// thread after the QCoreApplication.
class NetworkWatch : public QObject {
    Q_OBJECT

  public:
    // `changed` runs on the main thread after each change of NetworkManager's state.
    explicit NetworkWatch(std::function<void()> changed);
    ~NetworkWatch() override;

    // Absent when NetworkManager does not run.
    std::optional<bool> online() const;

  private Q_SLOTS:
    void onStateChanged(uint state);

  private:
    std::function<void()> changed_;
    std::optional<uint> state_;
};

}  // namespace quilvo
