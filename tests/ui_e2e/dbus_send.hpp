#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quilvo::testing {

// Calls a method on the session bus at `busAddress` with `dbus-send --print-reply`;
// `arguments` as dbus-send takes them (--dest=..., path, method, typed arguments). The
// printed reply, absent if the call failed or did not finish within 5 s.
std::optional<std::string> dbusSend(const std::string& busAddress,
                                    const std::vector<std::string>& arguments);

// Whether `name` is owned on the bus at `busAddress`.
bool busNameHasOwner(const std::string& busAddress, const std::string& name);

// The quoted strings of a printed reply, in order.
std::vector<std::string> replyStrings(const std::string& reply);

}  // namespace quilvo::testing
