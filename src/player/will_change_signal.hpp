#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace quilvo {

// Fired before a published property stores its new value (also when the value is equal).
class WillChangeSignal {
  public:
    using Token = std::uint64_t;

    Token subscribe(std::function<void()> handler) {
        const Token token = next_++;
        handlers_.emplace_back(token, std::move(handler));
        return token;
    }
    void unsubscribe(Token token) {
        std::erase_if(handlers_, [token](const auto& h) { return h.first == token; });
    }
    void fire() {
        auto snapshot = handlers_;
        for (auto& [token, handler] : snapshot) {
            handler();
        }
    }

  private:
    std::vector<std::pair<Token, std::function<void()>>> handlers_;
    Token next_ = 1;
};

}  // namespace quilvo
