#pragma once

#include <QObject>
#include <functional>
#include <optional>

namespace quilvo {

// Whether the machine is online, as Qt's network information sees it: NetworkManager's view
// where it runs, GLib's otherwise. Create it on the main thread after the QCoreApplication.
class NetworkWatch : public QObject {
  public:
    // `changed` runs on the main thread after each change of reachability.
    explicit NetworkWatch(std::function<void()> changed);

    // Absent when no backend can tell.
    std::optional<bool> online() const;

  private:
    std::function<void()> changed_;
};

}  // namespace quilvo
