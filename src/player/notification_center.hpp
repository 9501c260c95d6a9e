#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quilvo {

inline constexpr std::string_view kQuilvoStateChanged = "QuilvoStateChanged";
inline constexpr std::string_view kQuilvoOpenAbout = "QuilvoOpenAbout";

// Named notifications without sender or payload, delivered synchronously on the main thread.
class NotificationCenter {
  public:
    using Token = std::uint64_t;

    Token addObserver(std::string_view name, std::function<void()> handler);
    void removeObserver(Token token);
    void post(std::string_view name);

  private:
    struct Entry {
        Token token;
        std::string name;
        std::function<void()> handler;
    };
    std::vector<Entry> entries_;
    Token next_ = 1;
};

}  // namespace quilvo
