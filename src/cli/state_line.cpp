#include "cli/state_line.hpp"

#include <nlohmann/json.hpp>

namespace quilvo {

namespace {

using nlohmann::ordered_json;

template <class T>
ordered_json orNull(const std::optional<T>& value) {
    return value ? ordered_json(*value) : ordered_json(nullptr);
}

}  // namespace

std::string stateLine(const PlayerModel& model) {
    ordered_json line;
    line["type"] = "state";
    line["mood"] = model.currentMood() ? ordered_json(std::string(model.currentMood()->rawValue()))
                                       : ordered_json(nullptr);
    line["station"] =
        model.currentStation() ? ordered_json(model.currentStation()->id) : ordered_json(nullptr);
    line["phase"] = std::string(phaseName(model.phase()));
    line["song"] = orNull(model.songText());
    line["status"] = model.statusText();
    line["sleep"] = orNull(model.sleepRemainText());
    // Stream titles are untrusted bytes: never let one invalid sequence break the line.
    return line.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string statLine(const std::string& event) {
    return "{\"type\":\"stat\",\"event\":" + event + "}";
}

std::string sharedLineText(const PlayerModel& model) {
    if (!model.statusText().empty()) {
        return model.statusText();
    }
    if (!model.currentMood()) {
        return "不推荐，只相遇。";
    }
    return model.songText().value_or(" ");
}

}  // namespace quilvo
