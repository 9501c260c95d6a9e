#include "ui_e2e/dbus_send.hpp"

#include <chrono>
#include <sstream>

#include "support/child_process.hpp"

namespace quilvo::testing {

std::optional<std::string> dbusSend(const std::string& busAddress,
                                    const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"dbus-send", "--session", "--print-reply"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string reply;
    if (runCommand(argv, std::chrono::seconds(5), &reply,
                   {"DBUS_SESSION_BUS_ADDRESS=" + busAddress}) != 0) {
        return std::nullopt;
    }
    return reply;
}

bool busNameHasOwner(const std::string& busAddress, const std::string& name) {
    const auto reply =
        dbusSend(busAddress, {"--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus.NameHasOwner", "string:" + name});
    return reply && reply->find("boolean true") != std::string::npos;
}

std::vector<std::string> replyStrings(const std::string& reply) {
    std::vector<std::string> strings;
    std::istringstream lines(reply);
    for (std::string line; std::getline(lines, line);) {
        const auto marker = line.find("string \"");
        const auto close = line.rfind('"');
        if (marker == std::string::npos || close < marker + 8) {
            continue;
        }
        strings.push_back(line.substr(marker + 8, close - marker - 8));
    }
    return strings;
}

}  // namespace quilvo::testing
