#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace quilvo {

struct Tint {
    double red, green, blue;
};

// One of the four moods, in their fixed order.
class Mood {
  public:
    enum Case : std::uint8_t { bright, calm, energy, sleep };

    constexpr Mood(Case c) : case_(c) {}  // NOLINT: a case is a mood

    static constexpr std::array<Mood, 4> allCases() { return {bright, calm, energy, sleep}; }
    // Exact, case-sensitive match against the four raw values.
    static std::optional<Mood> fromRawValue(std::string_view raw);

    constexpr Case value() const { return case_; }
    constexpr int index() const { return static_cast<int>(case_); }

    std::string_view rawValue() const;
    std::string_view id() const { return rawValue(); }
    std::string_view displayName() const;
    std::string_view feel() const;
    Tint tint() const;

    friend constexpr bool operator==(Mood, Mood) = default;
    friend constexpr auto operator<=>(Mood, Mood) = default;

  private:
    Case case_;
};

}  // namespace quilvo

template <>
struct std::hash<quilvo::Mood> {
    std::size_t operator()(quilvo::Mood m) const noexcept {
        return static_cast<std::size_t>(m.value());
    }
};
