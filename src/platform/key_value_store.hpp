#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/clock.hpp"

namespace quilvo {

// Persisted state, possibly shared with other processes. Safe to use from the statistics
// thread.
class KeyValueStore {
  public:
    virtual ~KeyValueStore() = default;
    // Absent when nothing is stored under `key` or it is not text.
    virtual std::optional<std::string> text(const std::string& key) = 0;
    // False when the value could not be stored (a read-only or full disk, say).
    virtual bool setText(const std::string& key, const std::string& value) = 0;
    // Absent when nothing is stored under `key` or it is not a list of texts.
    virtual std::optional<std::vector<std::string>> textList(const std::string& key) = 0;
    virtual bool setTextList(const std::string& key, const std::vector<std::string>& value) = 0;

    // Keeps every other process that shares the store out of it until `unlock()`, so that a
    // read-modify-write spanning several calls is whole. Waits at most `wait`; false when the
    // lock was not granted. One holder per store object at a time; not reentrant.
    virtual bool lock(Seconds wait) = 0;
    virtual void unlock() = 0;
    // Ends a wait for the lock under way at once; every later wait tries only once. Safe from
    // any thread; used when the program quits.
    virtual void stopWaiting() = 0;
};

}  // namespace quilvo
