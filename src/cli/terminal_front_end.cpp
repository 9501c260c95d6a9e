#include "cli/terminal_front_end.hpp"

#include <unistd.h>

#include <array>

#include "app/terminal_text.hpp"
#include "cli/state_line.hpp"

namespace quilvo {

namespace {

constexpr std::array<std::int64_t, 4> kSleepCycle = {15, 30, 60, 0};

std::string_view phaseText(PlayerModel::Phase phase) {
    switch (phase) {
        case PlayerModel::Phase::idle:
            return "空闲";
        case PlayerModel::Phase::connecting:
            return "连接中…";
        case PlayerModel::Phase::playing:
            return "播放中";
        case PlayerModel::Phase::paused:
            return "已暂停";
    }
    return "";
}

// Length of the key sequence at the start of `bytes`, or 0 when it is still incomplete.
std::size_t keyLength(std::string_view bytes) {
    if (bytes[0] != '\x1b') {
        return 1;
    }
    if (bytes.size() < 2) {
        return 0;
    }
    if (bytes[1] != '[' && bytes[1] != 'O') {
        return 1;
    }
    for (std::size_t i = 2; i < bytes.size(); ++i) {
        if (bytes[i] >= 0x40 && bytes[i] <= 0x7E) {
            return i + 1;
        }
    }
    return 0;
}

}  // namespace

TerminalFrontEnd::TerminalFrontEnd(PlayerModel& model, EventLoop& loop, int inFd, int outFd,
                                   std::function<void()> quit)
    : model_(model),
      loop_(loop),
      inFd_(inFd),
      outFd_(outFd),
      quit_(std::move(quit)),
      self_(std::make_shared<TerminalFrontEnd*>(this)) {}

TerminalFrontEnd::~TerminalFrontEnd() {
    if (subscription_ != 0) {
        model_.objectWillChange().unsubscribe(subscription_);
    }
    if (savedTerminal_) {
        tcsetattr(inFd_, TCSANOW, &*savedTerminal_);
    }
    write("\x1b[?25h\n");
}

void TerminalFrontEnd::start() {
    termios attributes{};
    if (isatty(inFd_) && tcgetattr(inFd_, &attributes) == 0) {
        savedTerminal_ = attributes;
        // Keys arrive one by one without echo; Ctrl-C still interrupts (and quits cleanly).
        attributes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        attributes.c_cc[VMIN] = 1;
        attributes.c_cc[VTIME] = 0;
        tcsetattr(inFd_, TCSANOW, &attributes);
    }
    subscription_ = model_.objectWillChange().subscribe([this] {
        loop_.post([weak = std::weak_ptr<TerminalFrontEnd*>(self_)] {
            if (auto self = weak.lock()) {
                (*self)->render();
            }
        });
    });
    write("\x1b[?25l");
    render();
}

void TerminalFrontEnd::input(std::string_view bytes) {
    pending_.append(bytes);
    while (!pending_.empty()) {
        const std::size_t n = keyLength(pending_);
        if (n == 0) {
            return;
        }
        const std::string key = pending_.substr(0, n);
        pending_.erase(0, n);
        handleKey(key);
    }
}

void TerminalFrontEnd::handleKey(std::string_view key) {
    if (key.size() == 1 && key[0] >= '1' && key[0] <= '4') {
        const Mood mood = Mood::allCases()[static_cast<std::size_t>(key[0] - '1')];
        if (model_.currentMood() == mood) {
            model_.shuffleStation();
        } else {
            model_.playMood(mood);
        }
    } else if (key == " ") {
        model_.toggle();
    } else if (key == "\x1b[C" || key == "\x1b[D" || key == "\x1bOC" || key == "\x1bOD") {
        model_.shuffleStation();
    } else if (key == "s" || key == "S") {
        cycleSleep();
    } else if (key == "q" || key == "Q") {
        quit_();
    }
}

void TerminalFrontEnd::cycleSleep() {
    // Each press moves to the next choice of the cycle 15, 30, 60, off.
    if (!model_.sleepActive()) {
        sleepStep_ = 0;
    }
    model_.setSleep(kSleepCycle[static_cast<std::size_t>(sleepStep_)]);
    sleepStep_ = (sleepStep_ + 1) % static_cast<int>(kSleepCycle.size());
}

void TerminalFrontEnd::render() {
    std::string moods;
    for (Mood mood : Mood::allCases()) {
        const bool active = model_.currentMood() == mood;
        moods += active ? "\x1b[7m " : " ";
        moods += std::to_string(mood.index() + 1) + " ";
        moods += mood.displayName();
        moods += active ? " \x1b[0m " : "  ";
    }
    std::string text;
    text += "\x1b[H\x1b[J";
    text += "Quilvo\r\n\r\n";
    text += moods + "\r\n\r\n";
    text += "  " + printable(sharedLineText(model_)) + "\r\n";
    text += "  ";
    text += phaseText(model_.phase());
    text += "   定时: " + printable(model_.sleepRemainText().value_or("关")) + "\r\n\r\n";
    text += "  1–4 心情 · 空格 播放/暂停 · ←/→ 换台 · s 定时 · q 退出\r\n";
    write(text);
}

void TerminalFrontEnd::write(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(outFd_, text.data() + done, text.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace quilvo
