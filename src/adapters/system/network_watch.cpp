#include "adapters/system/network_watch.hpp"

#include <QNetworkInformation>

namespace quilvo {

namespace {

QNetworkInformation* loadedBackend() {
    if (QNetworkInformation::loadBackendByName(u"networkmanager") ||
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        return QNetworkInformation::instance();
    }
    return nullptr;
}

}  // namespace

NetworkWatch::NetworkWatch(std::function<void()> changed) : changed_(std::move(changed)) {
    if (auto* info = loadedBackend()) {
        // Queued where a backend reports from another thread.
        connect(info, &QNetworkInformation::reachabilityChanged, this, [this] { changed_(); });
    }
}

std::optional<bool> NetworkWatch::online() const {
    auto* info = QNetworkInformation::instance();
    if (!info || !info->supports(QNetworkInformation::Feature::Reachability)) {
        return std::nullopt;
    }
    switch (info->reachability()) {
        case QNetworkInformation::Reachability::Online:
        case QNetworkInformation::Reachability::Site:
            return true;
        // NetworkManager says Unknown while it is asleep or still connecting: no streams yet.
        case QNetworkInformation::Reachability::Unknown:
        case QNetworkInformation::Reachability::Disconnected:
        case QNetworkInformation::Reachability::Local:
            return false;
    }
    return std::nullopt;
}

}  // namespace quilvo
