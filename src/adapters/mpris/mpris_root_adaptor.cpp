#include "adapters/mpris/mpris_root_adaptor.hpp"

#include <utility>

namespace quilvo {

MprisRootAdaptor::MprisRootAdaptor(QObject* exported, std::function<void()> quit)
    : QDBusAbstractAdaptor(exported), quit_(std::move(quit)) {}

void MprisRootAdaptor::Raise() {}

void MprisRootAdaptor::Quit() {
    // Queued, so the caller gets its reply before the application starts tearing down.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (quit_) {
                quit_();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace quilvo
