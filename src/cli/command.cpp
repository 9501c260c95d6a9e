#include "cli/command.hpp"

#include <charconv>
#include <vector>

namespace quilvo {

namespace {

constexpr std::int64_t kMaxSleepMinutes = 1440;

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            out.push_back(line.substr(start, i - start));
        }
    }
    return out;
}

command::Invalid invalid(std::string text) {
    return {std::move(text)};
}

}  // namespace

Command parseCommand(std::string_view line) {
    const auto w = words(line);
    if (w.empty()) {
        return invalid("空命令");
    }
    const std::string_view verb = w[0];
    if (verb == "mood" && w.size() == 2) {
        if (auto mood = Mood::fromRawValue(w[1])) {
            return command::PlayMood{*mood};
        }
        return invalid("未知心情（可用：bright、calm、energy、sleep）");
    }
    if (verb == "sleep" && w.size() == 2) {
        std::int64_t minutes = -1;
        const auto [end, ec] = std::from_chars(w[1].data(), w[1].data() + w[1].size(), minutes);
        if (ec == std::errc() && end == w[1].data() + w[1].size() && minutes >= 0 &&
            minutes <= kMaxSleepMinutes) {
            return command::Sleep{minutes};
        }
        return invalid("定时只接受 0 到 1440 的整数分钟");
    }
    if (w.size() == 1) {
        if (verb == "toggle") {
            return command::Toggle{};
        }
        if (verb == "next") {
            return command::Next{};
        }
        if (verb == "quit") {
            return command::Quit{};
        }
    }
    return invalid("未知命令（可用：mood <心情>、toggle、next、sleep <分钟>、quit）");
}

}  // namespace quilvo
