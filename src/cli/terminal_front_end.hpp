#pragma once

#include <termios.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/event_loop.hpp"
#include "player/player_model.hpp"

namespace quilvo {

// The interactive terminal view: mood row, text line, phase and sleep text, redrawn after
// every change; keys 1–4 choose a mood, Space toggles, → and ← change station, s cycles the
// sleep timer, q quits. Restores the terminal when destroyed.
class TerminalFrontEnd {
  public:
    TerminalFrontEnd(PlayerModel& model, EventLoop& loop, int inFd, int outFd,
                     std::function<void()> quit);
    ~TerminalFrontEnd();
    TerminalFrontEnd(const TerminalFrontEnd&) = delete;
    TerminalFrontEnd& operator=(const TerminalFrontEnd&) = delete;

    void start();
    void input(std::string_view bytes);

  private:
    void handleKey(std::string_view key);
    void cycleSleep();
    void render();
    void write(const std::string& text);

    PlayerModel& model_;
    EventLoop& loop_;
    const int inFd_;
    const int outFd_;
    std::function<void()> quit_;
    std::optional<termios> savedTerminal_;
    WillChangeSignal::Token subscription_ = 0;
    std::string pending_;
    int sleepStep_ = 0;
    std::shared_ptr<TerminalFrontEnd*> self_;
};

}  // namespace quilvo
