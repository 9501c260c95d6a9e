#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/event_loop.hpp"
#include "player/player_model.hpp"

namespace quilvo {

// The scripting front end: prints one JSON line after every change of the published state and
// each recorded statistics event, and reads one command per line.
class JsonFrontEnd {
  public:
    JsonFrontEnd(PlayerModel& model, EventLoop& loop, std::ostream& out, std::ostream& err,
                 std::function<void()> quit);
    ~JsonFrontEnd();
    JsonFrontEnd(const JsonFrontEnd&) = delete;
    JsonFrontEnd& operator=(const JsonFrontEnd&) = delete;

    // Prints the initial state.
    void start();
    // Bytes read from standard input; complete lines are run as commands.
    void input(std::string_view bytes);
    // Standard input closed: a last unterminated line is run, then the program quits.
    void endOfInput();
    // Called on the main thread for each recorded statistics event.
    void printStat(const std::string& event);

  private:
    void runLine(std::string_view line);
    void printStateIfChanged();

    PlayerModel& model_;
    EventLoop& loop_;
    std::ostream& out_;
    std::ostream& err_;
    std::function<void()> quit_;
    WillChangeSignal::Token subscription_ = 0;
    std::string pending_;
    std::string lastState_;
    // Work posted to the loop checks this, so it does nothing once the front end is gone.
    std::shared_ptr<JsonFrontEnd*> self_;
};

}  // namespace quilvo
