#include "cli/json_front_end.hpp"

#include "cli/command.hpp"
#include "cli/state_line.hpp"

namespace quilvo {

JsonFrontEnd::JsonFrontEnd(PlayerModel& model, EventLoop& loop, std::ostream& out,
                           std::ostream& err, std::function<void()> quit)
    : model_(model),
      loop_(loop),
      out_(out),
      err_(err),
      quit_(std::move(quit)),
      self_(std::make_shared<JsonFrontEnd*>(this)) {}

JsonFrontEnd::~JsonFrontEnd() {
    if (subscription_ != 0) {
        model_.objectWillChange().unsubscribe(subscription_);
    }
}

void JsonFrontEnd::start() {
    // The signal fires before the store: print once the current work has finished, so that a
    // burst of changes made together gives one line with the outcome.
    subscription_ = model_.objectWillChange().subscribe([this] {
        loop_.post([weak = std::weak_ptr<JsonFrontEnd*>(self_)] {
            if (auto self = weak.lock()) {
                (*self)->printStateIfChanged();
            }
        });
    });
    printStateIfChanged();
}

void JsonFrontEnd::printStateIfChanged() {
    std::string line = stateLine(model_);
    if (line == lastState_) {
        return;
    }
    out_ << line << '\n' << std::flush;
    lastState_ = std::move(line);
}

void JsonFrontEnd::printStat(const std::string& event) {
    out_ << statLine(event) << '\n' << std::flush;
}

void JsonFrontEnd::input(std::string_view bytes) {
    pending_.append(bytes);
    std::size_t newline;
    while ((newline = pending_.find('\n')) != std::string::npos) {
        const std::string line = pending_.substr(0, newline);
        pending_.erase(0, newline + 1);
        runLine(line);
    }
}

void JsonFrontEnd::endOfInput() {
    if (!pending_.empty()) {
        const std::string line = std::exchange(pending_, {});
        runLine(line);
    }
    quit_();
}

void JsonFrontEnd::runLine(std::string_view line) {
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
        return;
    }
    const Command command = parseCommand(line);
    std::visit(
        [this](const auto& c) {
            using T = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<T, command::PlayMood>) {
                model_.playMood(c.mood);
            } else if constexpr (std::is_same_v<T, command::Toggle>) {
                model_.toggle();
            } else if constexpr (std::is_same_v<T, command::Next>) {
                model_.shuffleStation();
            } else if constexpr (std::is_same_v<T, command::Sleep>) {
                model_.setSleep(c.minutes);
            } else if constexpr (std::is_same_v<T, command::Quit>) {
                quit_();
            } else {
                err_ << "quilvo-cli: " << c.message << '\n' << std::flush;
            }
        },
        command);
}

}  // namespace quilvo
