#include "player/notification_center.hpp"

#include <algorithm>

namespace quilvo {

NotificationCenter::Token NotificationCenter::addObserver(std::string_view name,
                                                          std::function<void()> handler) {
    const Token token = next_++;
    entries_.push_back({token, std::string(name), std::move(handler)});
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    std::erase_if(entries_, [token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::post(std::string_view name) {
    // Handlers may add or remove observers: deliver to a snapshot.
    std::vector<std::function<void()>> handlers;
    for (const Entry& e : entries_) {
        if (e.name == name) {
            handlers.push_back(e.handler);
        }
    }
    for (auto& handler : handlers) {
        handler();
    }
}

}  // namespace quilvo
